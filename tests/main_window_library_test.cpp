// "Sort into artist and album folders." as the user meets it: ticked in the options window and
// saved, a real copy job through the real worker into artist and album folders, the report and
// its "Open Directory"; only the save dialog and the shell are scripted.
#include "app/FrmOption.h"
#include "app/FrmReport.h"
#include "app/component/ITunesStringGrid.h"
#include "app/component/XP_Button.h"
#include "tests/support/ipod_folder.h"
#include "tests/support/main_window_fixture.h"

#include <QCheckBox>
#include <QTest>
#include <QTimer>
#include <gmock/gmock.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using ::testing::ElementsAre;
using testsupport::MainWindowFixture;

class MainWindowLibraryTest : public MainWindowFixture {
protected:
    static itunesdb::SongFields Track(const std::u16string& title, const std::u16string& artist,
                                      const std::u16string& album, std::uint32_t disc,
                                      std::uint32_t track, const std::u16string& location) {
        itunesdb::SongFields fields = SongOf(title, album, artist, location);
        fields.numbers.discNumber = disc;
        fields.numbers.trackNumber = track;
        return fields;
    }

    TFormMain& StartWithLibrary() {
        std::vector<itunesdb::SongFields> songs = {
            Track(u"Intro", u"Harbor Lights", u"Night Drive", 1, 1,
                  u":iPod_Control:Music:F00:S0.mp3"),
            Track(u"Intro", u"Quiet Arcade", u"Sound Check", 0, 1,
                  u":iPod_Control:Music:F00:S1.mp3"),
            Track(u"What?", u"", u"", 0, 0, u":iPod_Control:Music:F00:S2.mp3"),
        };
        songs[0].albumArtist = u"Harbor Lights";
        AttachIPod('e', "pod", songs);
        InstallSettings(false, true);
        TFormMain& main = Start();
        main.FormReport = new TFormReport(main); // owned by the main window, as at start-up
        main.FormOption = new TFormOption(main);
        return main;
    }

    fs::path Out(const std::string& relative) const {
        return platform_.Root().Path() / "out" / relative;
    }
    // Every file and folder below c:\out (folders end in "/"), sorted.
    std::vector<std::string> Tree() const {
        std::vector<std::string> entries;
        for (const auto& entry : fs::recursive_directory_iterator(Out(""))) {
            const std::string relative = fs::relative(entry.path(), Out("")).string();
            entries.push_back(entry.is_directory() ? relative + "/" : relative);
        }
        std::sort(entries.begin(), entries.end());
        return entries;
    }

    // The user opens the options window with "Options", clicks the folder option's check box
    // and presses "Save".
    void ToggleSortingInTheOptionsWindow() {
        TFormMain& main = *window_;
        bool clicked = false;
        auto* timer = new QTimer(&main);
        QObject::connect(timer, &QTimer::timeout, timer, [&, timer] {
            if (!main.FormOption->isVisible())
                return;
            timer->stop();
            QTest::mouseClick(main.FormOption->SortFolders, Qt::LeftButton);
            QTest::mouseClick(main.FormOption->OpenDir, Qt::LeftButton);
            clicked = true;
        });
        timer->start(5);
        QTest::mouseClick(main.XP_Button3, Qt::LeftButton);
        timer->deleteLater();
        EXPECT_TRUE(clicked);
        EXPECT_FALSE(main.FormOption->isVisible());
    }

    // Marks every row, presses "Copy", and once the report shows, notes its paths, presses
    // "Open Directory" and then "Close".
    void CopyAllAndOpenTheFolderFromTheReport() {
        TFormMain& main = *window_;
        for (int row = 1; row < main.AdvStringGridSong->RowCount(); ++row)
            ClickCell(main.AdvStringGridSong, 1, row,
                      row == 1 ? Qt::NoModifier : Qt::ControlModifier);
        auto* timer = new QTimer(&main);
        QObject::connect(timer, &QTimer::timeout, timer, [this, &main, timer] {
            TFormReport* report = main.FormReport;
            if (!report->isVisible())
                return;
            timer->stop();
            reportPaths_ = Column(report->Reporter, 1);
            QTest::mouseClick(report->OpenDir, Qt::LeftButton);
            QTest::mouseClick(report->CloseButton, Qt::LeftButton);
        });
        timer->start(5);
        QTest::mouseClick(main.ButtonCopy, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !main.Copying; }, 20000));
        timer->deleteLater();
    }

    std::vector<std::string> reportPaths_;
};

TEST_F(MainWindowLibraryTest, SortedIntoFoldersTheJobMakesArtistAndAlbumFoldersUnderTheChosenOne) {
    TFormMain& main = StartWithLibrary();
    fs::create_directories(Out(""));
    ui_.dialogs.answer = "c:\\out\\anything.mp3";
    ToggleSortingInTheOptionsWindow();
    ASSERT_TRUE(main.Settings.SortIntoFolders);

    CopyAllAndOpenTheFolderFromTheReport();

    EXPECT_EQ(Tree(), (std::vector<std::string>{"Harbor Lights/", "Harbor Lights/Night Drive/",
                                                "Harbor Lights/Night Drive/1-01 Intro.mp3",
                                                "Quiet Arcade/", "Quiet Arcade/Sound Check/",
                                                "Quiet Arcade/Sound Check/01 Intro.mp3",
                                                "Unknown Artist/", "Unknown Artist/Unknown Album/",
                                                "Unknown Artist/Unknown Album/What_.mp3"}));
    // The report shows where each file really went; "Open Directory" opens the chosen folder.
    EXPECT_THAT(reportPaths_, ElementsAre(Out("Harbor Lights/Night Drive/1-01 Intro.mp3").string(),
                                          Out("Quiet Arcade/Sound Check/01 Intro.mp3").string(),
                                          Out("Unknown Artist/Unknown Album/What_.mp3").string()));
    ASSERT_EQ(ui_.shell.calls.size(), 1u);
    EXPECT_EQ(ui_.shell.calls[0].file, "c:\\out");
    EXPECT_EQ(ui_.shell.calls[0].selected, "c:\\out\\Harbor Lights");
}

TEST_F(MainWindowLibraryTest, TurnedOffAgainTheJobCopiesIntoTheChosenFolderAsBefore) {
    TFormMain& main = StartWithLibrary();
    ToggleSortingInTheOptionsWindow();
    ToggleSortingInTheOptionsWindow();
    ASSERT_FALSE(main.Settings.SortIntoFolders);
    fs::create_directories(Out(""));
    ui_.dialogs.answer = "c:\\out\\anything.mp3";

    CopyAllAndOpenTheFolderFromTheReport();

    EXPECT_EQ(Tree(), (std::vector<std::string>{"Intro(1).mp3", "Intro.mp3", "What_.mp3"}));
    EXPECT_THAT(reportPaths_, ElementsAre(Out("Intro.mp3").string(), Out("Intro(1).mp3").string(),
                                          Out("What_.mp3").string()));
    ASSERT_EQ(ui_.shell.calls.size(), 1u);
    EXPECT_EQ(ui_.shell.calls[0].file, "c:\\out");
    EXPECT_EQ(ui_.shell.calls[0].selected, "c:\\out\\Intro.mp3");
}

} // namespace
