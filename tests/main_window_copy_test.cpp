// The copy job as the user drives it from the main window: the real worker thread, real files,
// the real report window; only the save dialog and the close question are scripted.
#include "app/FrmReport.h"
#include "app/component/ITunesStringGrid.h"
#include "app/component/XP_Button.h"
#include "app/component/XP_ProgressBar_Itunes.h"
#include "app/copy_thread.h"
#include "platform/files.h"
#include "tests/support/ipod_folder.h"
#include "tests/support/main_window_fixture.h"

#include <QAbstractButton>
#include <QTest>
#include <QTimer>
#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testsupport::MainWindowFixture;

constexpr auto Yes = platform::ui::MessageBoxAnswer::Yes;
constexpr auto No = platform::ui::MessageBoxAnswer::No;

// What the main window and the report showed while the report was open.
struct ReportSeen {
    int shown = 0;
    std::vector<std::string> files, paths;
    std::string status, caption;
    bool copying = false;
};

// Song files with their own content, so that a file copied from the wrong song shows.
struct SongFile {
    std::u16string title, album;
    std::string content; // no file at all when "missing"
};

class MainWindowCopyTest : public MainWindowFixture {
protected:
    TFormMain& StartWith(const std::vector<SongFile>& files, bool overwrite = true) {
        std::vector<itunesdb::SongFields> songs;
        for (std::size_t i = 0; i < files.size(); ++i)
            songs.push_back(SongOf(files[i].title, files[i].album, u"Artist",
                                   u":iPod_Control:Music:F00:S" + Digits(i) + u".mp3"));
        const fs::path root = AttachIPod('e', "pod", songs);
        for (std::size_t i = 0; i < files.size(); ++i) {
            const fs::path file = testsupport::HostPathOfLocation(
                root, ":iPod_Control:Music:F00:S" + std::to_string(i) + ".mp3");
            if (files[i].content == "missing")
                fs::remove(file);
            else
                std::ofstream(file, std::ios::binary | std::ios::trunc) << files[i].content;
        }
        InstallSettings(false, overwrite);
        fs::create_directories(Out(""));
        TFormMain& main = Start();
        main.FormReport = new TFormReport(main); // owned by the main window, as at start-up
        ui_.dialogs.answer = "c:\\out\\anything.mp3";
        return main;
    }

    static std::u16string Digits(std::size_t i) {
        const std::string text = std::to_string(i);
        return std::u16string(text.begin(), text.end());
    }
    fs::path Out(const std::string& name) const { return platform_.Root().Path() / "out" / name; }
    std::vector<std::string> OutFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Out("")))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // Marks the given rows as the user does: a click, then Ctrl+clicks.
    void MarkRows(const std::vector<int>& rows) {
        for (std::size_t i = 0; i < rows.size(); ++i)
            ClickCell(window_->AdvStringGridSong, 1, rows[i],
                      i == 0 ? Qt::NoModifier : Qt::ControlModifier);
    }
    void Press(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    // Closes the report with its "Close" button as soon as it shows, noting what it showed.
    void CloseReportWhenShown() {
        auto* timer = new QTimer(window_.get());
        QObject::connect(timer, &QTimer::timeout, timer, [this, timer] {
            TFormReport* report = window_->FormReport;
            if (!report->isVisible())
                return;
            ++seen_.shown;
            seen_.files = Column(report->Reporter, 0);
            seen_.paths = Column(report->Reporter, 1);
            seen_.status = window_->StatusText();
            seen_.caption = window_->ButtonCopy->text().toStdString();
            seen_.copying = window_->Copying;
            Press(report->CloseButton);
        });
        timer->start(5);
    }
    bool WaitForIdle() {
        return QTest::qWaitFor([this] { return !window_->Copying; }, 20000);
    }
    std::string Caption() const { return window_->ButtonCopy->text().toStdString(); }

    void ExpectIdle(const std::string& status) {
        EXPECT_FALSE(window_->Copying);
        EXPECT_EQ(Caption(), "Copy");
        EXPECT_EQ(window_->ProgressBarItunes->Position(), 0);
        EXPECT_THAT(*window_->CopySources, IsEmpty());
        EXPECT_THAT(*window_->CopyTargets, IsEmpty());
        EXPECT_THAT(*window_->CopyNames, IsEmpty());
        EXPECT_EQ(window_->AdvStringGridSong->MarkedRowCount(), 0);
        EXPECT_EQ(window_->AdvStringGridSong->RowCount(), window_->iPod.GetSongCount() + 1);
        EXPECT_EQ(window_->StatusText(), status);
    }

    ReportSeen seen_;
};

// Installs a fault hook for the life of the object.
class ScopedHook {
public:
    explicit ScopedHook(platform::files::FaultHook& hook) { platform::files::SetFaultHook(&hook); }
    ~ScopedHook() { platform::files::SetFaultHook(nullptr); }
    ScopedHook(const ScopedHook&) = delete;
    ScopedHook& operator=(const ScopedHook&) = delete;
};

// Song files that take a while to read, so that a job can be caught half done.
class SlowSource : public platform::files::FaultHook {
public:
    bool FailRead(const std::string&, std::uint64_t) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
        return false;
    }
};

// Fails reads of one song file from the second chunk on: a source that breaks halfway.
class BreakingSource : public platform::files::FaultHook {
public:
    explicit BreakingSource(std::string name) : name_(std::move(name)) {}
    bool FailRead(const std::string& path, std::uint64_t offset) override {
        return path.ends_with(name_) && offset > 0;
    }

private:
    std::string name_;
};

TEST_F(MainWindowCopyTest, MarkedRowsAreCopiedUnderSafeNamesAndTheWindowReturnsToIdle) {
    TFormMain& main = StartWith({{u"AC/DC", u"A", "rock bytes"},
                                 {u"Alpha", u"B", "alpha bytes"},
                                 {u"Gone", u"C", "missing"},
                                 {u"Unmarked", u"D", "never"}});
    MarkRows({2, 1, 3});
    CloseReportWhenShown();

    Press(main.ButtonCopy);
    EXPECT_TRUE(main.Copying);
    EXPECT_EQ(Caption(), "Pause");
    ASSERT_TRUE(WaitForIdle());

    ASSERT_EQ(ui_.dialogs.requests.size(), 1u);
    EXPECT_EQ(ui_.dialogs.requests[0].title, "Select Directory...");
    EXPECT_EQ(ui_.dialogs.requests[0].fileName, "AC_DC.mp3");
    EXPECT_EQ(ui_.dialogs.requests[0].filter, ".mp3");
    EXPECT_THAT(OutFiles(), ElementsAre("AC_DC.mp3", "Alpha.mp3"));
    EXPECT_EQ(testsupport::ReadFile(Out("Alpha.mp3")), "alpha bytes");
    EXPECT_EQ(testsupport::ReadFile(Out("AC_DC.mp3")), "rock bytes");

    EXPECT_EQ(seen_.shown, 1);
    EXPECT_TRUE(seen_.copying);
    EXPECT_EQ(seen_.caption, "Pause");
    EXPECT_EQ(seen_.status, " Copy Finished ");
    EXPECT_THAT(seen_.files, ElementsAre("AC/DC", "Alpha", "Gone"));
    // Where each file went, as the system names it.
    EXPECT_THAT(seen_.paths, ElementsAre(Out("AC_DC.mp3").string(), Out("Alpha.mp3").string(),
                                         "Not copied: the song's file is missing on the iPod"));
    ExpectIdle("1 iPod detected.");
}

TEST_F(MainWindowCopyTest, TwoRowsOfOneTitleCopyTheirOwnSongsUnderTwoNames) {
    TFormMain& main = StartWith(
        {{u"Intro", u"First album", "first intro"}, {u"Intro", u"Second album", "second intro"}},
        /*overwrite=*/true);
    MarkRows({1, 2});
    CloseReportWhenShown();

    Press(main.ButtonCopy);
    ASSERT_TRUE(WaitForIdle());

    EXPECT_THAT(OutFiles(), ElementsAre("Intro(1).mp3", "Intro.mp3"));
    EXPECT_EQ(testsupport::ReadFile(Out("Intro.mp3")), "first intro");
    EXPECT_EQ(testsupport::ReadFile(Out("Intro(1).mp3")), "second intro");
    EXPECT_THAT(seen_.paths, ElementsAre(Out("Intro.mp3").string(), Out("Intro(1).mp3").string()));
}

TEST_F(MainWindowCopyTest, PauseContinueAndTheCloseQuestionAnsweredNo) {
    TFormMain& main = StartWith({{u"Long", u"A", std::string(8 << 20, 'L')}});
    SlowSource slow;
    const ScopedHook hooked(slow);
    MarkRows({1});
    CloseReportWhenShown();

    // The worker waits for its first message to be handled, so the job cannot end meanwhile.
    Press(main.ButtonCopy);
    Press(main.ButtonCopy);
    EXPECT_EQ(Caption(), "Continue");
    EXPECT_EQ(main.StatusText(), "Copy process paused.");
    // The worker stops once the step in progress, with its message, is done.
    ASSERT_TRUE(QTest::qWaitFor([&] { return main.CopyThread->Held(); }));
    QCoreApplication::processEvents();
    const std::int64_t heldAt = main.ProgressBarItunes->Position();
    QCoreApplication::processEvents();
    EXPECT_EQ(main.ProgressBarItunes->Position(), heldAt);
    EXPECT_EQ(main.StatusText(), "Copy process paused.");

    Press(main.ButtonCopy);
    EXPECT_EQ(Caption(), "Pause");
    EXPECT_EQ(main.StatusText(), "Continue copy.");
    ASSERT_TRUE(QTest::qWaitFor([&] { return main.ProgressBarItunes->Position() > heldAt; }));

    // Asked while running: paused for the question, running again after No.
    std::vector<std::string> whileAsked;
    ui_.boxes.whileShown = [&] {
        whileAsked = {Caption(), main.StatusText(),
                      main.CopyThread->Suspended() ? "held" : "running"};
    };
    ui_.boxes.answers = {No};
    main.XP_ButtonSmall3Click();
    EXPECT_THAT(whileAsked, ElementsAre("Continue", "Copy process paused.", "held"));
    ASSERT_EQ(ui_.boxes.shown.size(), 1u);
    EXPECT_EQ(ui_.boxes.shown[0].text, "Quit and ignore copying file?");
    EXPECT_EQ(ui_.boxes.shown[0].caption, "Quillmere");
    EXPECT_EQ(ui_.boxes.shown[0].icon, platform::ui::MessageBoxIcon::Information);
    EXPECT_EQ(ui_.boxes.shown[0].buttons, platform::ui::MessageBoxButtons::YesNo);
    EXPECT_EQ(Caption(), "Pause");
    EXPECT_EQ(main.StatusText(), "Continue copy.");
    EXPECT_FALSE(main.CopyThread->Suspended());

    // Asked while paused: nothing is shown for the pause, and the job stays paused after No.
    Press(main.ButtonCopy);
    main.ShowStatus("marker");
    ui_.boxes.answers = {No};
    main.XP_ButtonSmall3Click();
    EXPECT_THAT(whileAsked, ElementsAre("Continue", "marker", "held"));
    EXPECT_EQ(Caption(), "Continue");
    EXPECT_TRUE(main.CopyThread->Suspended());
    EXPECT_TRUE(main.isVisible());

    Press(main.ButtonCopy);
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(testsupport::ReadFile(Out("Long.mp3")), std::string(8 << 20, 'L'));
    EXPECT_EQ(seen_.shown, 1);
    ExpectIdle("1 iPod detected.");
}

TEST_F(MainWindowCopyTest, QuittingDuringAJobLeavesTheOldFileAndNoPartOfTheNewOne) {
    SlowSource slow;
    for (const bool pausedFirst : {false, true}) {
        SCOPED_TRACE(pausedFirst);
        if (window_)
            Stop();
        fs::remove_all(Out(""));
        TFormMain& main = StartWith({{u"Long", u"A", std::string(8 << 20, 'N')}});
        std::ofstream(Out("Long.mp3")) << "the file it was to replace";
        const ScopedHook hooked(slow);
        MarkRows({1});
        ui_.boxes.shown.clear();
        ui_.boxes.answers = {Yes};
        std::string captionWhileAsked;
        ui_.boxes.whileShown = [&] { captionWhileAsked = Caption(); };

        Press(main.ButtonCopy);
        if (pausedFirst)
            Press(main.ButtonCopy);
        else
            ASSERT_TRUE(QTest::qWaitFor([&] { return main.ProgressBarItunes->Position() > 0; }));
        main.XP_ButtonSmall3Click();

        EXPECT_EQ(ui_.boxes.shown.size(), 1u);
        EXPECT_EQ(captionWhileAsked, "Continue");
        EXPECT_FALSE(main.isVisible());
        EXPECT_TRUE(main.CopyThread->Finished());
        EXPECT_THAT(OutFiles(), ElementsAre("Long.mp3"));
        EXPECT_EQ(testsupport::ReadFile(Out("Long.mp3")), "the file it was to replace");
    }
}

// The window is closed while the report of a finished job shows: the worker, waiting for its
// last message to be answered, is released and ends; the report then closes as usual.
TEST_F(MainWindowCopyTest, ClosingTheWindowWhileTheReportShowsEndsTheWorker) {
    TFormMain& main = StartWith({{u"Alpha", u"A", "alpha bytes"}});
    MarkRows({1});
    ui_.boxes.answers = {Yes};
    bool workerEndedWhileShown = false;
    auto* timer = new QTimer(&main);
    QObject::connect(timer, &QTimer::timeout, timer, [&, timer] {
        if (!main.FormReport->isVisible())
            return;
        timer->stop();
        main.XP_ButtonSmall3Click(); // asks, and the answer is Yes
        workerEndedWhileShown = main.CopyThread->Finished();
        Press(main.FormReport->CloseButton);
    });
    timer->start(5);

    Press(main.ButtonCopy);
    ASSERT_TRUE(WaitForIdle());

    EXPECT_TRUE(workerEndedWhileShown);
    ASSERT_EQ(ui_.boxes.shown.size(), 1u);
    EXPECT_EQ(ui_.boxes.shown[0].text, "Quit and ignore copying file?");
    EXPECT_FALSE(main.isVisible());
    EXPECT_EQ(testsupport::ReadFile(Out("Alpha.mp3")), "alpha bytes");
}

TEST_F(MainWindowCopyTest, ClosingWhileIdleAsksNothing) {
    TFormMain& main = StartWith({{u"Alpha", u"A", "alpha"}});
    main.XP_ButtonSmall3Click();
    EXPECT_TRUE(ui_.boxes.shown.empty());
    EXPECT_FALSE(main.isVisible());
}

TEST_F(MainWindowCopyTest, AJobStoppedByAnErrorReturnsToIdleAndTheReportSaysWhatBecameOfEachFile) {
    TFormMain& main = StartWith({{u"First", u"A", "first"},
                                 {u"Broken", u"B", std::string(3 << 20, 'b')},
                                 {u"Third", u"C", "third"}});
    BreakingSource breaking("F00/S1.mp3");
    const ScopedHook hooked(breaking);
    MarkRows({1, 2, 3});
    CloseReportWhenShown();

    Press(main.ButtonCopy);
    ASSERT_TRUE(WaitForIdle());

    EXPECT_THAT(OutFiles(), ElementsAre("First.mp3"));
    EXPECT_EQ(seen_.shown, 1);
    EXPECT_EQ(seen_.status, "Copy stopped: Stream read error");
    EXPECT_THAT(seen_.paths, ElementsAre(Out("First.mp3").string(), "Not copied: Stream read error",
                                         "Not copied: the copy stopped before this file"));
    ExpectIdle("Copy stopped: Stream read error");
    EXPECT_THAT(AppDirFile("app.cnt"), ::testing::HasSubstr("=Execute:Stream read error\r\n"));
}

TEST_F(MainWindowCopyTest, TheStopReasonNamesTheFileNotItsWholePath) {
    TFormMain& main = StartWith({{u"Song", u"A", "new"}}, /*overwrite=*/false);
    std::ofstream(Out("Song.mp3")) << "old";
    fs::create_directories(Out("Song(1).mp3")); // the numbered name is taken by a folder
    MarkRows({1});
    CloseReportWhenShown();

    Press(main.ButtonCopy);
    ASSERT_TRUE(WaitForIdle());

    EXPECT_EQ(seen_.paths, std::vector<std::string>{"Not copied: Cannot create file " +
                                                    Out("Song(1).mp3").string()});
    ExpectIdle("Copy stopped: Cannot create file Song(1).mp3");
    EXPECT_EQ(testsupport::ReadFile(Out("Song.mp3")), "old");
}

TEST_F(MainWindowCopyTest, NothingStartsWithoutMarksOrWhenTheDialogIsCancelled) {
    TFormMain& main = StartWith({{u"Alpha", u"A", "alpha"}});
    main.ProgressBarItunes->SetPosition(5);
    Press(main.ButtonCopy);
    EXPECT_TRUE(ui_.dialogs.requests.empty());
    EXPECT_EQ(main.ProgressBarItunes->Position(), 0);

    MarkRows({1});
    ui_.dialogs.answer.reset();
    Press(main.ButtonCopy);
    EXPECT_EQ(ui_.dialogs.requests.size(), 1u);
    EXPECT_FALSE(main.Copying);
    EXPECT_EQ(Caption(), "Copy");
    EXPECT_THAT(*main.CopySources, IsEmpty());
    EXPECT_THAT(OutFiles(), IsEmpty());
}

} // namespace
