#pragma once

#include <atomic>
#include <condition_variable>
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
    // A thread waits in Pass() at the held gate.
    bool Parked() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable released_;
    // Read without the lock on every pass: a worker passes the gate once per 2048-byte block.
    std::atomic<bool> held_{false};
    int parked_ = 0; // threads waiting in Pass(); under mutex_
};

// A thread object created held and started by Resume(); Suspend() holds it again at its next
// CheckHold(). The body must not be holding anything the suspending thread waits for when it
// calls CheckHold().
//
// A thread never outlives its object. The destructor asks the body to end (Terminate()) and
// waits for it; a body that ignores the request runs to its end first. A derived class whose
// body uses the derived class's own members must do the same in its own destructor, since those
// members are gone by the time this destructor runs.
class TThread {
public:
    TThread();
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    void Resume();  // starts the body the first time, releases a hold afterwards
    void Suspend(); // holds the body at its next CheckHold()
    bool Suspended() const;
    // The body waits at the hold Suspend() asked for: the step it was in has ended.
    bool Held() const;
    // Asks the body to end: Terminated() turns true and a held body is released to see it.
    // Callable from any thread, the body's own included.
    void Terminate();
    bool Terminated() const { return terminated_; }
    bool Finished() const { return finished_; }
    void WaitFor(); // joins the body; from the thread that started it

protected:
    virtual void Execute() = 0;
    void CheckHold() { gate_.Pass(); }

private:
    PauseGate gate_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
    bool started_ = false; // only the starting thread uses it
};

} // namespace platform
