// The copy job as the user drives it from the main window: the real worker thread, real files,
// the real report window; only the save dialog and the close question are scripted.
#include "app/FrmReport.h"
#include "app/component/ITunesStringGrid.h"
#include "app/component/XP_Button.h"
#include "app/component/XP_ButtonSmall.h"
#include "app/component/XP_ProgressBar_Itunes.h"
#include "app/copy_thread.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/ipod_folder.h"
#include "tests/support/main_window_fixture.h"

#include <sys/mount.h>

#include <QAbstractButton>
#include <QTest>
#include <QTimer>
#include <gmock/gmock.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
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
    std::string content;            // no file at all when "missing"
    std::string extension = ".mp3"; // of the song's file on the iPod
};

class MainWindowCopyTest : public MainWindowFixture {
protected:
    TFormMain& StartWith(const std::vector<SongFile>& files, bool overwrite = true) {
        std::vector<itunesdb::SongFields> songs;
        for (std::size_t i = 0; i < files.size(); ++i)
            songs.push_back(SongOf(files[i].title, files[i].album, u"Artist",
                                   u":iPod_Control:Music:F00:S" + Digits(i) +
                                       platform::text::AnsiToWide(files[i].extension)));
        const fs::path root = AttachIPod('e', "pod", songs);
        podRoot_ = root;
        for (std::size_t i = 0; i < files.size(); ++i) {
            const fs::path file = testsupport::HostPathOfLocation(
                root, ":iPod_Control:Music:F00:S" + std::to_string(i) + files[i].extension);
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

    // The host file of the song at `index` of StartWith's list.
    std::string SourceOf(std::size_t index) const {
        return testsupport::HostPathOfLocation(podRoot_, ":iPod_Control:Music:F00:S" +
                                                             std::to_string(index) + ".mp3")
            .string();
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
    fs::path podRoot_;
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

// --- The copy's faults --------------------------------------------------------------------
// A job of three songs whose second meets the fault, with a file of the second's name in the
// destination from before the job. Whatever happens, no file under a song's name is partial,
// the old file is unharmed unless replaced whole, the report tells each song's fate, and the
// window returns to idle.

// The fault that meets the second song of the job, injected through the file layer.
class SecondSongFault : public platform::files::FaultHook {
public:
    enum class Kind {
        DiskFull,       // the disk fills up while the song is written: a short write
        WriteError,     // the disk fails while the song is written
        SourceBreaks,   // the iPod stops answering while the song is read
        SourceVanishes, // the song's file is deleted while the first song is copied
        FolderReadOnly, // no file can be created in the destination any more
        FolderRemoved,  // the destination folder is deleted before the song is begun
        RenameRefused,  // the finished song cannot take its name
    };
    SecondSongFault(Kind kind, fs::path firstSource, fs::path secondSource, fs::path destination)
        : kind_(kind), firstSource_(std::move(firstSource)), secondSource_(std::move(secondSource)),
          destination_(std::move(destination)) {}

    bool FailOpen(const std::string& path) override {
        if (kind_ == Kind::FolderRemoved && path == secondSource_)
            fs::remove_all(destination_.parent_path());
        return false;
    }
    bool FailCreate(const std::string& path) override {
        return kind_ == Kind::FolderReadOnly && path.find(".Second.mp3") != std::string::npos;
    }
    bool FailRead(const std::string& path, std::uint64_t offset) override {
        if (kind_ == Kind::SourceVanishes && path == firstSource_)
            fs::remove(secondSource_);
        return kind_ == Kind::SourceBreaks && path == secondSource_ &&
               offset >= TCopyThread::ChunkBytes;
    }
    std::size_t WriteLimit(const std::string& path, std::size_t requested) override {
        return kind_ == Kind::DiskFull && IsSecondsPart(path) ? requested / 2 : requested;
    }
    bool FailWrite(const std::string& path) override {
        return kind_ == Kind::WriteError && IsSecondsPart(path);
    }
    bool FailRename(const std::string& path) override {
        return kind_ == Kind::RenameRefused && path == destination_;
    }

private:
    static bool IsSecondsPart(const std::string& path) {
        return path.find(".Second.mp3") != std::string::npos;
    }
    Kind kind_;
    std::string firstSource_, secondSource_;
    fs::path destination_;
};

TEST_F(MainWindowCopyTest, EachFaultLeavesWholeFilesAnUnharmedOldFileAndAReportOfEverySong) {
    using Kind = SecondSongFault::Kind;
    const std::string big(3 * TCopyThread::ChunkBytes + 100, 'B');
    const std::string stopped = "Not copied: the copy stopped before this file";
    const struct {
        Kind kind;
        const char* label;
        std::string secondFate;
        bool thirdCopied;
        std::string status;
    } cases[] = {
        {Kind::DiskFull, "disk full", "Only 65536 of 393316 bytes could be written to SECOND", true,
         "1 iPod detected."},
        {Kind::WriteError, "write error", "Stream write error", false,
         "Copy stopped: Stream write error"},
        {Kind::SourceBreaks, "source unreadable", "Stream read error", false,
         "Copy stopped: Stream read error"},
        {Kind::SourceVanishes, "source vanished", "the song's file is missing on the iPod", true,
         "1 iPod detected."},
        {Kind::FolderReadOnly, "destination unwritable", "Cannot create file SECOND", false,
         "Copy stopped: Cannot create file Second.mp3"},
        {Kind::FolderRemoved, "destination removed", "Cannot create file SECOND", false,
         "Copy stopped: Cannot create file Second.mp3"},
        {Kind::RenameRefused, "rename refused", "Cannot create file SECOND", false,
         "Copy stopped: Cannot create file Second.mp3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        if (window_)
            Stop();
        seen_ = {};
        fs::remove_all(Out(""));
        StartWith({{u"First", u"A", "first"}, {u"Second", u"B", big}, {u"Third", u"C", "third"}});
        std::ofstream(Out("Second.mp3")) << "the file it was to replace";
        SecondSongFault fault(c.kind, SourceOf(0), SourceOf(1), Out("Second.mp3"));
        const ScopedHook hooked(fault);
        MarkRows({1, 2, 3});
        CloseReportWhenShown();

        Press(window_->ButtonCopy);
        ASSERT_TRUE(WaitForIdle());

        std::string secondFate = c.secondFate;
        if (const auto at = secondFate.find("SECOND"); at != std::string::npos)
            secondFate.replace(at, 6, Out("Second.mp3").string());
        EXPECT_EQ(seen_.shown, 1);
        EXPECT_THAT(seen_.files, ElementsAre("First", "Second", "Third"));
        EXPECT_THAT(seen_.paths, ElementsAre(Out("First.mp3").string(), "Not copied: " + secondFate,
                                             c.thirdCopied ? Out("Third.mp3").string() : stopped));
        ExpectIdle(c.status);
        if (c.kind == Kind::FolderRemoved) {
            EXPECT_FALSE(fs::exists(Out(""))); // gone with what was in it, as the user wished
            continue;
        }
        std::vector<std::string> expected = {"First.mp3", "Second.mp3"};
        if (c.thirdCopied)
            expected.push_back("Third.mp3");
        EXPECT_EQ(OutFiles(), expected); // and no temporary file
        EXPECT_EQ(testsupport::ReadFile(Out("First.mp3")), "first");
        EXPECT_EQ(testsupport::ReadFile(Out("Second.mp3")), "the file it was to replace");
        if (c.thirdCopied) {
            EXPECT_EQ(testsupport::ReadFile(Out("Third.mp3")), "third");
        }
    }
}

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

// The close question answered Yes while a job runs or is paused, the window closed by its own
// close button or by the desktop: the song being written is dropped, its old file unharmed, and
// the songs before it stay whole.
TEST_F(MainWindowCopyTest, QuittingDuringAJobLeavesTheOldFileAndNoPartOfTheNewOne) {
    SlowSource slow;
    for (const bool pausedFirst : {false, true}) {
        for (const bool byTheDesktop : {false, true}) {
            SCOPED_TRACE(std::string(pausedFirst ? "paused" : "running") +
                         (byTheDesktop ? ", closed by the desktop" : ", close button"));
            if (window_)
                Stop();
            fs::remove_all(Out(""));
            TFormMain& main = StartWith({{u"First", u"A", "first"},
                                         {u"Long", u"B", std::string(8 << 20, 'N')},
                                         {u"Third", u"C", "third"}});
            std::ofstream(Out("Long.mp3")) << "the file it was to replace";
            const ScopedHook hooked(slow);
            MarkRows({1, 2, 3});
            ui_.boxes.shown.clear();
            ui_.boxes.answers = {Yes};
            std::string captionWhileAsked;
            ui_.boxes.whileShown = [&] { captionWhileAsked = Caption(); };

            Press(main.ButtonCopy);
            ASSERT_TRUE(
                QTest::qWaitFor([&] { return main.ProgressBarItunes->Position() > 4 * 2048; }));
            if (pausedFirst)
                Press(main.ButtonCopy);
            if (byTheDesktop)
                main.close();
            else
                Press(main.XP_ButtonSmall3);
            ASSERT_TRUE(QTest::qWaitFor([&] { return !main.isVisible(); }));

            EXPECT_EQ(ui_.boxes.shown.size(), 1u);
            EXPECT_EQ(captionWhileAsked, "Continue");
            EXPECT_TRUE(main.CopyThread->Finished());
            EXPECT_FALSE(main.FormReport->isVisible());
            EXPECT_THAT(OutFiles(), ElementsAre("First.mp3", "Long.mp3"));
            EXPECT_EQ(testsupport::ReadFile(Out("First.mp3")), "first");
            EXPECT_EQ(testsupport::ReadFile(Out("Long.mp3")), "the file it was to replace");
        }
    }
}

// The report of a finished job closed as a person closes it, while the worker still waits for
// its last message to be answered: the worker ends, and the window returns to idle.
TEST_F(MainWindowCopyTest, ClosingTheReportReleasesTheWaitingWorkerAndTheWindowIsIdle) {
    const struct {
        const char* way;
        std::function<void(TFormReport&)> close;
    } ways[] = {
        {"its Close button", [this](TFormReport& report) { Press(report.CloseButton); }},
        {"its title bar's close button",
         [this](TFormReport& report) { Press(report.XP_ButtonSmall3); }},
        {"Escape", [](TFormReport& report) { QTest::keyClick(&report, Qt::Key_Escape); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.way);
        if (window_)
            Stop();
        fs::remove_all(Out(""));
        TFormMain& main = StartWith({{u"Alpha", u"A", "alpha bytes"}, {u"Beta", u"B", "beta"}});
        MarkRows({1, 2});
        bool workerWaited = false;
        auto* timer = new QTimer(&main);
        QObject::connect(timer, &QTimer::timeout, timer, [&, timer] {
            if (!main.FormReport->isVisible())
                return;
            timer->stop();
            workerWaited = !main.CopyThread->Finished();
            way.close(*main.FormReport);
        });
        timer->start(5);

        Press(main.ButtonCopy);
        ASSERT_TRUE(WaitForIdle());

        EXPECT_TRUE(workerWaited);
        EXPECT_FALSE(main.FormReport->isVisible());
        ASSERT_TRUE(QTest::qWaitFor([&] { return main.CopyThread->Finished(); }));
        ExpectIdle("1 iPod detected.");
        EXPECT_THAT(OutFiles(), ElementsAre("Alpha.mp3", "Beta.mp3"));
        EXPECT_EQ(testsupport::ReadFile(Out("Alpha.mp3")), "alpha bytes");
        EXPECT_EQ(testsupport::ReadFile(Out("Beta.mp3")), "beta");
    }
}

// Titles that would make illegal, reserved, overlong or clashing names, with a file of one of
// those names in the destination from before the job and overwriting off.
TEST_F(MainWindowCopyTest, TitlesThatMakeNoFileNameAreCopiedUnderSafeDistinctNames) {
    const std::string longTitle(300, 'x');
    TFormMain& main = StartWith({{u"CON", u"A", "con"},
                                 {u"..", u"A", "dots"},
                                 {u"Intro. ", u"A", "intro", ""},
                                 {std::u16string(300, u'x'), u"A", "long"},
                                 {u"AC/DC", u"A", "slash"},
                                 {u"AC_DC", u"A", "underscore"}},
                                /*overwrite=*/false);
    std::ofstream(Out("AC_DC.mp3")) << "the file it was to replace";
    MarkRows({1, 2, 3, 4, 5, 6});
    CloseReportWhenShown();

    Press(main.ButtonCopy);
    ASSERT_TRUE(WaitForIdle());

    const std::string longName = std::string(251, 'x') + ".mp3";
    const std::vector<std::pair<std::string, std::string>> written = {
        {"CON_.mp3", "con"}, {"...mp3", "dots"},        {"Intro__", "intro"},
        {longName, "long"},  {"AC_DC(1).mp3", "slash"}, {"AC_DC(2).mp3", "underscore"},
    };
    std::vector<std::string> paths;
    for (const auto& [name, content] : written) {
        EXPECT_EQ(testsupport::ReadFile(Out(name)), content) << name;
        paths.push_back(Out(name).string());
    }
    EXPECT_EQ(testsupport::ReadFile(Out("AC_DC.mp3")), "the file it was to replace");
    EXPECT_EQ(OutFiles().size(), written.size() + 1); // and no temporary file
    EXPECT_THAT(seen_.files, ElementsAre("CON", "..", "Intro. ", longTitle, "AC/DC", "AC_DC"));
    EXPECT_EQ(seen_.paths, paths);
    ExpectIdle("1 iPod detected.");
}

// A destination that fills up while the second song is written: that song is dropped whole,
// the file it was to replace stays, and the songs around it are copied.
TEST_F(MainWindowCopyTest, AFullDiskDropsTheSongItHitsAndTheJobGoesOn) {
    TFormMain& main = StartWith({{u"First", u"A", std::string(100 << 10, 'f')},
                                 {u"Second", u"B", std::string(1 << 20, 's')},
                                 {u"Third", u"C", "third"}});
    if (mount("tmpfs", Out("").c_str(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    struct Unmount {
        fs::path folder;
        ~Unmount() { umount(folder.c_str()); }
    } unmount{Out("")};
    std::ofstream(Out("Second.mp3")) << "the file it was to replace";
    MarkRows({1, 2, 3});
    CloseReportWhenShown();

    Press(main.ButtonCopy);
    ASSERT_TRUE(WaitForIdle());

    EXPECT_THAT(OutFiles(), ElementsAre("First.mp3", "Second.mp3", "Third.mp3"));
    EXPECT_EQ(testsupport::ReadFile(Out("First.mp3")), std::string(100 << 10, 'f'));
    EXPECT_EQ(testsupport::ReadFile(Out("Second.mp3")), "the file it was to replace");
    EXPECT_EQ(testsupport::ReadFile(Out("Third.mp3")), "third");
    ASSERT_EQ(seen_.paths.size(), 3u);
    EXPECT_EQ(seen_.paths[0], Out("First.mp3").string());
    EXPECT_THAT(seen_.paths[1], ::testing::MatchesRegex("Not copied: Only [0-9]+ of 1048576 bytes "
                                                        "could be written to .*/Second\\.mp3"));
    EXPECT_EQ(seen_.paths[2], Out("Third.mp3").string());
    ExpectIdle("1 iPod detected.");
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
