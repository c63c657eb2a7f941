#include "cli/copy_command.h"

#include "app/copy_job.h"
#include "app/copy_messages.h"
#include "app/copy_thread.h"
#include "app/database/iPodcomponent.h"
#include "app/error_log.h"
#include "app/playlist_export.h"
#include "app/settings_store.h"
#include "app/shown_paths.h"
#include "app/song_search.h"
#include "cli/copy_progress.h"
#include "cli/exit_codes.h"
#include "cli/interrupt_catcher.h"
#include "cli/ipod_catalogue.h"
#include "cli/list_command.h"
#include "platform/data_folder.h"
#include "platform/drives.h"
#include "platform/registry.h"
#include "platform/text.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <system_error>

namespace cli {
namespace {

namespace fs = std::filesystem;

struct CopyRequest {
    std::string folder;
    std::string destination;
    bool all = false;
    std::vector<std::string> titles;
    std::vector<std::string> searches;
    std::vector<std::string> playlists; // --playlist
    bool writePlaylists = false;        // --playlists
    std::optional<bool> overwrite; // unset: the saved option
    CatalogueSource source = CatalogueSource::Database;
    bool quiet = false; // no progress line even on a terminal
    std::optional<NameTemplate> naming; // --name; unset: the title alone
};

// The request, or nullopt with `problem` saying what is wrong with the arguments.
std::optional<CopyRequest> ParseCopyArguments(const std::vector<std::string>& args,
                                              std::string& problem) {
    CopyRequest request;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--title" || word == "--search") {
            if (i + 1 == args.size()) {
                problem = word + " needs a TEXT";
                return std::nullopt;
            }
            (word == "--title" ? request.titles : request.searches).push_back(args[++i]);
        } else if (word == "--playlist") {
            if (i + 1 == args.size()) {
                problem = "--playlist needs a NAME";
                return std::nullopt;
            }
            request.playlists.push_back(args[++i]);
        } else if (word == "--playlists") {
            request.writePlaylists = true;
        } else if (word == "--name") {
            if (i + 1 == args.size()) {
                problem = "--name needs a TEMPLATE";
                return std::nullopt;
            }
            if (request.naming) {
                problem = "--name is given more than once";
                return std::nullopt;
            }
            std::string why;
            request.naming = NameTemplate::Parse(args[++i], why);
            if (!request.naming) {
                problem = "--name \"" + args[i] + "\": " + why;
                return std::nullopt;
            }
        } else if (word == "--all") {
            request.all = true;
        } else if (word == "--scan") {
            request.source = CatalogueSource::SongFiles;
        } else if (word == "--quiet" || word == "-q") {
            request.quiet = true;
        } else if (word == "--overwrite" || word == "--no-overwrite") {
            const bool overwrite = word == "--overwrite";
            if (request.overwrite && *request.overwrite != overwrite) {
                problem = "--overwrite and --no-overwrite exclude each other";
                return std::nullopt;
            }
            request.overwrite = overwrite;
        } else if (word.starts_with("--")) {
            problem = "unknown option \"" + word + "\"";
            return std::nullopt;
        } else {
            positional.push_back(word);
        }
    }
    if (positional.size() != 2) {
        problem = "copy takes a FOLDER and a DEST";
        return std::nullopt;
    }
    if (!request.all && request.titles.empty() && request.searches.empty() &&
        request.playlists.empty()) {
        problem = "choose the songs with --all, --title, --search or --playlist";
        return std::nullopt;
    }
    request.folder = positional[0];
    request.destination = positional[1];
    return request;
}

// The songs of the playlists `names` names (letter case aside); nullopt with `problem` when a
// name is that of no playlist.
std::optional<std::vector<bool>>
SongsOfPlaylists(const TiPod& pod, const std::vector<std::string>& names, std::string& problem) {
    std::vector<bool> chosen(pod.Songs.size(), false);
    for (const std::string& name : names) {
        bool found = false;
        for (const Playlist& playlist : pod.Playlists) {
            if (!platform::text::SameNoCase(platform::text::WideToAnsi(playlist.Name), name))
                continue;
            found = true;
            for (const std::size_t song : playlist.Songs)
                chosen[song] = true;
        }
        if (!found) {
            problem = "no playlist is named \"" + name + "\"";
            return std::nullopt;
        }
    }
    return chosen;
}

bool Chosen(const CopyRequest& request, const TSong& song, bool inPlaylist) {
    if (request.all || inPlaylist)
        return true;
    const std::string title = platform::text::WideToAnsi(song.Title);
    return std::any_of(
               request.titles.begin(), request.titles.end(),
               [&](const std::string& text) { return platform::text::SameNoCase(title, text); }) ||
           std::any_of(request.searches.begin(), request.searches.end(),
                       [&](const std::string& text) { return SongMatchesSearch(song, text); });
}

// The saved "Always Overwrite Exist File." option, read without creating a hive: a user who
// never ran Quillmere has none, and the option's default applies. Also points the error log at
// the program's AppDir (the data folder when there is no hive), never at a drive's root.
bool ReadSavedOverwrite(TSettingsStore& settings) {
    const std::string dataFolder = platform::DataFolder();
    auto registry = std::make_unique<platform::Registry>(dataFolder + "/user.reg");
    bool overwrite = true;
    if (registry->HiveExists()) {
        platform::SetCurrentUser(std::move(registry));
        settings.ReadRegistry();
        overwrite = settings.OverwriteExisting;
    }
    if (settings.AppDir.empty())
        settings.AppDir = platform::Drives().ToWindowsPath(dataFolder).value_or("");
    return overwrite;
}

std::size_t TerminalColumns() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

// Each entry's source size as the worker will find it; 0 for a missing one.
std::vector<std::uint64_t> SourceSizes(const CopyJob& job) {
    std::vector<std::uint64_t> sizes;
    for (const std::string& source : job.Sources) {
        const auto entry = platform::Drives().Resolve(source);
        sizes.push_back(entry && entry->exists && !entry->folder ? entry->size : 0);
    }
    return sizes;
}

// The main window of a headless copy: every message is handled at once on the worker's own
// thread, and drawn as the progress line when there is one.
class DirectSender : public platform::MessageSender {
public:
    DirectSender(const CopyJob& job, CopyProgress* progress) : job_(job), progress_(progress) {}

    void Attach(TCopyThread& worker) { worker_ = &worker; }

    platform::LRESULT SendMessage(unsigned message, platform::WPARAM wParam,
                                  platform::LPARAM) override {
        CheckInterrupt();
        if (message == WM_COPYPROGRESS && progress_)
            progress_->BlockCopied(wParam, CopyProgress::Clock::now());
        return 0;
    }

    void RunOnTargetThread(const std::function<void()>& task) override {
        CheckInterrupt();
        task();
    }

    // The worker announces each file it copies; the entries it passed over meanwhile (missing
    // sources) already have their results, so the announced one is the first without.
    void FileStarted() {
        while (next_ < job_.Count() && job_.Results[next_].Outcome != CopyOutcome::NotReached)
            ++next_;
        if (progress_ && next_ < job_.Count())
            progress_->FileStarted(next_, job_.Names[next_], CopyProgress::Clock::now());
        ++next_;
    }

private:
    void CheckInterrupt() {
        if (InterruptCatcher::Caught() != 0 && worker_ && !worker_->Abandoned())
            worker_->Abandon();
    }

    const CopyJob& job_;
    CopyProgress* const progress_;
    TCopyThread* worker_ = nullptr;
    std::size_t next_ = 0; // the first entry that may still be announced
};

std::string WhyNotCopied(const CopyResult& result, bool abandoned) {
    switch (result.Outcome) {
    case CopyOutcome::MissingSource:
        return "not copied: the song's file is missing on the iPod";
    case CopyOutcome::Failed:
        return "not copied: " + WithShownPath(result.Reason);
    case CopyOutcome::NotReached:
        return abandoned ? "not copied: interrupted"
                         : "not copied: the copy stopped at an earlier song";
    case CopyOutcome::Copied:
        break;
    }
    return {};
}

} // namespace

std::string CopyUsageText() {
    return "Usage: quillmere-cli copy FOLDER DEST [--all] [--title TEXT]... [--search TEXT]...\n"
           "                             [--playlist NAME]... [--name TEMPLATE] [--playlists]\n"
           "                             [--overwrite | --no-overwrite] [--scan] [--quiet]\n"
           "\n"
           "  Copies songs of the iPod in FOLDER into the existing folder DEST, each named\n"
           "  after its title. --all takes every song, --title the songs of that title (letter\n"
           "  case aside), --search those the search field shows for TEXT, --playlist the songs\n"
           "  of that playlist (letter case aside); together they take every song any of them\n"
           "  takes. An existing file is replaced or kept (the copy gets a numbered name in its\n"
           "  own folder) as the saved option says, unless a flag says otherwise.\n"
           "  --name TEMPLATE places each song at DEST/TEMPLATE plus its extension. The fields\n"
           "  {title} {artist} {album} {albumartist} {genre} {composer} {year} {track} {disc}\n"
           "  stand for the song's; {albumartist} is the album artist, else \"Various Artists\"\n"
           "  for a compilation, else the artist; a width pads a number with zeros ({track:02}\n"
           "  gives 07). A part in [ ] is left out when a field in it is empty or 0. \"/\"\n"
           "  separates folders, which are made as needed; each folder and file name is made\n"
           "  safe, and a folder or file name whose fields are all empty is \"Unknown Artist\",\n"
           "  \"Unknown Album\" or \"Unknown\". A library layout:\n"
           "    --name \"{albumartist}/{album}/[{disc}-][{track:02} ]{title}\"\n"
           "  --playlists also writes, into DEST, NAME.m3u8 for each playlist of which a song\n"
           "  was copied: UTF-8, #EXTM3U, then per copied song #EXTINF:SECONDS,ARTIST - TITLE\n"
           "  and the file's path relative to DEST. An existing playlist file is replaced only\n"
           "  when overwriting, else numbered like songs.\n"
           "  --scan takes the songs from the song files under iPod_Control/Music and their\n"
           "  tags instead of the database, for an iPod whose database is lost or damaged.\n"
           "  Prints per song: title TAB the path written, or title TAB why it was not copied;\n"
           "  then per playlist: name TAB the path written, or name TAB why it was not.\n"
           "  While copying, a line on standard error shows the songs and bytes done, the speed\n"
           "  and the time left, when standard error is a terminal; --quiet (-q) hides it.\n"
           "  Ctrl+C stops the copy: the song being written is removed, the songs already\n"
           "  copied stay, every song is listed as copied or not, and no playlist is written.\n"
           "\n"
           "Exit status: 0 when every song was copied, 1 when any was not (or a playlist\n"
           "was not written), 2 for wrong arguments or when FOLDER holds no iPod database,\n"
           "DEST is no folder or no playlist has a NAME given, 130 when interrupted by Ctrl+C\n"
           "(128 plus the signal's number for another signal).\n";
}

int RunCopyCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << CopyUsageText();
        return kExitSuccess;
    }
    std::string problem;
    const std::optional<CopyRequest> request = ParseCopyArguments(args, problem);
    if (!request) {
        err << "quillmere-cli copy: " << problem << "\n" << CopyUsageText();
        return kExitUsage;
    }
    std::error_code error;
    for (const std::string* folder : {&request->folder, &request->destination}) {
        if (!fs::is_directory(*folder, error)) {
            err << "quillmere-cli copy: " << *folder << " is not a folder\n";
            return kExitUsage;
        }
    }

    int status = kExitSuccess;
    std::optional<TiPod> pod =
        LoadCatalogue(request->folder, request->source, "quillmere-cli copy: ", err, status);
    if (!pod)
        return status;
    const std::optional<std::string> destinationFolder = platform::Drives().ToWindowsPath(
        fs::absolute(request->destination, error).lexically_normal().string());
    if (!destinationFolder) {
        err << "quillmere-cli copy: " << request->destination << " is on no drive\n";
        return kExitUsage;
    }

    const std::optional<std::vector<bool>> inPlaylist =
        SongsOfPlaylists(*pod, request->playlists, problem);
    if (!inPlaylist) {
        err << "quillmere-cli copy: " << request->folder << ": " << problem << "\n";
        return kExitUsage;
    }

    const CopyDestination destination{*destinationFolder, request->naming};
    CopyJob job;
    for (std::int32_t i = 0; i < pod->GetSongCount(); ++i) {
        const auto index = static_cast<std::size_t>(i);
        if (Chosen(*request, pod->Songs[index], (*inPlaylist)[index]))
            job.Add(*pod, index, destination);
    }
    if (job.Count() == 0) {
        err << "quillmere-cli copy: no song of " << request->folder << " matches\n";
        return kExitFailure;
    }

    TSettingsStore settings;
    const bool savedOverwrite = ReadSavedOverwrite(settings);
    TLogClass::SetAppDirSource(&settings.AppDir);
    const std::atomic<bool> overwrite{request->overwrite.value_or(savedOverwrite)};

    const bool onTerminal = &err == &std::cerr && isatty(STDERR_FILENO);
    std::optional<CopyProgress> progress;
    if (onTerminal && !request->quiet)
        progress.emplace(err, SourceSizes(job), TerminalColumns, CopyProgress::Clock::now());
    DirectSender sender(job, progress ? &*progress : nullptr);
    TCopyThread worker(sender, overwrite, [&](const std::string&) { sender.FileStarted(); });
    sender.Attach(worker);
    worker.CopySources = &job.Sources;
    worker.CopyTargets = &job.Targets;
    worker.CopyNames = &job.Names;
    worker.CopyResults = &job.Results;
    worker.MakeFolders = destination.HasFolders();
    int interruptedBy = 0;
    {
        const InterruptCatcher catcher(progress.has_value());
        worker.Resume();
        {
            const InterruptCatcher::BlockedHere toTheWorker;
            worker.WaitFor();
        }
        if (worker.Abandoned())
            interruptedBy = InterruptCatcher::Caught();
    }
    if (progress)
        progress->Clear();
    TLogClass::SetAppDirSource(nullptr);

    std::size_t notCopied = 0;
    for (std::size_t i = 0; i < job.Count(); ++i) {
        out << EscapeField(job.Names[i]) << '\t';
        if (job.Results[i].Outcome == CopyOutcome::Copied) {
            out << EscapeField(ShownPath(job.Targets[i]));
        } else {
            out << EscapeField(WhyNotCopied(job.Results[i], worker.Abandoned()));
            ++notCopied;
        }
        out << '\n';
    }
    // Playlists name the songs that were copied; an interrupted copy writes none.
    std::size_t playlistsNotWritten = 0;
    if (request->writePlaylists && interruptedBy == 0) {
        PlaylistWriter writer(*destinationFolder, overwrite);
        for (const Playlist& playlist : pod->Playlists) {
            const std::vector<PlaylistEntry> entries =
                CopiedEntries(*pod, playlist, job, *destinationFolder);
            if (entries.empty())
                continue;
            const std::string name = platform::text::WideToAnsi(playlist.Name);
            out << EscapeField(name) << '\t';
            try {
                out << EscapeField(ShownPath(writer.Write(name, entries)));
            } catch (const std::exception& failure) {
                out << EscapeField("not written: " + WithShownPath(failure.what()));
                ++playlistsNotWritten;
            }
            out << '\n';
        }
    }
    out.flush();

    if (!worker.StopReason().empty())
        err << "quillmere-cli copy: the copy stopped: " << WithShownPath(worker.StopReason())
            << "\n";
    else if (worker.Abandoned())
        err << "quillmere-cli copy: interrupted: " << job.Count() - notCopied << " of "
            << job.Count() << (job.Count() == 1 ? " song" : " songs") << " copied\n";
    if (notCopied > 0)
        err << "quillmere-cli copy: " << notCopied << " of " << job.Count()
            << (job.Count() == 1 ? " song" : " songs") << (notCopied == 1 ? " was" : " were")
            << " not copied\n";
    if (playlistsNotWritten > 0)
        err << "quillmere-cli copy: " << playlistsNotWritten
            << (playlistsNotWritten == 1 ? " playlist was" : " playlists were") << " not written\n";
    // As a shell reports a command ended by a signal: 130 after Ctrl+C.
    if (interruptedBy != 0)
        return kExitSignalBase + interruptedBy;
    if (notCopied > 0 || playlistsNotWritten > 0)
        return kExitFailure;
    return out ? kExitSuccess : kExitFailure;
}

int RunCopyCommand(const std::vector<std::string>& args) {
    return RunCopyCommand(args, std::cout, std::cerr);
}

} // namespace cli
