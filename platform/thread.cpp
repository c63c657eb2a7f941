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

bool PauseGate::Held() const {
    return held_;
}

void PauseGate::Pass() {
    if (!held_)
        return;
    std::unique_lock lock(mutex_);
    if (!held_)
        return;
    ++parked_;
    released_.wait(lock, [this] { return !held_; });
    --parked_;
}

bool PauseGate::Parked() const {
    std::lock_guard lock(mutex_);
    return parked_ > 0;
}

TThread::TThread() = default;

TThread::~TThread() {
    Terminate();
    WaitFor();
}

void TThread::Resume() {
    if (!started_) {
        started_ = true;
        thread_ = std::thread([this] {
            Execute();
            finished_ = true;
        });
        return;
    }
    gate_.Release();
}

void TThread::Suspend() {
    gate_.Hold();
}

bool TThread::Suspended() const {
    return gate_.Held();
}

bool TThread::Held() const {
    return gate_.Parked();
}

void TThread::Terminate() {
    terminated_ = true;
    gate_.Release();
}

void TThread::WaitFor() {
    if (thread_.joinable())
        thread_.join();
}

} // namespace platform
