#include "app/component/CloseUpComboBox.h"
#include "app/component/ITunesStringGrid.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/registry.h"
#include "tests/support/main_window_fixture.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testsupport::MainWindowFixture;

class MainWindowTest : public MainWindowFixture {};

class FailingOpen : public platform::files::FaultHook {
public:
    bool FailOpen(const std::string& hostPath) override {
        return hostPath.find("iTunesDB") != std::string::npos;
    }
};

} // namespace

TEST_F(MainWindowTest, WithoutAniPodTheWindowAsksForOne) {
    InstallSettings();
    TFormMain& main = Start();
    EXPECT_THAT(SelectorEntries(), ElementsAre("Please connect your iPod"));
    EXPECT_EQ(main.StatusText(), "Please connect your iPod");
    EXPECT_FALSE(main.PodReady);
    EXPECT_EQ(main.AdvStringGridSong->RowCount(), 2);
    EXPECT_EQ(main.AdvStringGridSong->GetCell(1, 0), "Title");
    EXPECT_EQ(main.ArtistList->GetCell(1, 0), "Artist List");
    EXPECT_EQ(main.ArtistList->GetCell(1, 1), "");
}

TEST_F(MainWindowTest, TwoiPodsAreListedInLetterOrderAndTheFirstIsLoaded) {
    InstallSettings();
    AttachIPod('g', "Second", Songs(u"g", 2));
    AttachIPod('e', "IPOD", Songs(u"e", 3));
    TFormMain& main = Start();
    EXPECT_THAT(SelectorEntries(), ElementsAre(" [ipod]  e:", " [second]  g:"));
    EXPECT_EQ(main.iPodSelectorCom->currentIndex(), 0);
    EXPECT_EQ(main.SelectedDrive, u"e:");
    EXPECT_TRUE(main.PodReady);
    EXPECT_EQ(main.iPod.GetSongCount(), 3);
    EXPECT_EQ(main.StatusText(), "3 Files found in your iPod.");
    EXPECT_EQ(main.AdvStringGridSong->GetCell(1, 1), "eA");
}

TEST_F(MainWindowTest, PickingAnEntryLoadsItAndADeviceArrivalKeepsTheChoice) {
    for (const PickBy by : {PickBy::Mouse, PickBy::Keys}) {
        SCOPED_TRACE(by == PickBy::Mouse ? "mouse" : "keys");
        if (window_)
            Stop();
        InstallSettings();
        AttachIPod('e', "first", Songs(u"e", 3));
        AttachIPod('g', "second", Songs(u"g", 2));
        TFormMain& main = Start();

        PickSelectorEntry(1, by);
        EXPECT_EQ(main.iPodSelectorCom->currentIndex(), 1);
        EXPECT_EQ(main.SelectedDrive, u"g:");
        EXPECT_EQ(main.iPod.GetSongCount(), 2);
        EXPECT_EQ(main.AdvStringGridSong->GetCell(1, 1), "gA");

        // And back to the first one.
        PickSelectorEntry(0, by);
        EXPECT_EQ(main.SelectedDrive, u"e:");
        EXPECT_EQ(main.AdvStringGridSong->GetCell(1, 1), "eA");
        PickSelectorEntry(1, by);

        main.WndProc(platform::WM_DEVICECHANGE, platform::DBT_DEVICEREMOVECOMPLETE, 0);
        EXPECT_EQ(main.StatusText(), "2 Files found in your iPod."); // removals are ignored
        main.WndProc(platform::WM_DEVICECHANGE, platform::DBT_DEVICEARRIVAL, 0);
        EXPECT_EQ(main.iPodSelectorCom->currentIndex(), 0);
        EXPECT_EQ(main.SelectedDrive, u"g:");
        EXPECT_EQ(main.iPod.GetSongCount(), 2);
    }
}

TEST_F(MainWindowTest, ADriveWithoutDatabaseIsListedAndKeepsTheLoadedSongs) {
    InstallSettings();
    AttachIPod('e', "full", Songs(u"e", 3));
    const auto empty = AttachIPod('f', "empty", Songs(u"f", 1));
    std::filesystem::remove(empty / "iPod_Control" / "iTunes" / "iTunesDB");
    TFormMain& main = Start();
    EXPECT_THAT(SelectorEntries(), ElementsAre(" [full]  e:", " [empty]  f:"));
    PickSelectorEntry(1);
    EXPECT_EQ(main.SelectedDrive, u"f:");
    EXPECT_EQ(main.iPod.GetSongCount(), 3);
    EXPECT_EQ(main.AdvStringGridSong->RowCount(), 4);
}

TEST_F(MainWindowTest, UnreadableDatabaseAtStartIsLoggedNotShown) {
    InstallSettings();
    AttachIPod('e', "pod", Songs(u"e", 2));
    FailingOpen failing;
    platform::files::SetFaultHook(&failing);
    TFormMain& main = Start();
    platform::files::SetFaultHook(nullptr);
    EXPECT_TRUE(ui_.boxes.shown.empty());
    EXPECT_EQ(main.AdvStringGridSong->RowCount(), 2);
    EXPECT_THAT(AppDirFile("app.cnt"),
                HasSubstr("=FormShow:Cannot open file e:\\iPod_Control\\iTunes\\itunesdb\r\n"));
}

TEST_F(MainWindowTest, ErrorsOfTheSelectorReachTheDefaultMessageBox) {
    InstallSettings();
    AttachIPod('e', "pod", Songs(u"e", 2));
    TFormMain& main = Start();
    FailingOpen failing;
    platform::files::SetFaultHook(&failing);
    PickSelectorEntry(0);
    platform::files::SetFaultHook(nullptr);
    ASSERT_EQ(ui_.boxes.shown.size(), 1u);
    EXPECT_EQ(ui_.boxes.shown[0].caption, "Quillmere");
    EXPECT_EQ(ui_.boxes.shown[0].text, "Cannot open file e:\\iPod_Control\\iTunes\\itunesdb.");
    EXPECT_EQ(ui_.boxes.shown[0].icon, platform::ui::MessageBoxIcon::Error);
    EXPECT_EQ(main.iPod.GetSongCount(), 2);
}

TEST_F(MainWindowTest, OnlyAnOpenedListClosesUp) {
    InstallSettings();
    AttachIPod('e', "first", Songs(u"e", 3));
    AttachIPod('g', "second", Songs(u"g", 2));
    TFormMain& main = Start();
    // Hiding a list that never opened (as the window does when it goes away) changes nothing.
    main.iPodSelectorCom->setCurrentIndex(1);
    main.iPodSelectorCom->hidePopup();
    QCoreApplication::processEvents();
    EXPECT_EQ(main.SelectedDrive, u"e:");
    // Closing the list without changing the entry reloads it all the same.
    PickSelectorEntry(1);
    EXPECT_EQ(main.SelectedDrive, u"g:");
    for (const bool dismissed : {false, true}) {
        main.ShowStatus("something else");
        if (dismissed)
            OpenAndDismissSelector();
        else
            PickSelectorEntry(1);
        EXPECT_EQ(main.SelectedDrive, u"g:");
        EXPECT_EQ(main.StatusText(), "2 Files found in your iPod.");
    }
}

TEST_F(MainWindowTest, ShowingCentresTheWindowOnTheScreen) {
    TFormMain& main = Start();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(main.x(), (screen.width() - 704) / 2);
    EXPECT_EQ(main.y(), (screen.height() - 499) / 2);
    EXPECT_EQ(main.XP_Button5->text(), "WebSite");
}

TEST_F(MainWindowTest, ClosingWritesTheLayoutFileThenTheRegistry) {
    InstallSettings(true, false);
    TFormMain& main = Start();
    EXPECT_TRUE(main.Settings.PlayOnDoubleClick);
    EXPECT_FALSE(main.Settings.OverwriteExisting);
    main.AlbumList->hide();
    main.AdvStringGridSong->SetColWidths(3, 0);
    main.SetOverwriteExisting(true);
    Stop();
    const std::string layout = AppDirFile("ipodpos.dll");
    EXPECT_THAT(layout, HasSubstr("AlbumList=0\r\n"));
    EXPECT_THAT(layout, HasSubstr("3=0\r\n"));
    EXPECT_THAT(layout, HasSubstr("2=80\r\n"));
    auto& registry = platform::CurrentUser();
    EXPECT_EQ(registry.QueryValue("Software\\Quillmere", "OverWriteExistFile")->AsDword(), 1u);
    EXPECT_EQ(registry.QueryValue("Software\\Quillmere", "DBClickPlaySong")->AsDword(), 1u);

    // The next start reads both back: the pane stays hidden, the column too.
    TFormMain& again = Start();
    EXPECT_FALSE(again.AlbumList->isVisibleTo(&again));
    EXPECT_EQ(again.AdvStringGridSong->ColWidths(3), 0);
    EXPECT_TRUE(again.Settings.OverwriteExisting);
}

TEST_F(MainWindowTest, AReadOnlyLayoutFileIsLeftAsItIsAndTheCloseSaysSoInTheLog) {
    InstallSettings();
    const std::string before = "[Visible]\r\nAlbumList=1\r\n";
    const auto layout = platform_.Root().WriteFile("app/ipodpos.dll", before);
    std::filesystem::permissions(layout, std::filesystem::perms(0444));
    TFormMain& main = Start();
    main.AlbumList->hide();
    Stop();
    EXPECT_EQ(AppDirFile("ipodpos.dll"), before);
    EXPECT_EQ(std::filesystem::status(layout).permissions(), std::filesystem::perms(0444));
    const std::string log = AppDirFile("app.cnt");
    const std::string entry = "=WriteIniFile:Unable to write to c:\\app\\ipodpos.dll\r\n";
    const auto first = log.find(entry);
    ASSERT_NE(first, std::string::npos) << log;
    EXPECT_EQ(log.find(entry, first + 1), std::string::npos) << log;
}

TEST_F(MainWindowTest, WithoutExeFileTheFilesLiveInTheRootOfTheCurrentDrive) {
    Start();
    Stop();
    EXPECT_THAT(AppDirFile("ipodpos.dll"), HasSubstr("[COLWIDTH]\r\n"));
    // No key: the registry write fails and says so in the root-folder log.
    EXPECT_THAT(AppDirFile("app.cnt"),
                HasSubstr("=WriteRegistry:Failed to set data for 'DBClickPlaySong'"));
    EXPECT_FALSE(platform::CurrentUser().KeyExists("Software\\Quillmere"));
}
