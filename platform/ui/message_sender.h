#pragma once

#include "platform/messages.h"

#include <QObject>

namespace platform::ui {

// SendMessage to a window from any thread: a call from the window's own thread goes straight
// through, one from another thread blocks until the window's thread has handled it (modal loops
// included).
class QtMessageSender : public QObject, public MessageSender {
    Q_OBJECT
public:
    // Lives on the calling (window) thread.
    explicit QtMessageSender(MessageTarget& target, QObject* parent = nullptr);

    LRESULT SendMessage(unsigned message, WPARAM wParam, LPARAM lParam) override;
    void RunOnTargetThread(const std::function<void()>& task) override;

private:
    MessageTarget& target_;
};

} // namespace platform::ui
