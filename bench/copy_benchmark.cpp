#include "bench/copy_benchmark.h"

#include "app/FrmMain.h"
#include "app/component/ITunesStringGrid.h"
#include "app/copy_job.h"
#include "app/copy_thread.h"
#include "app/playlist_export.h"
#include "bench/bench_ipod.h"
#include "bench/stopwatch.h"
#include "platform/files.h"
#include "platform/ui/save_dialog.h"
#include "tools/itunesdb_writer.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <optional>
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
constexpr int PlannedTracks = 40000;

// The destination dialog, answered at once with a file in the destination drive's root.
class DestinationDialog : public platform::ui::SaveDialogService {
public:
    std::optional<std::string> Run(QWidget*, const platform::ui::SaveDialogRequest&) override {
        return "f:\\chosen.mp3";
    }
};

// An iPod whose songs are files of 4 MiB of random bytes (the last one shorter when the total
// asks for it), one song per file, titled after it. Returns the file names.
std::vector<std::string> WriteIpod(const fs::path& ipod, std::uint64_t totalBytes) {
    const fs::path music = ipod / "iPod_Control" / "Music" / "F00";
    fs::create_directories(music);
    fs::create_directories(ipod / "iPod_Control" / "iTunes");
    std::mt19937_64 random(7);
    std::vector<std::uint64_t> words(FileBytes / sizeof(std::uint64_t));
    std::vector<std::string> names;
    itunesdb::DatabaseSpec database;
    for (std::uint64_t written = 0; written < totalBytes; written += FileBytes) {
        const std::uint64_t bytes = std::min(FileBytes, totalBytes - written);
        for (std::uint64_t& word : words)
            word = random();
        char title[32];
        std::snprintf(title, sizeof title, "song%04zu", names.size() + 1);
        const std::string name = std::string(title) + ".mp3";
        std::ofstream out(music / name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(words.data()), static_cast<std::streamsize>(bytes));
        if (!out.flush())
            throw std::runtime_error("cannot write " + (music / name).string());
        itunesdb::SongFields song;
        song.trackId = static_cast<std::int32_t>(names.size() + 1);
        song.title = std::u16string(title, title + std::char_traits<char>::length(title));
        const std::string location = ":iPod_Control:Music:F00:" + name;
        song.location = std::u16string(location.begin(), location.end());
        song.fileType = u"MPEG audio file";
        database.tracks.push_back(itunesdb::Song(song));
        names.push_back(name);
    }
    const std::vector<std::byte> bytes = itunesdb::WriteITunesDB(database);
    std::ofstream(ipod / "iPod_Control" / "iTunes" / "iTunesDB", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return names;
}

void CheckCopied(const fs::path& from, const fs::path& to, const std::vector<std::string>& names) {
    std::vector<char> original(1 << 20);
    std::vector<char> copy(1 << 20);
    for (const std::string& name : names) {
        std::ifstream a(from / name, std::ios::binary);
        std::ifstream b(to / name, std::ios::binary);
        bool same = static_cast<bool>(b);
        while (same && a) {
            a.read(original.data(), static_cast<std::streamsize>(original.size()));
            b.read(copy.data(), static_cast<std::streamsize>(copy.size()));
            same = a.gcount() == b.gcount() &&
                   std::equal(original.begin(), original.begin() + a.gcount(), copy.begin());
        }
        if (!same || b.peek() != std::char_traits<char>::eof())
            throw std::runtime_error((to / name).string() + " is not a copy of its source");
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

// The user marks every song, presses "Copy" and confirms the dialog; the time runs until the
// main window is idle again. The window handles every block's message as always (no report
// window: the job ends when its report would open).
double TimeCopyJob(std::size_t songs) {
    TFormMain window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        throw std::runtime_error("the main window was never shown");
    if (window.iPod.GetSongCount() != static_cast<std::int32_t>(songs))
        throw std::runtime_error("the main window lists " +
                                 std::to_string(window.iPod.GetSongCount()) + " songs, not " +
                                 std::to_string(songs));
    for (int row = 1; row < window.AdvStringGridSong->RowCount(); ++row)
        window.AdvStringGridSong->SetRowMarked(row, true);
    DestinationDialog dialog;
    platform::ui::SetSaveDialogs(&dialog);

    QEventLoop loop;
    QTimer idle;
    QObject::connect(&idle, &QTimer::timeout, &loop, [&] {
        if (!window.Copying)
            loop.quit();
    });
    const Stopwatch stopwatch;
    window.ButtonCopyClick();
    if (window.Copying) {
        idle.start(2);
        loop.exec();
    }
    const double seconds = stopwatch.Seconds();
    platform::ui::SetSaveDialogs(nullptr);
    const std::string status = window.StatusText();
    // Closed as the program ends, so that its destructor meets a hidden window.
    window.close();
    if (status != "1 iPod detected.")
        throw std::runtime_error("the copy job ended with \"" + status + "\"");
    return seconds;
}

// Plans where each song of a generated iPod of `tracks` songs goes with the library layout, as a
// job does (name template, safe names) together with the check the worker makes before each
// file (does it exist there, and if so the first free numbered name), into a destination that
// already holds every other song of an earlier copy. The system's cache is warm; the drive
// table's listings are not.
double TimePlanning(BenchMachine& machine, int tracks) {
    const fs::path ipod = machine.MakeFolder("planned-ipod");
    WriteGeneratedIpod(ipod, tracks);
    const fs::path library = machine.MakeFolder("library");
    machine.AttachDrive('g', ipod);
    machine.AttachDrive('h', library);
    TiPod pod;
    pod.DriveRoot = "g:";
    pod.LoadDatabase();
    if (pod.GetSongCount() != tracks)
        throw std::runtime_error("the planned iPod holds " + std::to_string(pod.GetSongCount()) +
                                 " songs, not " + std::to_string(tracks));

    std::string problem;
    const CopyDestination earlier{"h:",
                                  NameTemplate::Parse(NameTemplate::SuggestedLayout, problem)};
    CopyJob copied;
    for (std::size_t i = 0; i < pod.Songs.size(); i += 2)
        copied.Add(pod, i, earlier);
    for (const std::string& target : copied.Targets) {
        const fs::path file = library / PathBelow("h:", target);
        fs::create_directories(file.parent_path());
        std::ofstream(file).put('x');
    }
    std::uintmax_t entries = 0;
    for (auto it = fs::recursive_directory_iterator(library);
         it != fs::recursive_directory_iterator(); ++it)
        ++entries; // warms the system's cache of the folders

    const Stopwatch stopwatch;
    const CopyDestination destination{"h:",
                                      NameTemplate::Parse(NameTemplate::SuggestedLayout, problem)};
    CopyJob job;
    std::size_t clashes = 0;
    for (std::size_t i = 0; i < pod.Songs.size(); ++i) {
        job.Add(pod, i, destination);
        if (platform::files::FileExists(job.Targets.back())) {
            const auto numbered = TCopyThread::CreateNewOutputPathName(job.Targets.back());
            clashes += numbered ? 1 : 0;
        }
    }
    const double seconds = stopwatch.Seconds();
    if (clashes < copied.Count())
        throw std::runtime_error("planning found " + std::to_string(clashes) + " of the " +
                                 std::to_string(copied.Count()) + " files already there");
    std::printf("planned %zu destinations, %zu of them taken (%ju entries in the library)\n",
                job.Count(), clashes, entries);
    return seconds;
}

} // namespace

void RunCopyBenchmark(BenchMachine& machine, int megabytes) {
    const fs::path ipod = machine.MakeFolder("ipod");
    const std::vector<std::string> names =
        WriteIpod(ipod, static_cast<std::uint64_t>(megabytes) << 20);
    const fs::path source = ipod / "iPod_Control" / "Music" / "F00";
    const fs::path destination = machine.MakeFolder("destination");
    machine.AttachDrive('e', ipod);
    machine.AttachDrive('f', destination);

    // Reads every source into the page cache, so that every timed copy starts alike.
    TimeCp(source, destination / "warm-up");

    // Each copy starts from the same state: the one before it checked, removed and written
    // back, since a second gigabyte in the page cache slows whichever copy comes second. The
    // order job, cp, cp, job evens out what drifts during the run; the best of each counts.
    double job = 0;
    double cp = 0;
    for (const bool isJob : {true, false, false, true}) {
        fs::remove_all(destination);
        fs::create_directory(destination);
        sync();
        if (isJob) {
            const double seconds = TimeCopyJob(names.size());
            job = job == 0 ? seconds : std::min(job, seconds);
            CheckCopied(source, destination, names);
        } else {
            const double seconds = TimeCp(source, destination / "cp");
            cp = cp == 0 ? seconds : std::min(cp, seconds);
            CheckCopied(source, destination / "cp", names);
        }
    }
    fs::remove_all(destination);

    PrintFigure("copy_job", job);
    PrintFigure("cp", cp);
    std::printf("ratio %.2f\n", cp > 0 ? job / cp : 0.0);

    PrintFigure("plan_40000", TimePlanning(machine, PlannedTracks));
}
