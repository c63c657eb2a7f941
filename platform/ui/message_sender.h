#pragma once

#include "platform/messages.h"

#include <QObject>
#include <atomic>
#include <mutex>

namespace platform::ui {

// SendMessage to a window from any thread. A call from the window's own thread goes straight
// through; one from another thread blocks until the window's thread has handled it, modal loops
// included.
//
// A worker may send a message per 2048-byte block, hundreds of thousands a second, so a
// cross-thread send is a handshake through one mailbox: once woken, the window's thread keeps
// answering messages as they come for a short slice before it returns to its event loop, and
// the sender waits by spinning briefly before it sleeps. No event is queued per message.
class QtMessageSender : public QObject, public MessageSender {
    Q_OBJECT
public:
    // Lives on the calling (window) thread.
    explicit QtMessageSender(MessageTarget& target, QObject* parent = nullptr);
    ~QtMessageSender() override;

    LRESULT SendMessage(unsigned message, WPARAM wParam, LPARAM lParam) override;
    void RunOnTargetThread(const std::function<void()>& task) override;

    // From the window's thread: a pending send and every later one return 0 unhandled, so that
    // the window can stop waiting for a worker that is still sending. A message whose handling
    // is in progress further down this thread's stack (a modal window opened by its handler) is
    // answered 0 at once; its handler's own answer is then dropped, so each send gets one
    // answer. A task in progress is answered when it ends.
    void Close();

    // True while a cross-thread send is posted or being handled, its sender waiting.
    bool SenderWaiting() const;

protected:
    // Answers what senders posted when one of them asks (an event of its own).
    bool event(QEvent* event) override;

private:
    // Empty -> Posted (sender) -> Handling (window) -> Handled (window) -> Empty (sender); a
    // sender takes back a Posted message only after Close().
    enum State : int { Empty, Posted, Handling, Handled };

    LRESULT Exchange(unsigned message, WPARAM wParam, LPARAM lParam,
                     const std::function<void()>* task);
    void Drain();
    bool HandlePosted();
    void Answer(LRESULT result);
    void QueueDrain();

    MessageTarget& target_;
    std::mutex senders_; // one cross-thread send at a time
    std::atomic<int> state_{Empty};
    std::atomic<bool> draining_{false};
    std::atomic<bool> drainQueued_{false};
    std::atomic<bool> closed_{false};
    unsigned message_ = 0;
    WPARAM wParam_ = 0;
    LPARAM lParam_ = 0;
    const std::function<void()>* task_ = nullptr;
    LRESULT result_ = 0;
};

} // namespace platform::ui
