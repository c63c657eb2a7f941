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

private:
    mutable std::mutex mutex_;
    std::condition_variable released_;
    bool held_ = false;
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
    bool Finished() const { return finished_; }
    void WaitFor(); // joins the body

protected:
    virtual void Execute() = 0;
    void CheckHold() { gate_.Pass(); }

private:
    PauseGate gate_;
    std::thread thread_;
    std::atomic<bool> started_{false};
    std::atomic<bool> finished_{false};
};

} // namespace platform
