#include "platform/ui/message_sender.h"

#include <QThread>
#include <chrono>
#include <thread>

namespace platform::ui {
namespace {

using Clock = std::chrono::steady_clock;

// How long the window's thread waits for the next message before it returns to its event loop,
// and the longest it answers messages without painting or reading input.
constexpr auto AnswerWindow = std::chrono::microseconds(200);
constexpr auto AnswerSlice = std::chrono::milliseconds(8);
// How long a sender spins before it sleeps.
constexpr auto SpinWindow = std::chrono::microseconds(200);

// Spinning threads yield, so that on a busy machine the partner they wait for gets the core.
void CpuRelax() { std::this_thread::yield(); }

} // namespace

QtMessageSender::QtMessageSender(MessageTarget& target, QObject* parent)
    : QObject(parent), target_(target) {}

QtMessageSender::~QtMessageSender() { Close(); }

LRESULT QtMessageSender::SendMessage(unsigned message, WPARAM wParam, LPARAM lParam) {
    if (QThread::currentThread() == thread())
        return target_.WndProc(message, wParam, lParam);
    return Exchange(message, wParam, lParam, nullptr);
}

void QtMessageSender::RunOnTargetThread(const std::function<void()>& task) {
    if (QThread::currentThread() == thread()) {
        task();
        return;
    }
    Exchange(0, 0, 0, &task);
}

LRESULT QtMessageSender::Exchange(unsigned message, WPARAM wParam, LPARAM lParam,
                                  const std::function<void()>* task) {
    std::lock_guard sending(senders_);
    if (closed_)
        return 0;
    message_ = message;
    wParam_ = wParam;
    lParam_ = lParam;
    task_ = task;
    state_.store(Posted);
    if (!draining_.load())
        QueueDrain();
    // The window closed while this was being posted: take the message back unless answered.
    if (closed_) {
        int expected = Posted;
        if (state_.compare_exchange_strong(expected, Empty))
            return 0;
    }
    const auto spinUntil = Clock::now() + SpinWindow;
    while (state_.load() == Posted && Clock::now() < spinUntil)
        CpuRelax();
    while (state_.load() == Posted)
        state_.wait(Posted);
    const LRESULT result = result_;
    state_.store(Empty);
    return result;
}

void QtMessageSender::QueueDrain() {
    if (!drainQueued_.exchange(true))
        QMetaObject::invokeMethod(this, &QtMessageSender::Drain, Qt::QueuedConnection);
}

bool QtMessageSender::HandlePosted() {
    if (state_.load() != Posted)
        return false;
    if (closed_) {
        result_ = 0;
    } else if (task_) {
        (*task_)();
        result_ = 0;
    } else {
        result_ = target_.WndProc(message_, wParam_, lParam_);
    }
    state_.store(Handled);
    state_.notify_one();
    return true;
}

void QtMessageSender::Drain() {
    drainQueued_ = false;
    draining_ = true;
    const auto sliceEnd = Clock::now() + AnswerSlice;
    auto lastAnswer = Clock::now();
    for (;;) {
        if (HandlePosted()) {
            lastAnswer = Clock::now();
            if (lastAnswer >= sliceEnd)
                break;
            continue;
        }
        const auto now = Clock::now();
        if (now - lastAnswer >= AnswerWindow || now >= sliceEnd)
            break;
        CpuRelax();
    }
    draining_ = false;
    // A message posted while this thread was about to stop answering found it still answering.
    if (state_.load() == Posted)
        QueueDrain();
}

void QtMessageSender::Close() {
    closed_ = true;
    HandlePosted();
}

} // namespace platform::ui
