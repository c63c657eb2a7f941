#pragma once

#include <string>

class QWidget;

namespace platform::ui {

enum class MessageBoxIcon { Error, Information, Warning, Question };
enum class MessageBoxButtons { Ok, YesNo };
enum class MessageBoxAnswer { Ok, Yes, No, Closed };

// Message boxes go through this service so that tests can answer them.
class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    virtual MessageBoxAnswer Show(QWidget* owner, const std::string& text,
                                  const std::string& caption, MessageBoxIcon icon,
                                  MessageBoxButtons buttons) = 0;
};

// The process's service: a QMessageBox unless a test installed its own.
MessageBoxService& MessageBoxes();
void SetMessageBoxes(MessageBoxService* service); // nullptr restores the QMessageBox one

} // namespace platform::ui
