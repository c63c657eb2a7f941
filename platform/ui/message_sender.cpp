#include "platform/ui/message_sender.h"

#include <QThread>

namespace platform::ui {

QtMessageSender::QtMessageSender(MessageTarget& target, QObject* parent)
    : QObject(parent), target_(target) {}

LRESULT QtMessageSender::SendMessage(unsigned message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    RunOnTargetThread([&] { result = target_.WndProc(message, wParam, lParam); });
    return result;
}

void QtMessageSender::RunOnTargetThread(const std::function<void()>& task) {
    if (QThread::currentThread() == thread()) {
        task();
        return;
    }
    QMetaObject::invokeMethod(this, task, Qt::BlockingQueuedConnection);
}

} // namespace platform::ui
