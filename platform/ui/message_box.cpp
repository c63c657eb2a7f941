#include "platform/ui/message_box.h"

#include <QMessageBox>

namespace platform::ui {
namespace {

class QtMessageBoxes : public MessageBoxService {
public:
    MessageBoxAnswer Show(QWidget* owner, const std::string& text, const std::string& caption,
                          MessageBoxIcon icon, MessageBoxButtons buttons) override {
        QMessageBox box(owner);
        box.setWindowTitle(QString::fromStdString(caption));
        box.setTextFormat(Qt::PlainText); // messages quote paths and titles, never markup
        box.setText(QString::fromStdString(text));
        switch (icon) {
        case MessageBoxIcon::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case MessageBoxIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MessageBoxIcon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case MessageBoxIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        }
        if (buttons == MessageBoxButtons::YesNo) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setEscapeButton(QMessageBox::NoButton);
        } else {
            box.setStandardButtons(QMessageBox::Ok);
        }
        switch (box.exec()) {
        case QMessageBox::Ok:
            return MessageBoxAnswer::Ok;
        case QMessageBox::Yes:
            return MessageBoxAnswer::Yes;
        case QMessageBox::No:
            return MessageBoxAnswer::No;
        default:
            return MessageBoxAnswer::Closed;
        }
    }
};

QtMessageBoxes qtMessageBoxes;
MessageBoxService* current = &qtMessageBoxes;

} // namespace

MessageBoxService& MessageBoxes() { return *current; }

void SetMessageBoxes(MessageBoxService* service) {
    current = service ? service : &qtMessageBoxes;
}

} // namespace platform::ui
