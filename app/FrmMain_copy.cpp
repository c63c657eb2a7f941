// The main window's side of a copy job: building it from the marked rows, the button that
// pauses and continues it, the close question, progress, and the end of the job.
#include "app/FrmMain.h"

#include "app/FrmOption.h"
#include "app/FrmReport.h"
#include "app/component/CloseUpComboBox.h"
#include "app/component/ITunesStringGrid.h"
#include "app/component/XP_Button.h"
#include "app/component/XP_ProgressBar_Itunes.h"
#include "app/copy_messages.h"
#include "app/copy_thread.h"
#include "app/error_log.h"
#include "app/output_naming.h"
#include "app/shown_paths.h"
#include "platform/text.h"
#include "platform/ui/message_box.h"
#include "platform/ui/message_sender.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <thread>

namespace {

constexpr const char* CopyCaption = "Copy";
constexpr const char* PauseCaption = "Pause";
constexpr const char* ContinueCaption = "Continue";

} // namespace

void TFormMain::CopyoutSongClick() {
    if (iPod.DriveRoot.empty() || Copying)
        return;
    try {
        if (AdvStringGridSong->MarkedRowCount() <= 0)
            return;
        saveRequest_.title = "Select Directory...";
        for (int row = 1; row < AdvStringGridSong->RowCount(); ++row) {
            if (!AdvStringGridSong->IsRowMarked(row))
                continue;
            const std::string extension =
                ExtensionPart(platform::text::WideToAnsi(SongOfRow(row).Location));
            // The name the file will get: a "/" in a title would make the dialog a folder.
            saveRequest_.fileName = SafeFileName(AdvStringGridSong->GetCell(1, row), extension);
            saveRequest_.filter = extension;
            break;
        }
        const auto confirmed = platform::ui::SaveDialogs().Run(this, saveRequest_);
        if (!confirmed)
            return;
        CopyDestination destination{DestinationFolder(*confirmed), LibraryLayout()};
        for (int row = 1; row < AdvStringGridSong->RowCount(); ++row) {
            if (!AdvStringGridSong->IsRowMarked(row))
                continue;
            const std::optional<std::size_t> index = SongIndexOfRow(row);
            AppendCopyEntry(iPod, index ? iPod.Songs[*index] : TSong(),
                            index ? iPod.FactsAt(*index) : TrackFacts(), destination, *CopySources,
                            *CopyTargets, *CopyNames);
        }
        if (CopySources->empty())
            return;
        CopyFolder = destination.Folder;
        CopyResults.assign(CopySources->size(), CopyResult{});
        Copying = true;
        ButtonCopy->setText(PauseCaption);
        if (CopyThread)
            CopyThread->WaitFor();
        // A file's text that was on its way when the job was paused would hide "Copy process
        // paused."; the worker shows the next file's text once it goes on.
        CopyThread = std::make_unique<TCopyThread>(*sender_, Settings.OverwriteExisting,
                                                   [this](const std::string& text) {
                                                       if (!CopyThread->Suspended())
                                                           ShowStatus(text);
                                                   });
        CopyThread->CopySources = CopySources.get();
        CopyThread->CopyTargets = CopyTargets.get();
        CopyThread->CopyNames = CopyNames.get();
        CopyThread->CopyResults = &CopyResults;
        CopyThread->MakeFolders = destination.HasFolders();
        CopyThread->Resume();
    } catch (const std::exception& error) {
        TLogClass::WriteErrorLog(std::string("CopyoutClick:") + error.what());
    }
}

std::optional<NameTemplate> TFormMain::LibraryLayout() const {
    if (!Settings.SortIntoFolders)
        return std::nullopt;
    std::string problem;
    return NameTemplate::Parse(NameTemplate::SuggestedLayout, problem);
}

void TFormMain::ButtonCopyClick() {
    const QString caption = ButtonCopy->text();
    if (caption == CopyCaption) {
        ProgressBarItunes->SetPosition(0);
        if (CopyoutSong->isEnabled())
            CopyoutSong->trigger();
    } else if (caption == PauseCaption) {
        CopyThread->Suspend();
        ButtonCopy->setText(ContinueCaption);
        ShowStatus("Copy process paused.");
    } else if (caption == ContinueCaption) {
        CopyThread->Resume();
        ButtonCopy->setText(PauseCaption);
        ShowStatus("Continue copy.");
    }
}

void TFormMain::XP_ButtonSmall3Click() {
    if (!Copying) {
        close();
        return;
    }
    const bool wasRunning = ButtonCopy->text() == PauseCaption;
    if (wasRunning)
        ButtonCopyClick(); // pauses
    const auto answer = platform::ui::MessageBoxes().Show(
        this, "Quit and ignore copying file?", "Quillmere",
        platform::ui::MessageBoxIcon::Information, platform::ui::MessageBoxButtons::YesNo);
    if (answer == platform::ui::MessageBoxAnswer::Yes) {
        quitConfirmed_ = true;
        close();
        return;
    }
    if (wasRunning)
        ButtonCopyClick(); // continues
}

void TFormMain::AbandonJob() {
    if (!CopyThread || CopyThread->Finished())
        return;
    // The worker removes its unfinished file; a send already on its way is answered unhandled.
    sender_->Close();
    CopyThread->Abandon();
    CopyThread->WaitFor();
}

void TFormMain::CMProgress(platform::WPARAM wParam, platform::LPARAM lParam) {
    ProgressBarItunes->SetMax(lParam);
    ProgressBarItunes->SetPosition(ProgressBarItunes->Position() +
                                   static_cast<std::int64_t>(wParam));
}

void TFormMain::FinishJob(const std::string& status) {
    if (FormReport) {
        FormReport->ReportFiles = CopyNames.get();
        FormReport->ReportPaths = CopyTargets.get();
        FormReport->ReportResults = &CopyResults;
        FormReport->ReportFolder = &CopyFolder;
        FormReport->ShowModal();
    }
    DisPlaySongs(0);
    DisPlayOther();
    ProgressBarItunes->SetPosition(0);
    Copying = false;
    ButtonCopy->setText(CopyCaption);
    CopySources->clear();
    CopyTargets->clear();
    CopyNames->clear();
    CopyResults.clear();
    CopyFolder.clear();
    ShowStatus(status);
}

void TFormMain::CMProgressFinish() {
    try {
        ShowStatus(" Copy Finished ");
        FinishJob(std::to_string(iPodSelectorCom->count()) + " iPod detected.");
    } catch (const std::exception& error) {
        TLogClass::WriteErrorLog(std::string("CMProgressFinish:") + error.what());
    }
}

// The worker's reason ends in a whole path where it names a file; the status line has room
// for the file's name.
std::string TFormMain::StopStatus() const {
    std::string reason = CopyThread ? CopyThread->StopReason() : std::string();
    if (const std::size_t at = EndingPathStart(reason); at != std::string::npos)
        reason.replace(at, std::string::npos, FileNamePart(reason.substr(at)));
    return "Copy stopped: " + reason;
}

void TFormMain::CMProgressStopped() {
    try {
        const std::string status = StopStatus();
        ShowStatus(status);
        FinishJob(status);
    } catch (const std::exception& error) {
        TLogClass::WriteErrorLog(std::string("CMProgressFinish:") + error.what());
    }
}

void TFormMain::XP_Button3Click() {
    if (!FormOption)
        return;
    FormOption->SetOverwriteExisting(Settings.OverwriteExisting);
    FormOption->SetPlayOnDoubleClick(Settings.PlayOnDoubleClick);
    FormOption->SetSortIntoFolders(Settings.SortIntoFolders);
    FormOption->ShowModal();
}
