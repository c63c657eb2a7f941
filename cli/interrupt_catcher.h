#pragma once

#include <csignal>
#include <iterator>

namespace cli {

// Catches Ctrl+C, termination and hang-up for the life of the object, so that a copy can remove
// the file it was writing instead of dying with it. The first signal is only noted (and said on
// standard error); a second one ends the program at once, as if it had never been caught.
class InterruptCatcher {
public:
    // `onTerminal`: standard error shows a progress line, wiped before the notice.
    explicit InterruptCatcher(bool onTerminal);
    ~InterruptCatcher();
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;

    // The signal caught since the catcher was made; 0 while none has been. Safe on any thread.
    static int Caught();

    // Blocks the signals on the calling thread for the life of the object. Called by the main
    // thread once the worker runs, so that they reach the worker's own thread: the handler
    // then runs between two of its steps, and the step after it sees the interrupt.
    class BlockedHere {
    public:
        BlockedHere();
        ~BlockedHere();
        BlockedHere(const BlockedHere&) = delete;
        BlockedHere& operator=(const BlockedHere&) = delete;

    private:
        sigset_t previous_{};
    };

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction previous_[std::size(kSignals)]{};
};

} // namespace cli
