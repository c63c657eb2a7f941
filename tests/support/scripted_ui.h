#pragma once

#include "platform/ui/message_box.h"
#include "platform/ui/save_dialog.h"
#include "platform/ui/shell.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// Message boxes answered by the test, remembered with their texts.
class ScriptedMessageBoxes : public platform::ui::MessageBoxService {
public:
    struct Shown {
        std::string text, caption;
        platform::ui::MessageBoxIcon icon;
        platform::ui::MessageBoxButtons buttons;
    };
    platform::ui::MessageBoxAnswer Show(QWidget*, const std::string& text,
                                        const std::string& caption,
                                        platform::ui::MessageBoxIcon icon,
                                        platform::ui::MessageBoxButtons buttons) override;

    std::deque<platform::ui::MessageBoxAnswer> answers; // Ok when empty
    std::vector<Shown> shown;
    std::function<void()> whileShown; // runs inside Show, as a person would act meanwhile
};

// The save dialog answered with a scripted path (a Windows path) or cancelled.
class ScriptedSaveDialogs : public platform::ui::SaveDialogService {
public:
    std::optional<std::string> Run(QWidget*, const platform::ui::SaveDialogRequest& request) override;

    std::optional<std::string> answer;
    std::vector<platform::ui::SaveDialogRequest> requests;
};

// The shell, recording what it was asked to open.
class RecordingShell : public platform::ui::ShellService {
public:
    struct Call {
        std::string verb, file;
        QWidget* owner = nullptr;
        std::string selected; // the file to select in the folder `file`, for ShowInFolder
    };
    bool ShellExecute(QWidget*, const std::string& verb, const std::string& file) override;
    // Recorded as an "open" of the folder with the file to select.
    void ShowInFolder(QWidget* owner, const std::string& folder, const std::string& file) override;

    std::vector<Call> calls;
};

// Installs the three for the life of the object.
class ScriptedUi {
public:
    ScriptedUi();
    ~ScriptedUi();
    ScriptedUi(const ScriptedUi&) = delete;
    ScriptedUi& operator=(const ScriptedUi&) = delete;

    ScriptedMessageBoxes boxes;
    ScriptedSaveDialogs dialogs;
    RecordingShell shell;
};

} // namespace testsupport
