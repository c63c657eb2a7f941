#include "platform/ui/save_dialog.h"

#include "platform/drives.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform::ui {
namespace {

// Where a person keeps music: the XDG music folder when it exists, else the home folder.
QString MusicFolder() {
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (!music.isEmpty() && QFileInfo(music).isDir())
        return music;
    return QDir::homePath();
}

class QtSaveDialogs : public SaveDialogService {
public:
    std::optional<std::string> Run(QWidget* owner, const SaveDialogRequest& request) override {
        QFileDialog dialog(owner, QString::fromStdString(request.title));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        if (!request.filter.empty()) {
            const QString extension = QString::fromStdString(request.filter);
            dialog.setNameFilter(extension + " (*" + extension + ")");
        }
        // The music folder the first time, then the folder last confirmed while it is there.
        dialog.setDirectory(!lastFolder_.isEmpty() && QFileInfo(lastFolder_).isDir()
                                ? lastFolder_
                                : MusicFolder());
        dialog.selectFile(QString::fromStdString(request.fileName));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        const QString chosen = dialog.selectedFiles().first();
        lastFolder_ = QFileInfo(chosen).absolutePath();
        return Drives().ToWindowsPath(chosen.toStdString());
    }

private:
    QString lastFolder_;
};

QtSaveDialogs qtSaveDialogs;
SaveDialogService* current = &qtSaveDialogs;

} // namespace

SaveDialogService& SaveDialogs() { return *current; }

void SetSaveDialogs(SaveDialogService* service) { current = service ? service : &qtSaveDialogs; }

} // namespace platform::ui
