#include "app/copy_messages.h"
#include "app/copy_thread.h"
#include "app/error_log.h"
#include "app/output_naming.h"

#include "platform/drives.h"
#include "platform/files.h"
#include "tests/support/scoped_platform.h"
#include "tests/support/temp_folder.h"

#include <sys/mount.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kBlock = TCopyThread::BlockBytes;
constexpr std::size_t kChunk = TCopyThread::ChunkBytes;

struct Message {
    unsigned id;
    platform::WPARAM wParam;
    platform::LPARAM lParam;
};

// The main window as the worker sees it: records every message and status text, and lets a
// test act on a message while the worker waits for it.
class RecordingWindow : public platform::MessageSender {
public:
    std::vector<Message> messages;
    std::vector<std::string> statuses;
    std::function<void(const Message&)> onMessage;

    platform::LRESULT SendMessage(unsigned id, platform::WPARAM wParam,
                                  platform::LPARAM lParam) override {
        messages.push_back({id, wParam, lParam});
        if (onMessage)
            onMessage(messages.back());
        return 0;
    }
    void RunOnTargetThread(const std::function<void()>& task) override { task(); }

    std::size_t Count(unsigned id) const {
        return static_cast<std::size_t>(std::count_if(
            messages.begin(), messages.end(), [&](const Message& m) { return m.id == id; }));
    }
};

// Bytes that differ from position to position, so that a skipped or repeated block shows.
std::string Pattern(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + seed + i / 2048) % 251);
    return bytes;
}

class CopyThreadTest : public testing::Test {
protected:
    void SetUp() override {
        platform::Drives().Attach('e', ipod_.Str());
        platform::Drives().Attach('f', pc_.Str());
        fs::create_directories(pc_.Path() / "out");
        TLogClass::SetAppDirSource(&appDir_);
    }
    void TearDown() override {
        platform::files::SetFaultHook(nullptr);
        TLogClass::SetAppDirSource(nullptr);
    }

    // A song file on the iPod; returns its source path.
    std::string AddSource(const std::string& name, const std::string& content) {
        ipod_.WriteFile(fs::path("Music") / name, content);
        return "e:\\Music\\" + name;
    }
    void AddEntry(const std::string& source, const std::string& targetName,
                  const std::string& title) {
        sources_.push_back(source);
        targets_.push_back("f:\\out\\" + targetName);
        names_.push_back(title);
    }
    // Adds a song with the given content and its entry; the title is the file's base name.
    void AddSong(const std::string& name, const std::string& content) {
        AddEntry(AddSource(name, content), name, fs::path(name).stem().string());
    }

    TCopyThread& StartWorker() {
        worker_ = std::make_unique<TCopyThread>(
            window_, overwrite_, [this](const std::string& s) { window_.statuses.push_back(s); });
        worker_->CopySources = &sources_;
        worker_->CopyTargets = &targets_;
        worker_->CopyNames = &names_;
        worker_->CopyResults = &results_;
        worker_->Resume();
        return *worker_;
    }
    void Run() {
        StartWorker();
        worker_->WaitFor();
    }

    fs::path Out(const std::string& name) const { return pc_.Path() / "out" / name; }
    std::vector<std::string> OutFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(pc_.Path() / "out"))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string ErrorLog() {
        const fs::path log = platform_.Root().Path() / "app.cnt";
        return fs::exists(log) ? testsupport::ReadFile(log) : std::string();
    }

    testsupport::ScopedPlatform platform_;
    testsupport::TempFolder ipod_;
    testsupport::TempFolder pc_;
    const std::string appDir_ = "c:\\";
    std::atomic<bool> overwrite_{true};
    RecordingWindow window_;
    TStringList sources_, targets_, names_;
    std::vector<CopyResult> results_;
    std::unique_ptr<TCopyThread> worker_;
};

TEST_F(CopyThreadTest, SendsOneProgressPerBlockAndOneForTheFinalEmptyRead) {
    const std::pair<std::size_t, std::size_t> cases[] = {
        {0, 1},
        {1, 2},
        {2048, 2},
        {2049, 3},
        {4096, 3},
        {kChunk, kChunk / kBlock + 1},
        {kChunk + 1, kChunk / kBlock + 2},
    };
    for (const auto& [size, expected] : cases) {
        SCOPED_TRACE(size);
        sources_.clear();
        targets_.clear();
        names_.clear();
        window_.messages.clear();
        const std::string name = "Song" + std::to_string(size) + ".mp3";
        const std::string content = Pattern(size, static_cast<unsigned>(size));
        AddSong(name, content);

        Run();

        ASSERT_EQ(window_.messages.size(), expected + 1);
        for (std::size_t i = 0; i < expected; ++i) {
            EXPECT_EQ(window_.messages[i].id, WM_COPYPROGRESS);
            EXPECT_EQ(window_.messages[i].wParam, kBlock);
            EXPECT_EQ(window_.messages[i].lParam, static_cast<platform::LPARAM>(size));
        }
        EXPECT_EQ(window_.messages.back().id, WM_COPYDONE);
        EXPECT_EQ(window_.messages.back().wParam, 1u);
        EXPECT_EQ(window_.messages.back().lParam, 1);
        ASSERT_TRUE(fs::exists(Out(name)));
        EXPECT_TRUE(testsupport::ReadFile(Out(name)) == content);
        EXPECT_EQ(results_[0].Outcome, CopyOutcome::Copied);
    }
    EXPECT_EQ(OutFiles().size(), std::size(cases)); // no temporary file left behind
}

TEST_F(CopyThreadTest, ProgressAddsUpToTheBlocksOfEveryFileAndCarriesTheJobTotal) {
    AddSong("A.mp3", Pattern(3000, 1));
    AddSong("B.mp3", "");
    AddSong("C.mp3", Pattern(5000, 3));

    Run();

    std::int64_t sum = 0;
    for (const auto& message : window_.messages)
        if (message.id == WM_COPYPROGRESS) {
            sum += static_cast<std::int64_t>(message.wParam);
            EXPECT_EQ(message.lParam, 8000);
        }
    EXPECT_EQ(sum, 2048 * ((2 + 1) + (0 + 1) + (3 + 1)));
    EXPECT_EQ(window_.statuses,
              (std::vector<std::string>{"Copying A...", "Copying B...", "Copying C..."}));
    EXPECT_EQ(window_.Count(WM_COPYDONE), 1u);
}

TEST_F(CopyThreadTest, AJobOfMissingSourcesSendsOnlyDone) {
    AddEntry("e:\\Music\\Gone1.mp3", "Gone1.mp3", "Gone1");
    AddEntry("e:\\Music\\Gone2.mp3", "Gone2.mp3", "Gone2");

    Run();

    ASSERT_EQ(window_.messages.size(), 1u);
    EXPECT_EQ(window_.messages[0].id, WM_COPYDONE);
    EXPECT_TRUE(window_.statuses.empty());
    EXPECT_TRUE(OutFiles().empty());
    for (const auto& result : results_)
        EXPECT_EQ(result.Outcome, CopyOutcome::MissingSource);
}

TEST_F(CopyThreadTest, AMissingSourceInTheMiddleIsSkippedAndMarked) {
    AddSong("A.mp3", "first");
    AddEntry("e:\\Music\\Gone.mp3", "Gone.mp3", "Gone");
    AddSong("C.mp3", "third");
    const TStringList planned = targets_;

    Run();

    EXPECT_EQ(OutFiles(), (std::vector<std::string>{"A.mp3", "C.mp3"}));
    EXPECT_EQ(testsupport::ReadFile(Out("C.mp3")), "third");
    EXPECT_EQ(targets_, planned);
    EXPECT_EQ(window_.statuses, (std::vector<std::string>{"Copying A...", "Copying C..."}));
    EXPECT_EQ(results_[0].Outcome, CopyOutcome::Copied);
    EXPECT_EQ(results_[1].Outcome, CopyOutcome::MissingSource);
    EXPECT_NE(results_[1].Reason.find("e:\\Music\\Gone.mp3"), std::string::npos);
    EXPECT_EQ(results_[2].Outcome, CopyOutcome::Copied);
    EXPECT_EQ(window_.Count(WM_COPYDONE), 1u);
}

TEST_F(CopyThreadTest, AnExistingFileIsReplacedWhenOverwritingElseANumberedNameIsUsed) {
    struct Case {
        bool overwrite;
        std::string target;
        std::string oldContent;
    };
    for (const Case& c :
         {Case{true, "f:\\out\\Song.mp3", "new"}, Case{false, "f:\\out\\Song(1).mp3", "old"}}) {
        SCOPED_TRACE(c.overwrite);
        fs::remove_all(Out(""));
        fs::create_directories(Out(""));
        pc_.WriteFile("out/Song.mp3", "old");
        sources_.clear();
        targets_.clear();
        names_.clear();
        AddSong("Song.mp3", "new");
        overwrite_ = c.overwrite;

        Run();

        EXPECT_EQ(targets_[0], c.target);
        EXPECT_EQ(testsupport::ReadFile(Out("Song.mp3")), c.oldContent);
        EXPECT_EQ(testsupport::ReadFile(Out(FileNamePart(c.target))), "new");
    }
}

TEST_F(CopyThreadTest, ANameAtTheLengthLimitWhoseFileExistsGetsANumberedNameThatFits) {
    const std::string name = std::string(251, 'L') + ".mp3"; // as a long title is cut
    pc_.WriteFile("out/" + name, "old");
    AddEntry(AddSource("L.mp3", "new"), name, "A very long title");
    overwrite_ = false;

    Run();

    const std::string numbered = std::string(248, 'L') + "(1).mp3";
    EXPECT_EQ(results_[0].Outcome, CopyOutcome::Copied) << results_[0].Reason;
    EXPECT_EQ(targets_[0], "f:\\out\\" + numbered);
    EXPECT_EQ(window_.messages.back().id, WM_COPYDONE);
    EXPECT_EQ(testsupport::ReadFile(Out(numbered)), "new");
    EXPECT_EQ(testsupport::ReadFile(Out(name)), "old");
}

TEST_F(CopyThreadTest, AFileOfThisJobIsNeverReplacedByALaterOneEvenWhenOverwriting) {
    pc_.WriteFile("out/Song.mp3", "before the job");
    AddEntry(AddSource("A.mp3", "first"), "Song.mp3", "Song");
    AddEntry(AddSource("B.mp3", "second"), "SONG.mp3", "SONG");
    AddEntry(AddSource("C.mp3", "third"), "song.mp3", "song");
    overwrite_ = true;

    Run();

    EXPECT_EQ(targets_,
              (TStringList{"f:\\out\\Song.mp3", "f:\\out\\SONG(1).mp3", "f:\\out\\song(2).mp3"}));
    EXPECT_EQ(testsupport::ReadFile(Out("Song.mp3")), "first");
    EXPECT_EQ(testsupport::ReadFile(Out("SONG(1).mp3")), "second");
    EXPECT_EQ(testsupport::ReadFile(Out("song(2).mp3")), "third");
}

TEST_F(CopyThreadTest, TheOverwriteOptionIsReadAfreshForEveryFile) {
    for (const char* name : {"A.mp3", "B.mp3", "C.mp3"}) {
        pc_.WriteFile(std::string("out/") + name, "old");
        AddSong(name, std::string("new ") + name);
    }
    overwrite_ = true;
    window_.onMessage = [this](const Message&) { overwrite_ = false; };

    Run();

    EXPECT_EQ(targets_, (TStringList{"f:\\out\\A.mp3", "f:\\out\\B(1).mp3", "f:\\out\\C(1).mp3"}));
    EXPECT_EQ(testsupport::ReadFile(Out("A.mp3")), "new A.mp3");
    EXPECT_EQ(testsupport::ReadFile(Out("B.mp3")), "old");
    EXPECT_EQ(testsupport::ReadFile(Out("B(1).mp3")), "new B.mp3");
}

TEST_F(CopyThreadTest, APauseHoldsTheWorkerAtTheNextBlockAndResumingLosesNoByte) {
    const std::string content = Pattern(3 * kChunk + 777, 9);
    AddSong("Long.mp3", content);
    constexpr std::size_t pauseAt = kChunk / kBlock + kChunk / kBlock / 3; // in the second chunk
    std::promise<void> paused;
    window_.onMessage = [&](const Message&) {
        if (window_.messages.size() == pauseAt) {
            worker_->Suspend();
            paused.set_value();
        }
    };

    StartWorker();
    paused.get_future().wait();

    EXPECT_EQ(window_.messages.size(), pauseAt);
    EXPECT_FALSE(worker_->Finished());
    EXPECT_FALSE(fs::exists(Out("Long.mp3"))); // only the hidden temporary file so far
    worker_->Resume();
    worker_->WaitFor();

    EXPECT_EQ(window_.Count(WM_COPYPROGRESS), (content.size() + kBlock - 1) / kBlock + 1);
    EXPECT_TRUE(testsupport::ReadFile(Out("Long.mp3")) == content);
    EXPECT_EQ(OutFiles(), (std::vector<std::string>{"Long.mp3"}));
}

TEST_F(CopyThreadTest, APauseAfterAFilesLastBlockHoldsTheNextFileAndTheEndOfTheJob) {
    AddSong("A.mp3", Pattern(3000, 1)); // messages 1 to 3
    AddSong("B.mp3", Pattern(100, 2));  // messages 4 and 5
    for (const std::size_t pauseAt : {std::size_t{3}, std::size_t{5}}) {
        SCOPED_TRACE(pauseAt);
        window_.messages.clear();
        window_.statuses.clear();
        std::promise<void> paused;
        window_.onMessage = [&](const Message&) {
            if (window_.messages.size() == pauseAt) {
                worker_->Suspend();
                paused.set_value();
            }
        };

        StartWorker();
        paused.get_future().wait();
        while (!worker_->Held()) // whatever it was to do next, it has not done
            std::this_thread::yield();

        EXPECT_EQ(window_.messages.size(), pauseAt);
        EXPECT_EQ(window_.statuses.size(), pauseAt == 3 ? 1u : 2u);
        worker_->Resume();
        worker_->WaitFor();
        EXPECT_EQ(window_.statuses, (std::vector<std::string>{"Copying A...", "Copying B..."}));
        EXPECT_EQ(window_.messages.back().id, WM_COPYDONE);
    }
}

TEST_F(CopyThreadTest, AbandoningAHeldJobRemovesItsTemporaryFileAndSendsNothingMore) {
    pc_.WriteFile("out/Long.mp3", "the file it was to replace");
    AddSong("Long.mp3", Pattern(2 * kChunk, 4));
    AddSong("Next.mp3", "never reached");
    std::promise<void> paused;
    constexpr std::size_t pauseAt = kChunk / kBlock + 7; // in the second chunk
    window_.onMessage = [&](const Message&) {
        if (window_.messages.size() == pauseAt) {
            worker_->Suspend();
            paused.set_value();
        }
    };

    StartWorker();
    paused.get_future().wait();
    worker_->Abandon();
    worker_->WaitFor();

    EXPECT_EQ(window_.messages.size(), pauseAt);
    EXPECT_EQ(window_.Count(WM_COPYDONE) + window_.Count(WM_COPYSTOPPED), 0u);
    EXPECT_EQ(OutFiles(), (std::vector<std::string>{"Long.mp3"}));
    EXPECT_EQ(testsupport::ReadFile(Out("Long.mp3")), "the file it was to replace");
    EXPECT_EQ(results_[0].Outcome, CopyOutcome::NotReached);
    EXPECT_EQ(results_[1].Outcome, CopyOutcome::NotReached);
}

TEST_F(CopyThreadTest, AbandoningAWorkerThatNeverStartedEndsItWithoutCopying) {
    AddSong("A.mp3", "content");
    worker_ = std::make_unique<TCopyThread>(window_, overwrite_, nullptr);
    worker_->CopySources = &sources_;
    worker_->CopyTargets = &targets_;
    worker_->CopyNames = &names_;

    worker_->Abandon();
    worker_->WaitFor();

    EXPECT_TRUE(window_.messages.empty());
    EXPECT_TRUE(OutFiles().empty());
}

// Fails the file layer for host paths that contain `marker`.
class FailingFiles : public platform::files::FaultHook {
public:
    enum class Kind { Open, Create, ReadPastFirstChunk, ShortWrite, Write, Rename };
    FailingFiles(Kind kind, std::string marker) : kind_(kind), marker_(std::move(marker)) {}

    bool FailOpen(const std::string& path) override { return Hits(Kind::Open, path); }
    bool FailCreate(const std::string& path) override { return Hits(Kind::Create, path); }
    bool FailRead(const std::string& path, std::uint64_t offset) override {
        return Hits(Kind::ReadPastFirstChunk, path) && offset >= kChunk;
    }
    std::size_t WriteLimit(const std::string& path, std::size_t requested) override {
        return Hits(Kind::ShortWrite, path) ? requested / 2 : requested;
    }
    bool FailWrite(const std::string& path) override { return Hits(Kind::Write, path); }
    bool FailRename(const std::string& path) override { return Hits(Kind::Rename, path); }

private:
    bool Hits(Kind kind, const std::string& path) const {
        return kind == kind_ && path.find(marker_) != std::string::npos;
    }
    Kind kind_;
    std::string marker_;
};

TEST_F(CopyThreadTest, AnErrorStopsTheJobLeavingNoPartialFileAndTheOldFileIntact) {
    using Kind = FailingFiles::Kind;
    const std::size_t bigSize = 2 * kChunk + 100;
    struct Case {
        Kind kind;
        std::string marker; // in the host path the failure hits
        std::string reason;
    };
    const Case cases[] = {
        {Kind::Open, "B.mp3", "Cannot open file e:\\Music\\B.mp3"},
        {Kind::Create, "B.mp3", "Cannot create file f:\\out\\B.mp3"},
        {Kind::ReadPastFirstChunk, "B.mp3", "Stream read error"},
        {Kind::Write, "B.mp3", "Stream write error"},
        {Kind::Rename, "B.mp3", "Cannot create file f:\\out\\B.mp3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        fs::remove_all(Out(""));
        fs::create_directories(Out(""));
        pc_.WriteFile("out/B.mp3", "the file it was to replace");
        sources_.clear();
        targets_.clear();
        names_.clear();
        window_.messages.clear();
        AddSong("A.mp3", Pattern(5000, 1));
        AddSong("B.mp3", Pattern(bigSize, 2));
        AddSong("C.mp3", Pattern(100, 3));
        FailingFiles hook(c.kind, c.marker);
        platform::files::SetFaultHook(&hook);

        Run();
        platform::files::SetFaultHook(nullptr);

        ASSERT_FALSE(window_.messages.empty());
        EXPECT_EQ(window_.messages.back().id, WM_COPYSTOPPED);
        EXPECT_EQ(window_.messages.back().wParam, 1u);
        EXPECT_EQ(window_.Count(WM_COPYSTOPPED), 1u);
        EXPECT_EQ(window_.Count(WM_COPYDONE), 0u);
        EXPECT_EQ(worker_->StopReason(), c.reason);
        EXPECT_EQ(OutFiles(), (std::vector<std::string>{"A.mp3", "B.mp3"}));
        EXPECT_EQ(testsupport::ReadFile(Out("A.mp3")), Pattern(5000, 1));
        EXPECT_EQ(testsupport::ReadFile(Out("B.mp3")), "the file it was to replace");
        ASSERT_EQ(results_.size(), 3u);
        EXPECT_EQ(results_[0].Outcome, CopyOutcome::Copied);
        EXPECT_EQ(results_[1].Outcome, CopyOutcome::Failed);
        EXPECT_EQ(results_[1].Reason, c.reason);
        EXPECT_EQ(results_[2].Outcome, CopyOutcome::NotReached);
        EXPECT_FALSE(results_[2].Reason.empty());
        EXPECT_NE(ErrorLog().find("=Execute:" + c.reason + "\r\n"), std::string::npos)
            << ErrorLog();
    }
}

// A song file deleted while the job runs, after the total counted it: skipped like a song that
// was never there, and the job goes on.
TEST_F(CopyThreadTest, ASourceThatVanishesWhileTheJobRunsIsSkipped) {
    pc_.WriteFile("out/B.mp3", "the file it was to replace");
    AddSong("A.mp3", Pattern(5000, 1));
    AddSong("B.mp3", Pattern(3000, 2));
    AddSong("C.mp3", Pattern(100, 3));
    window_.onMessage = [this](const Message&) { fs::remove(ipod_.Path() / "Music" / "B.mp3"); };

    Run();

    EXPECT_EQ(window_.messages.back().id, WM_COPYDONE);
    EXPECT_EQ(window_.messages.front().lParam, 8100); // B still counted
    EXPECT_EQ(OutFiles(), (std::vector<std::string>{"A.mp3", "B.mp3", "C.mp3"}));
    EXPECT_EQ(testsupport::ReadFile(Out("B.mp3")), "the file it was to replace");
    EXPECT_EQ(testsupport::ReadFile(Out("C.mp3")), Pattern(100, 3));
    ASSERT_EQ(results_.size(), 3u);
    EXPECT_EQ(results_[0].Outcome, CopyOutcome::Copied);
    EXPECT_EQ(results_[1].Outcome, CopyOutcome::MissingSource);
    EXPECT_EQ(results_[2].Outcome, CopyOutcome::Copied);
}

// Removes the destination folder when the second song's file is opened: the first song is done
// and renamed, the second not begun.
class RemovesTheDestination : public platform::files::FaultHook {
public:
    explicit RemovesTheDestination(fs::path folder) : folder_(std::move(folder)) {}
    bool FailOpen(const std::string& path) override {
        if (path.ends_with("B.mp3"))
            fs::remove_all(folder_);
        return false;
    }

private:
    fs::path folder_;
};

TEST_F(CopyThreadTest, ADestinationRemovedMidJobStopsItWithoutWritingElsewhere) {
    AddSong("A.mp3", Pattern(5000, 1));
    AddSong("B.mp3", Pattern(3000, 2));
    AddSong("C.mp3", Pattern(100, 3));
    RemovesTheDestination hook(Out(""));
    platform::files::SetFaultHook(&hook);

    Run();
    platform::files::SetFaultHook(nullptr);

    EXPECT_EQ(window_.messages.back().id, WM_COPYSTOPPED);
    EXPECT_EQ(worker_->StopReason(), "Cannot create file f:\\out\\B.mp3");
    EXPECT_FALSE(fs::exists(Out("")));
    EXPECT_EQ(std::distance(fs::directory_iterator(pc_.Path()), fs::directory_iterator()), 0);
    ASSERT_EQ(results_.size(), 3u);
    EXPECT_EQ(results_[0].Outcome, CopyOutcome::Copied);
    EXPECT_EQ(results_[1].Outcome, CopyOutcome::Failed);
    EXPECT_EQ(results_[2].Outcome, CopyOutcome::NotReached);
}

// The main thread abandons a running job (the user quit) while the worker is between blocks.
TEST_F(CopyThreadTest, AbandoningARunningJobRemovesItsTemporaryFileAndHarmsNoOldFile) {
    pc_.WriteFile("out/Long.mp3", "the file it was to replace");
    AddSong("First.mp3", "first");
    AddSong("Long.mp3", Pattern(2 * kChunk, 4));
    AddSong("Next.mp3", "never reached");
    std::promise<void> midFile;
    std::promise<void> abandoned;
    const std::size_t midFileAt =
        2 + kChunk / kBlock + 3; // First's two, then into Long's second chunk
    window_.onMessage = [&](const Message&) {
        if (window_.messages.size() != midFileAt)
            return;
        midFile.set_value();
        abandoned.get_future().wait();
    };

    StartWorker();
    midFile.get_future().wait();
    worker_->Abandon();
    abandoned.set_value();
    worker_->WaitFor();

    EXPECT_EQ(window_.messages.size(), midFileAt);
    EXPECT_EQ(window_.Count(WM_COPYDONE) + window_.Count(WM_COPYSTOPPED), 0u);
    EXPECT_EQ(OutFiles(), (std::vector<std::string>{"First.mp3", "Long.mp3"}));
    EXPECT_EQ(testsupport::ReadFile(Out("First.mp3")), "first");
    EXPECT_EQ(testsupport::ReadFile(Out("Long.mp3")), "the file it was to replace");
    EXPECT_EQ(results_[0].Outcome, CopyOutcome::Copied);
    EXPECT_EQ(results_[1].Outcome, CopyOutcome::NotReached);
    EXPECT_EQ(results_[2].Outcome, CopyOutcome::NotReached);
}

TEST_F(CopyThreadTest, AShortWriteFailsThatFileOnlyAndLeavesNoPartialFile) {
    const std::size_t bigSize = 2 * kChunk + 100;
    pc_.WriteFile("out/B.mp3", "the file it was to replace");
    AddSong("A.mp3", Pattern(5000, 1));
    AddSong("B.mp3", Pattern(bigSize, 2));
    AddSong("C.mp3", Pattern(100, 3));
    FailingFiles hook(FailingFiles::Kind::ShortWrite, "B.mp3");
    platform::files::SetFaultHook(&hook);

    Run();
    platform::files::SetFaultHook(nullptr);

    EXPECT_EQ(window_.messages.back().id, WM_COPYDONE);
    EXPECT_EQ(window_.Count(WM_COPYSTOPPED), 0u);
    EXPECT_EQ(OutFiles(), (std::vector<std::string>{"A.mp3", "B.mp3", "C.mp3"}));
    EXPECT_EQ(testsupport::ReadFile(Out("B.mp3")), "the file it was to replace");
    EXPECT_EQ(testsupport::ReadFile(Out("C.mp3")), Pattern(100, 3));
    EXPECT_EQ(window_.statuses,
              (std::vector<std::string>{"Copying A...", "Copying B...", "Copying C..."}));
    ASSERT_EQ(results_.size(), 3u);
    EXPECT_EQ(results_[0].Outcome, CopyOutcome::Copied);
    EXPECT_EQ(results_[1].Outcome, CopyOutcome::Failed);
    EXPECT_EQ(results_[1].Reason, "Only " + std::to_string(kChunk / 2) + " of " +
                                      std::to_string(bigSize) +
                                      " bytes could be written to f:\\out\\B.mp3");
    EXPECT_EQ(results_[2].Outcome, CopyOutcome::Copied);
}

TEST_F(CopyThreadTest, AFolderOfTheChosenNameStopsTheJobAndLeavesNoTemporaryFile) {
    pc_.WriteFile("out/Song.mp3", "old");
    fs::create_directories(Out("Song(1).mp3"));
    AddSong("Song.mp3", "new");
    overwrite_ = false;

    Run();

    EXPECT_EQ(worker_->StopReason(), "Cannot create file f:\\out\\Song(1).mp3");
    EXPECT_EQ(OutFiles(), (std::vector<std::string>{"Song(1).mp3", "Song.mp3"}));
    EXPECT_EQ(testsupport::ReadFile(Out("Song.mp3")), "old");
    EXPECT_EQ(results_[0].Outcome, CopyOutcome::Failed);
}

TEST_F(CopyThreadTest, AFullDiskFailsTheFileWithoutAPartialFile) {
    const fs::path small = pc_.Path() / "out" / "small";
    fs::create_directories(small);
    if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here";
    struct Unmount {
        const fs::path& folder;
        ~Unmount() { umount(folder.c_str()); }
    } unmount{small};
    pc_.WriteFile("out/small/Big.mp3", "the file it was to replace");
    AddEntry(AddSource("Big.mp3", Pattern(std::size_t{1} << 20, 5)), "small\\Big.mp3", "Big");
    AddEntry(AddSource("Next.mp3", "x"), "small\\Next.mp3", "Next");

    Run();

    EXPECT_EQ(testsupport::ReadFile(small / "Big.mp3"), "the file it was to replace");
    EXPECT_EQ(results_[0].Outcome, CopyOutcome::Failed);
    EXPECT_FALSE(results_[0].Reason.empty());
    // The disk fills part way through a write (a short write: the job goes on, and the next
    // file fits once the failed one is gone) or at its first byte (an error: the job stops).
    if (window_.messages.back().id == WM_COPYDONE) {
        EXPECT_EQ(results_[1].Outcome, CopyOutcome::Copied);
        EXPECT_EQ(testsupport::ReadFile(small / "Next.mp3"), "x");
    } else {
        EXPECT_EQ(window_.messages.back().id, WM_COPYSTOPPED);
        EXPECT_EQ(results_[1].Outcome, CopyOutcome::NotReached);
        EXPECT_FALSE(fs::exists(small / "Next.mp3"));
    }
    const auto left = std::distance(fs::directory_iterator(small), fs::directory_iterator());
    EXPECT_EQ(left, results_[1].Outcome == CopyOutcome::Copied ? 2 : 1);
}

TEST_F(CopyThreadTest, ATotalBeyondTwoGigabytesReachesTheWindowWhole) {
    AddSong("Small.mp3", Pattern(100, 1));
    AddSong("Huge.mp3", "");
    fs::resize_file(ipod_.Path() / "Music" / "Huge.mp3", 3'000'000'000); // sparse, never copied
    FailingFiles hook(FailingFiles::Kind::Open, "Huge.mp3");
    platform::files::SetFaultHook(&hook);

    Run();

    ASSERT_EQ(window_.Count(WM_COPYPROGRESS), 2u);
    EXPECT_EQ(window_.messages[0].lParam, platform::LPARAM{3'000'000'100});
    EXPECT_EQ(window_.messages[1].lParam, platform::LPARAM{3'000'000'100});
}

// --- Destinations in folders of their own (a name template's) --------------------------------

// Every file below out/ (folders end in "/"), sorted.
std::vector<std::string> Tree(const fs::path& folder) {
    std::vector<std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string relative = fs::relative(entry.path(), folder).string();
        entries.push_back(entry.is_directory() ? relative + "/" : relative);
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

class CopyIntoFoldersTest : public CopyThreadTest {
protected:
    // Runs the job as one whose names hold folders.
    void RunMakingFolders() {
        worker_ = std::make_unique<TCopyThread>(window_, overwrite_, nullptr);
        worker_->CopySources = &sources_;
        worker_->CopyTargets = &targets_;
        worker_->CopyNames = &names_;
        worker_->CopyResults = &results_;
        worker_->MakeFolders = true;
        worker_->Resume();
        worker_->WaitFor();
    }
};

TEST_F(CopyIntoFoldersTest, MissingFoldersAreMadeAndClashesNumberedInTheFilesOwnFolder) {
    pc_.WriteFile("out/Beta/Song.mp3", "already there");
    fs::create_directories(Out("alpha"));
    AddEntry(AddSource("1.mp3", "first"), "Alpha\\Live\\Song.mp3", "Song");
    AddEntry(AddSource("2.mp3", "second"), "Alpha\\Live\\Song.mp3", "Song");
    AddEntry(AddSource("3.mp3", "third"), "Beta\\Song.mp3", "Song");
    AddEntry("e:\\Music\\missing.mp3", "Gamma\\Song.mp3", "Missing");
    overwrite_ = false;
    RunMakingFolders();

    // An existing folder is used whatever its letter case; a missing source makes no folder.
    EXPECT_EQ(Tree(Out("")), (std::vector<std::string>{
                                 "Beta/", "Beta/Song(1).mp3", "Beta/Song.mp3", "alpha/",
                                 "alpha/Live/", "alpha/Live/Song(1).mp3", "alpha/Live/Song.mp3"}));
    EXPECT_EQ(testsupport::ReadFile(Out("alpha/Live/Song.mp3")), "first");
    EXPECT_EQ(testsupport::ReadFile(Out("alpha/Live/Song(1).mp3")), "second");
    EXPECT_EQ(testsupport::ReadFile(Out("Beta/Song(1).mp3")), "third");
    EXPECT_EQ(targets_,
              (TStringList{"f:\\out\\Alpha\\Live\\Song.mp3", "f:\\out\\Alpha\\Live\\Song(1).mp3",
                           "f:\\out\\Beta\\Song(1).mp3", "f:\\out\\Gamma\\Song.mp3"}));
    EXPECT_EQ(results_[3].Outcome, CopyOutcome::MissingSource);
}

TEST_F(CopyIntoFoldersTest, AFileThatIsNotCopiedTakesTheFoldersMadeForItAway) {
    using Kind = FailingFiles::Kind;
    const struct {
        Kind kind;
        bool stops; // the job stops at the file
    } cases[] = {{Kind::ShortWrite, false}, {Kind::Create, true}, {Kind::Write, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        fs::remove_all(Out(""));
        fs::create_directories(Out(""));
        sources_.clear();
        targets_.clear();
        names_.clear();
        AddEntry(AddSource("A.mp3", "a"), "Artist\\First\\A.mp3", "A");
        AddEntry(AddSource("B.mp3", Pattern(2 * kChunk, 2)), "Artist\\Second\\CD 1\\B.mp3", "B");
        FailingFiles hook(c.kind, "B.mp3");
        platform::files::SetFaultHook(&hook);

        RunMakingFolders();
        platform::files::SetFaultHook(nullptr);

        EXPECT_EQ(!worker_->StopReason().empty(), c.stops);
        EXPECT_EQ(results_[1].Outcome, CopyOutcome::Failed);
        EXPECT_EQ(Tree(Out("")),
                  (std::vector<std::string>{"Artist/", "Artist/First/", "Artist/First/A.mp3"}));
    }
}

TEST_F(CopyIntoFoldersTest, AFolderThatCannotBeMadeStopsTheJobAndWithoutFoldersNoneIsMade) {
    pc_.WriteFile("out/Artist", "a file where the folder would go");
    AddEntry(AddSource("A.mp3", "a"), "Artist\\Album\\A.mp3", "A");
    AddEntry(AddSource("B.mp3", "b"), "Other\\B.mp3", "B");

    RunMakingFolders();

    EXPECT_EQ(worker_->StopReason(), "Cannot create folder f:\\out\\Artist");
    EXPECT_EQ(results_[0].Outcome, CopyOutcome::Failed);
    EXPECT_EQ(results_[1].Outcome, CopyOutcome::NotReached);

    // A job without folders of its own writes into existing folders only, as it always has.
    Run();
    EXPECT_EQ(worker_->StopReason(), "Cannot create file f:\\out\\Artist\\Album\\A.mp3");
    EXPECT_EQ(Tree(Out("")), std::vector<std::string>{"Artist"});
}

} // namespace
