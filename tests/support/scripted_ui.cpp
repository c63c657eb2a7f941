#include "tests/support/scripted_ui.h"

namespace testsupport {

platform::ui::MessageBoxAnswer ScriptedMessageBoxes::Show(QWidget*, const std::string& text,
                                                          const std::string& caption,
                                                          platform::ui::MessageBoxIcon icon,
                                                          platform::ui::MessageBoxButtons buttons) {
    shown.push_back({text, caption, icon, buttons});
    if (whileShown)
        whileShown();
    if (answers.empty())
        return platform::ui::MessageBoxAnswer::Ok;
    const auto answer = answers.front();
    answers.pop_front();
    return answer;
}

std::optional<std::string> ScriptedSaveDialogs::Run(QWidget*,
                                                    const platform::ui::SaveDialogRequest& request) {
    requests.push_back(request);
    return answer;
}

bool RecordingShell::ShellExecute(QWidget* owner, const std::string& verb,
                                  const std::string& file) {
    calls.push_back({verb, file, owner, {}});
    return true;
}

void RecordingShell::ShowInFolder(QWidget* owner, const std::string& folder,
                                  const std::string& file) {
    calls.push_back({"open", folder, owner, file});
}

ScriptedUi::ScriptedUi() {
    platform::ui::SetMessageBoxes(&boxes);
    platform::ui::SetSaveDialogs(&dialogs);
    platform::ui::SetShell(&shell);
}

ScriptedUi::~ScriptedUi() {
    platform::ui::SetMessageBoxes(nullptr);
    platform::ui::SetSaveDialogs(nullptr);
    platform::ui::SetShell(nullptr);
}

} // namespace testsupport
