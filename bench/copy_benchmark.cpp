#include "bench/copy_benchmark.h"

#include "app/component/XP_ProgressBar_Itunes.h"
#include "app/copy_messages.h"
#include "app/copy_thread.h"
#include "bench/bench_ipod.h"
#include "bench/stopwatch.h"
#include "platform/ui/message_sender.h"

#include <QEventLoop>
#include <QLabel>
#include <QTest>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t FileBytes = std::uint64_t{4} << 20;

// Handles the worker's messages as the main window does, on a real progress bar, and ends the
// event loop when the job ends.
class CopyProgressTarget : public platform::MessageTarget {
public:
    CopyProgressTarget(TProgressBarItunes& bar, QEventLoop& loop) : bar_(bar), loop_(loop) {}

    bool Stopped() const { return stopped_; }

    platform::LRESULT WndProc(unsigned message, platform::WPARAM wParam,
                              platform::LPARAM lParam) override {
        switch (message) {
        case WM_COPYPROGRESS:
            bar_.SetMax(lParam);
            bar_.SetPosition(bar_.Position() + static_cast<std::int64_t>(wParam));
            break;
        case WM_COPYSTOPPED:
            stopped_ = true;
            loop_.quit();
            break;
        case WM_COPYDONE:
            loop_.quit();
            break;
        default:
            break;
        }
        return 0;
    }

private:
    TProgressBarItunes& bar_;
    QEventLoop& loop_;
    bool stopped_ = false;
};

// Files of 4 MiB of random bytes, the last one shorter when the total asks for it.
std::vector<std::string> WriteRandomFiles(const fs::path& folder, std::uint64_t totalBytes) {
    std::mt19937_64 random(7);
    std::vector<std::uint64_t> words(FileBytes / sizeof(std::uint64_t));
    std::vector<std::string> names;
    for (std::uint64_t written = 0; written < totalBytes; written += FileBytes) {
        const std::uint64_t bytes = std::min(FileBytes, totalBytes - written);
        for (std::uint64_t& word : words)
            word = random();
        char name[32];
        std::snprintf(name, sizeof name, "song%04zu.mp3", names.size() + 1);
        std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(words.data()), static_cast<std::streamsize>(bytes));
        if (!out.flush())
            throw std::runtime_error("cannot write " + (folder / name).string());
        names.emplace_back(name);
    }
    return names;
}

void CheckCopied(const fs::path& from, const fs::path& to, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        std::error_code error;
        if (fs::file_size(to / name, error) != fs::file_size(from / name))
            throw std::runtime_error((to / name).string() + " is not a full copy");
    }
}

double TimeCp(const fs::path& from, const fs::path& to) {
    std::string source = from.string();
    std::string destination = to.string();
    char cp[] = "cp";
    char recursive[] = "-r";
    char* arguments[] = {cp, recursive, source.data(), destination.data(), nullptr};
    const Stopwatch stopwatch;
    pid_t child = 0;
    if (posix_spawnp(&child, "cp", nullptr, nullptr, arguments, environ) != 0)
        throw std::runtime_error("cannot start cp");
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("cp -r " + source + " " + destination + " failed");
    return stopwatch.Seconds();
}

double TimeCopyJob(const std::vector<std::string>& names) {
    QWidget window;
    window.resize(300, 80);
    auto* status = new QLabel(&window);
    status->setGeometry(10, 10, 280, 17);
    auto* bar = new TProgressBarItunes(&window);
    bar->setGeometry(10, 40, 225, 11);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        throw std::runtime_error("the progress window was never shown");

    TStringList sources;
    TStringList targets;
    TStringList titles;
    for (const std::string& name : names) {
        sources.push_back("e:\\" + name);
        targets.push_back("f:\\" + name);
        titles.push_back(name.substr(0, name.rfind('.')));
    }

    QEventLoop loop;
    CopyProgressTarget target(*bar, loop);
    platform::ui::QtMessageSender sender(target);
    const std::atomic<bool> overwriteExisting{true};
    TCopyThread worker(sender, overwriteExisting, [status](const std::string& text) {
        status->setText(QString::fromStdString(text));
    });
    worker.CopySources = &sources;
    worker.CopyTargets = &targets;
    worker.CopyNames = &titles;

    const Stopwatch stopwatch;
    worker.Resume();
    loop.exec();
    const double seconds = stopwatch.Seconds();
    worker.WaitFor();
    if (target.Stopped())
        throw std::runtime_error("the copy job stopped: " + worker.StopReason());
    return seconds;
}

} // namespace

void RunCopyBenchmark(BenchMachine& machine, int megabytes) {
    const fs::path source = machine.MakeFolder("source");
    const std::vector<std::string> names =
        WriteRandomFiles(source, static_cast<std::uint64_t>(megabytes) << 20);

    // Reads every source into the page cache, so that both timed copies start alike.
    TimeCp(source, machine.Root() / "warm-up");
    fs::remove_all(machine.Root() / "warm-up");
    sync();

    const fs::path jobDestination = machine.MakeFolder("copy-job");
    machine.AttachDrive('e', source);
    machine.AttachDrive('f', jobDestination);
    const double job = TimeCopyJob(names);
    CheckCopied(source, jobDestination, names);
    // Neither copy pays for the other's writing back.
    sync();

    const fs::path cpDestination = machine.Root() / "cp";
    const double cp = TimeCp(source, cpDestination);
    CheckCopied(source, cpDestination, names);

    PrintFigure("copy_job", job);
    PrintFigure("cp", cp);
    std::printf("ratio %.2f\n", cp > 0 ? job / cp : 0.0);
}
