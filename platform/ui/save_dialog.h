#pragma once

#include <optional>
#include <string>

class QWidget;

namespace platform::ui {

struct SaveDialogRequest {
    std::string title;
    std::string fileName; // proposed name
    std::string filter;   // an extension such as ".mp3"
};

// The common save-file dialog; tests script it. The desktop's opens in the user's music folder
// (else the home folder) the first time, then in the folder last confirmed.
class SaveDialogService {
public:
    virtual ~SaveDialogService() = default;
    // The confirmed path as a Windows path, or nullopt when the user cancelled.
    virtual std::optional<std::string> Run(QWidget* owner, const SaveDialogRequest& request) = 0;
};

SaveDialogService& SaveDialogs();
void SetSaveDialogs(SaveDialogService* service); // nullptr restores the QFileDialog one

} // namespace platform::ui
