#include "platform/ui/message_sender.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <thread>

#if defined(__SANITIZE_THREAD__)
#define QUILLMERE_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define QUILLMERE_THREAD_SANITIZER 1
#endif
#endif
#ifdef QUILLMERE_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

namespace platform::ui {
namespace {

using Clock = std::chrono::steady_clock;

// How long the window's thread waits for the next message before it returns to its event loop,
// and the longest it answers messages without painting or reading input.
constexpr auto AnswerWindow = std::chrono::microseconds(200);
constexpr auto AnswerSlice = std::chrono::milliseconds(8);
// How long either side spins for its partner before it sleeps. When both threads run, an answer
// comes within a microsecond or two; for the first part of the window the spinning thread keeps
// its core, then it yields it, since on a machine busier than its cores the partner may be
// waiting for this very core.
constexpr auto SpinWindow = std::chrono::microseconds(200);
constexpr auto PauseWindow = std::chrono::microseconds(2);

void CpuPause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

// Spins until `ready()` or the deadline; true when ready. The clock is read only now and then:
// a reading costs more than a look at the mailbox.
template <typename Ready> bool SpinUntil(Ready ready, Clock::time_point deadline) {
    const auto pauseEnd = std::min(Clock::now() + PauseWindow, deadline);
    bool yielding = false;
    for (unsigned spins = 1;; ++spins) {
        if (ready())
            return true;
        if (yielding)
            std::this_thread::yield();
        else
            CpuPause();
        if (spins % 32 == 0) {
            const auto now = Clock::now();
            if (now >= deadline)
                return ready();
            yielding = now >= pauseEnd;
        }
    }
}

// Asks the window's thread to answer what is posted; sent from the sender's thread.
const QEvent::Type DrainRequest = static_cast<QEvent::Type>(QEvent::registerEventType());

// Qt's event queue is not built with ThreadSanitizer, which then cannot see that a posted event
// is handled after it was posted: these tell it, for the event's own memory.
#ifdef QUILLMERE_THREAD_SANITIZER
void PostedBy(void* event) {
    __tsan_release(event);
}
void HandledAfterPosting(void* event) {
    __tsan_acquire(event);
}
#else
void PostedBy(void*) {}
void HandledAfterPosting(void*) {}
#endif

} // namespace

QtMessageSender::QtMessageSender(MessageTarget& target, QObject* parent)
    : QObject(parent), target_(target) {}

QtMessageSender::~QtMessageSender() {
    Close();
}

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
    SpinUntil([this] { return state_.load() == Handled; }, Clock::now() + SpinWindow);
    for (int state = state_.load(); state != Handled; state = state_.load())
        state_.wait(state);
    const LRESULT result = result_;
    state_.store(Empty);
    return result;
}

void QtMessageSender::QueueDrain() {
    if (drainQueued_.exchange(true))
        return;
    auto* request = new QEvent(DrainRequest);
    PostedBy(request);
    QCoreApplication::postEvent(this, request);
}

bool QtMessageSender::event(QEvent* event) {
    HandledAfterPosting(event);
    if (event->type() != DrainRequest)
        return QObject::event(event);
    Drain();
    return true;
}

bool QtMessageSender::HandlePosted() {
    int expected = Posted;
    if (!state_.compare_exchange_strong(expected, Handling))
        return false;
    LRESULT result = 0;
    if (!closed_) {
        if (task_)
            (*task_)();
        else
            result = target_.WndProc(message_, wParam_, lParam_);
    }
    Answer(result);
    return true;
}

// On the window's thread, for the message in handling. Only this thread moves the state on from
// Handling, and the sender does not touch it before Handled.
void QtMessageSender::Answer(LRESULT result) {
    if (state_.load() != Handling)
        return; // Close() answered it while it was handled
    result_ = result;
    state_.store(Handled);
    state_.notify_one();
}

void QtMessageSender::Drain() {
    drainQueued_ = false;
    draining_ = true;
    const auto sliceEnd = Clock::now() + AnswerSlice;
    for (unsigned handled = 1;; ++handled) {
        if (HandlePosted()) {
            if (handled % 256 == 0 && Clock::now() >= sliceEnd)
                break;
            continue;
        }
        const auto waitEnd = std::min(Clock::now() + AnswerWindow, sliceEnd);
        if (!SpinUntil([this] { return state_.load() == Posted; }, waitEnd))
            break;
    }
    draining_ = false;
    // A message posted while this thread was about to stop answering found it still answering.
    if (state_.load() == Posted)
        QueueDrain();
}

void QtMessageSender::Close() {
    closed_ = true;
    int expected = Posted;
    if (state_.compare_exchange_strong(expected, Handling)) {
        Answer(0);
    } else if (expected == Handling && task_ == nullptr) {
        // A message's handler works on copies of its values; a task in progress may still use
        // what its sender holds, so that sender waits for its end.
        Answer(0);
    }
}

bool QtMessageSender::SenderWaiting() const {
    const int state = state_.load();
    return state == Posted || state == Handling;
}

} // namespace platform::ui
