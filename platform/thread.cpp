#include "platform/thread.h"

namespace platform {

void PauseGate::Hold() {
    std::lock_guard lock(mutex_);
    held_ = true;
}

void PauseGate::Release() {
    {
        std::lock_guard lock(mutex_);
        held_ = false;
    }
    released_.notify_all();
}

bool PauseGate::Held() const { return held_; }

void PauseGate::Pass() {
    if (!held_)
        return;
    std::unique_lock lock(mutex_);
    released_.wait(lock, [this] { return !held_; });
}

TThread::TThread() = default;

TThread::~TThread() {
    if (!thread_.joinable())
        return;
    // A worker left held (the user quit during a job) ends with the process.
    if (state_->finished)
        thread_.join();
    else
        thread_.detach();
}

void TThread::Resume() {
    if (!started_) {
        started_ = true;
        thread_ = std::thread([this, state = state_] {
            Execute();
            state->finished = true;
        });
        return;
    }
    state_->gate.Release();
}

void TThread::Suspend() { state_->gate.Hold(); }

bool TThread::Suspended() const { return state_->gate.Held(); }

void TThread::WaitFor() {
    if (thread_.joinable())
        thread_.join();
}

} // namespace platform
