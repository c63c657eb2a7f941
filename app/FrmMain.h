#pragma once

#include "app/component/SunImage.h"
#include "app/component/XP_Button.h"
#include "app/component/XP_ButtonSmall.h"
#include "app/copy_job.h"
#include "app/database/iPodcomponent.h"
#include "app/settings_store.h"
#include "app/song_view.h"
#include "platform/messages.h"
#include "platform/ui/save_dialog.h"

#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QMouseEvent;
class SkinnedWindow;
class TCloseUpComboBox;
class TCopyThread;
class TFormOption;
class TFormReport;
class TITunesStringGrid;
class TProgressBarItunes;
namespace platform {
class MountWatcher;
namespace ui {
class QtMessageSender;
}
} // namespace platform
enum class ViewKind;

// The main window: the iPod selector, the status line, the song table and the panes.
class TFormMain : public QWidget, public platform::MessageTarget {
    Q_OBJECT
public:
    static constexpr int DesignWidth = 704;
    static constexpr int DesignHeight = 499;

    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    // State shared with the other windows and the copy job.
    TiPod iPod;
    TSettingsStore Settings; // AppDir, PlayOnDoubleClick, OverwriteExisting
    bool PodReady = false;
    bool Copying = false;
    std::u16string SelectedDrive;
    std::unique_ptr<TStringList> ColumnWidths;
    std::unique_ptr<TStringList> CopySources;
    std::unique_ptr<TStringList> CopyTargets;
    std::unique_ptr<TStringList> CopyNames;
    std::vector<CopyResult> CopyResults; // what became of each entry of the job
    std::string CopyFolder;              // the folder the user chose for the job
    std::unique_ptr<TCopyThread> CopyThread;

    // The two other windows, created at start-up and reused.
    TFormOption* FormOption = nullptr;
    TFormReport* FormReport = nullptr;

    // Controls.
    TSunImage* iPodSelector = nullptr; // picture frame around the drop-down list
    TCloseUpComboBox* iPodSelectorCom = nullptr;
    TSunImage* Image3 = nullptr; // the word iPod
    QLabel* Notifier = nullptr;
    TProgressBarItunes* ProgressBarItunes = nullptr;
    TSunImage* SearchBox = nullptr; // picture frame around the search field
    QLineEdit* Edit1 = nullptr;
    TSunImage* Image4 = nullptr;      // the word Search
    TXP_Button* XP_Button5 = nullptr; // "WebSite"
    TXP_Button* XP_Button3 = nullptr; // "Options"
    TXP_Button* ButtonCopy = nullptr;
    TXP_ButtonSmall* XP_ButtonSmall1 = nullptr; // minimise
    TXP_ButtonSmall* XP_ButtonSmall3 = nullptr; // close
    TXP_ButtonSmall* XP_ButtonSmall2 = nullptr; // help
    TITunesStringGrid* AlbumList = nullptr;
    TITunesStringGrid* ArtistList = nullptr;
    TITunesStringGrid* FileTypeList = nullptr;
    TITunesStringGrid* AdvStringGridSong = nullptr;

    QMenu* SunPopupMenuSongs = nullptr;
    QAction* CopyoutSong = nullptr;
    QAction* SelectAllSong = nullptr;
    QAction* InvertSelectSong = nullptr;
    QAction* ClearSelectSong = nullptr;
    QMenu* SunPopupMenuArtist = nullptr;
    QAction* SelectAllArtist = nullptr;
    QAction* InvertSelectArtist = nullptr;
    QAction* ClearSelectArtist = nullptr;
    QMenu* SunPopupMenuAlbum = nullptr;
    QAction* SelectAllAlbum = nullptr;
    QAction* InvertSelectAlbum = nullptr;
    QAction* ClearSelectAlbum = nullptr;
    QMenu* SunPopupMenuFileType = nullptr;
    QAction* SelectAllFileType = nullptr;
    QAction* InvertSelectFileType = nullptr;
    QAction* ClearSelectFileType = nullptr;

    // Skin pieces of the frame.
    TSunImage* SunImage1 = nullptr;
    TSunImage* SunImage3 = nullptr;
    TSunImage* SunImage4 = nullptr;
    TSunImage* SunImage5 = nullptr;
    TSunImage* SunImage6 = nullptr;
    TSunImage* SunImage7 = nullptr;
    TSunImage* SunImage8 = nullptr;
    TSunImage* SunImage9 = nullptr;
    TSunImage* SunImage10 = nullptr;
    TSunImage* ImageB1 = nullptr;
    TSunImage* ImageB2 = nullptr;
    TSunImage* ImageB3 = nullptr;
    TSunImage* Image1 = nullptr; // product name
    TSunImage* Image2 = nullptr; // home-page address

    void SetPlayOnDoubleClick(bool value) { Settings.SetPlayOnDoubleClick(value); }
    void SetOverwriteExisting(bool value) { Settings.SetOverwriteExisting(value); }
    void SetSortIntoFolders(bool value) { Settings.SetSortIntoFolders(value); }

    void ShowStatus(const std::string& text);
    std::string StatusText() const;

    void LoadSelectedPod();

    // Copy job control.
    void CopyoutSongClick();
    void ButtonCopyClick();
    void XP_ButtonSmall3Click();
    void CMProgress(platform::WPARAM wParam, platform::LPARAM lParam);
    void CMProgressFinish();
    void CMProgressStopped();
    void XP_Button3Click(); // "Options"

    // Window chrome: dragging by the frame, the title-bar buttons.
    void APPMoesemove(QMouseEvent* event);
    void XP_ButtonSmall1Click();
    void XP_ButtonSmall2Click();
    void XP_Button5Click();

    // The product's pages, handed to the shell with the main window as owner.
    void OpenHomePage();
    void OpenSupportPage();
    bool GetiPodDriver();
    std::string GetVolumInformation(char letter);
    void iPodSelectorComCloseUp();
    void WMDeviceChange(platform::WPARAM event);

    void ReadIniFile();
    void WriteIniFile();

    void ArrangePanes();
    void DisPlaySongsInit();
    void DisPlaySongs(int kind, const TStringList* values = nullptr);
    void AddSongRow(std::int32_t index);
    void DisPlayOtherInit();
    void DisPlayOther();

    // The song behind a row of the song table: the catalogue song it was built from; for a row
    // built from none (an empty row) or from an earlier catalogue, the song its title names.
    TSong SongOfRow(int row) const;
    // The index of that song in the catalogue; nullopt for a row that names none.
    std::optional<std::size_t> SongIndexOfRow(int row) const;

    // Filtering and search.
    void DisPlayCurrentAlbumSongs();
    void DisPlayCurrentArtistSongs();
    void DisPlayCurrentFileTypeSongs();
    void AlbumListClick();
    void ArtistListClick();
    void FileTypeListClick();
    void Edit1KeyDown(int key);

    // Selection commands and the status line.
    void CountMarkedSongs();
    void SunPopupMenuSongsPopup();
    void SunPopupMenuArtistPopup();
    void SunPopupMenuAlbumPopup();
    void SunPopupMenuFileTypePopup();
    void SelectAllSongClick();
    void InvertSelectSongClick();
    void ClearSelectSongClick();
    void SelectAllArtistClick();
    void InvertSelectArtistClick();
    void ClearSelectArtistClick();
    void SelectAllAlbumClick();
    void InvertSelectAlbumClick();
    void ClearSelectAlbumClick();
    void SelectAllFileTypeClick();
    void InvertSelectFileTypeClick();
    void ClearSelectFileTypeClick();
    void AdvStringGridSongRightClickCell(int row);
    void AdvStringGridSongMouseUp();

    // Playback.
    void AdvStringGridSongDblClickCell(int row, int col);

    platform::LRESULT WndProc(unsigned message, platform::WPARAM wParam,
                              platform::LPARAM lParam) override;

protected:
    void setVisible(bool visible) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void CreateSkin();
    void RecreateTables();
    void CreateTables();
    void LoadCatalogue();
    void CreateMenus();
    void PaneFilter(TITunesStringGrid* pane, ViewKind kind, const char* tag);
    void PaneRightClickCell(TITunesStringGrid* pane, int row, void (TFormMain::*filter)());
    void MarkPaneRows(TITunesStringGrid* pane, bool invert);
    void ClearPaneRows(TITunesStringGrid* pane);
    void FillNamePane(TITunesStringGrid* pane, const char* header, const NameList& names);
    void InitPane(TITunesStringGrid* pane, const char* header);
    void FormCreate();
    void FormShow();
    void CentreOnScreen();
    void FormClose();

    // The names of a job's files: the library layout when sorting into folders is on.
    std::optional<NameTemplate> LibraryLayout() const;
    void FinishJob(const std::string& status);
    void AbandonJob();
    std::string StopStatus() const;

    SkinnedWindow* skin_ = nullptr;
    bool shownOnce_ = false;
    bool quitConfirmed_ = false;
    std::unique_ptr<platform::ui::QtMessageSender> sender_;
    platform::ui::SaveDialogRequest saveRequest_; // the dialog keeps what it last proposed
    int addedRows_ = 0;        // rows added by the rebuild in progress
    std::uint32_t catalogueGeneration_ = 0; // changes with every load, to date the rows
    std::unique_ptr<TSongTexts> songTexts_; // the catalogue's texts, converted once per load
    std::uint32_t songTextsGeneration_ = 0;
    const TSongTexts& SongTexts();
    std::unique_ptr<platform::MountWatcher> mountWatcher_;
};
