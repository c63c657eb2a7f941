#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {

// Holds and releases a worker between steps: Hold() takes effect at the next Pass().
class PauseGate {
public:
    void Hold();
    void Release();
    bool Held() const;
    // Blocks while held; returns at once otherwise.
    void Pass();

private:
    mutable std::mutex mutex_;
    std::condition_variable released_;
    // Read without the lock on every pass: a worker passes the gate once per 2048-byte block.
    std::atomic<bool> held_{false};
};

// A thread object created held and started by Resume(); Suspend() holds it again at its next
// CheckHold(). The body must not be holding anything the suspending thread waits for when it
// calls CheckHold().
class TThread {
public:
    TThread();
    virtual ~TThread(); // joins when the body has ended; detaches a thread still held
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    void Resume();  // starts the body the first time, releases a hold afterwards
    void Suspend(); // holds the body at its next CheckHold()
    bool Suspended() const;
    bool Finished() const { return state_->finished; }
    void WaitFor(); // joins the body

protected:
    virtual void Execute() = 0;
    void CheckHold() { state_->gate.Pass(); }

private:
    // Shared with the thread, so that a detached thread never waits on a destroyed gate.
    struct State {
        PauseGate gate;
        std::atomic<bool> finished{false};
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
    std::thread thread_;
    bool started_ = false;
};

} // namespace platform
