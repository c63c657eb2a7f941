#include "cli/interrupt_catcher.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>

namespace cli {
namespace {

std::atomic<int> caught{0};
// Set before the handler is installed: whether standard error shows a progress line to wipe.
bool wipeProgressLine = false;

extern "C" void OnInterrupt(int signal) {
    if (caught.exchange(signal) != 0) {
        // Asked twice: the worker may be stuck in a read that never returns. Quit at once.
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    static constexpr char Wipe[] = "\r\x1b[K";
    static constexpr char Notice[] =
        "quillmere-cli copy: interrupted; stopping (interrupt again to quit at once)\n";
    // Only write() may be called here; what it returns changes nothing.
    if (wipeProgressLine && write(STDERR_FILENO, Wipe, sizeof Wipe - 1) < 0)
        return;
    if (write(STDERR_FILENO, Notice, sizeof Notice - 1) < 0)
        return;
}

} // namespace

InterruptCatcher::InterruptCatcher(bool onTerminal) {
    caught = 0;
    wipeProgressLine = onTerminal;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &action, &previous_[i]);
}

InterruptCatcher::~InterruptCatcher() {
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &previous_[i], nullptr);
}

int InterruptCatcher::Caught() {
    return caught;
}

InterruptCatcher::BlockedHere::BlockedHere() {
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : kSignals)
        sigaddset(&signals, signal);
    pthread_sigmask(SIG_BLOCK, &signals, &previous_);
}

InterruptCatcher::BlockedHere::~BlockedHere() {
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

} // namespace cli
