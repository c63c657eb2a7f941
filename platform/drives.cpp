#include "platform/drives.h"

#include "platform/ascii.h"
#include "platform/data_folder.h"
#include "platform/error.h"
#include "platform/mount_table.h"
#include "platform/text.h"

#include <dirent.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unordered_map>

namespace platform {

namespace {

namespace fs = std::filesystem;

constexpr char kFirstVolumeLetter = 'd';
// Enough for a library sorted into a folder per album, whose files a copy job looks up in
// catalogue order, one album after another at random.
constexpr std::size_t kMaxCachedListings = 4096;
// A listing is complete only as far as its folder's time can tell a later change from the one
// it shows. FAT keeps times to two seconds (whole seconds, as other coarse file systems do);
// the others take them from a clock that ticks every few milliseconds.
constexpr std::int64_t kCoarseTimeWindow = 2'000'000'000;
constexpr std::int64_t kFineTimeWindow = 50'000'000;
constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;
// Folder times are kept well inside what differences of nanoseconds can hold.
constexpr std::int64_t kLatestSecond = 6'000'000'000;

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// 'a'..'z' for a drive letter in either case, 0 for anything else.
char DriveLetter(char c) {
    const char letter = ascii::FoldCase(c);
    return letter >= 'a' && letter <= 'z' ? letter : 0;
}

// A line of the drive map without its blanks (and a CR that a Windows editor left).
std::string_view TrimLine(std::string_view text) {
    return ascii::Trim(text, " \t\r\n");
}

// "/a/./b/" -> "/a/b"; nullopt for a relative folder.
std::optional<std::string> NormalFolder(std::string_view folder) {
    if (folder.empty() || folder.front() != '/')
        return std::nullopt;
    std::string normal = fs::path(folder).lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/')
        normal.pop_back();
    return normal;
}

std::string JoinHost(const std::string& folder, std::string_view name) {
    std::string joined = folder;
    if (joined.empty() || joined.back() != '/')
        joined += '/';
    joined += name;
    return joined;
}

// The part of `path` below `folder`, without a leading "/"; nullopt when outside it.
std::optional<std::string> Below(const std::string& folder, const std::string& path) {
    if (folder == "/")
        return path.substr(1);
    if (path == folder)
        return std::string();
    if (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
        path[folder.size()] == '/')
        return path.substr(folder.size() + 1);
    return std::nullopt;
}

std::vector<std::string_view> SplitPath(std::string_view path, std::string_view separators) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        auto end = std::min(path.find_first_of(separators, start), path.size());
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// udev writes unsafe characters of a label as \xHH: "My\x20iPod".
std::string DecodeLabel(std::string_view name) {
    std::string label;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
            int high = ascii::HexDigit(name[i + 2]);
            int low = ascii::HexDigit(name[i + 3]);
            if (high >= 0 && low >= 0) {
                label += static_cast<char>(high * 16 + low);
                i += 3;
                continue;
            }
        }
        label += name[i];
    }
    return label;
}

bool IsPseudoFileSystem(std::string_view type) {
    static constexpr std::array<std::string_view, 28> pseudo = {
        "proc",     "sysfs",      "tmpfs",      "devtmpfs",  "devpts", "ramfs",     "cgroup",
        "cgroup2",  "overlay",    "squashfs",   "autofs",    "mqueue", "hugetlbfs", "debugfs",
        "tracefs",  "securityfs", "configfs",   "fusectl",   "pstore", "bpf",       "binfmt_misc",
        "efivarfs", "nsfs",       "rpc_pipefs", "selinuxfs", "nfsd",   "fuse",      "aufs"};
    if (type.starts_with("fuse.")) // fuseblk (ntfs-3g, exfat-fuse) sits on a real device
        return true;
    return std::find(pseudo.begin(), pseudo.end(), type) != pseudo.end();
}

bool IsUnder(std::string_view path, std::string_view folder) {
    return path == folder || (path.starts_with(folder) && path[folder.size()] == '/');
}

// Folders where the system mounts its own volumes: nobody calls those a drive.
bool IsSystemFolder(std::string_view folder) {
    if (IsUnder(folder, "/run/media"))
        return false;
    for (std::string_view system : {"/proc", "/sys", "/dev", "/run", "/boot", "/efi", "/snap"})
        if (IsUnder(folder, system))
            return true;
    return false;
}

std::vector<MountedVolume> ReadVolumes(const std::string& mountsFile) {
    auto lines = ReadMountTable(mountsFile);
    std::string rootDevice;
    for (const auto& line : lines)
        if (line.folder == "/")
            rootDevice = line.device;

    std::vector<MountedVolume> volumes;
    for (const auto& line : lines) {
        // A loop device is a drive like any other (a disk image of an iPod mounted by hand or
        // by the desktop); the system's own loop mounts (snap packages) are squashfs in /snap.
        if (line.folder == "/" || !line.device.starts_with("/dev/") ||
            IsPseudoFileSystem(line.type) || IsSystemFolder(line.folder))
            continue;
        // Binds of the root's folders (containers, btrfs subvolumes) are already on c:.
        if (line.device == rootDevice)
            continue;
        auto folder = NormalFolder(line.folder);
        struct stat info {};
        if (!folder || stat(folder->c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
            continue; // single files bind-mounted into containers
        // A later mount on a folder hides the earlier one.
        std::erase_if(volumes, [&](const MountedVolume& v) { return v.folder == *folder; });
        // Binds of a volume's folders show the same device again: one drive per device.
        if (std::any_of(volumes.begin(), volumes.end(),
                        [&](const MountedVolume& v) { return v.device == line.device; }))
            continue;
        volumes.push_back({*folder, line.device});
    }
    return volumes;
}

// "e=/absolute/folder" lines; later lines replace earlier ones.
std::map<char, std::string> ReadDriveMap(const std::string& mapFile) {
    std::map<char, std::string> letters;
    if (mapFile.empty())
        return letters;
    std::ifstream in(mapFile);
    std::string line;
    while (std::getline(in, line)) {
        auto text = TrimLine(line);
        if (text.empty() || text.front() == '#' || text.front() == ';')
            continue;
        auto equals = text.find('=');
        if (equals == std::string_view::npos)
            continue;
        auto name = TrimLine(text.substr(0, equals));
        if (name.size() == 2 && name[1] == ':')
            name = name.substr(0, 1);
        char letter = name.size() == 1 ? DriveLetter(name[0]) : 0;
        auto folder = NormalFolder(TrimLine(text.substr(equals + 1)));
        if (letter && folder)
            letters[letter] = *folder;
    }
    return letters;
}

std::optional<std::string> DeviceLabel(const std::string& labelsFolder, const std::string& device) {
    std::error_code error;
    auto wanted = fs::weakly_canonical(device, error);
    if (error)
        return std::nullopt;
    std::vector<std::string> names;
    fs::directory_iterator entry(labelsFolder, error);
    for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
        std::error_code linkError;
        auto target = fs::read_symlink(entry->path(), linkError);
        if (linkError)
            continue;
        if (target.is_relative())
            target = fs::path(labelsFolder) / target;
        auto resolved = fs::weakly_canonical(target, linkError);
        if (!linkError && resolved == wanted)
            names.push_back(entry->path().filename().string());
    }
    if (names.empty())
        return std::nullopt;
    std::sort(names.begin(), names.end());
    return DecodeLabel(names.front());
}

std::string FolderName(const std::string& folder) {
    auto slash = folder.find_last_of('/');
    return slash == std::string::npos ? folder : folder.substr(slash + 1);
}

std::optional<std::string> WorkingFolder() {
    std::error_code error;
    auto current = fs::current_path(error);
    if (error)
        return std::nullopt;
    return NormalFolder(current.string());
}

HostEntry EntryOf(std::string path, const struct stat& info) {
    bool folder = S_ISDIR(info.st_mode);
    return {std::move(path), true, folder, folder ? 0 : static_cast<std::uint64_t>(info.st_size)};
}

std::int64_t Nanoseconds(const timespec& time) {
    std::int64_t seconds = std::clamp<std::int64_t>(time.tv_sec, -kLatestSecond, kLatestSecond);
    return seconds * kNanosecondsPerSecond + time.tv_nsec;
}

std::int64_t Now() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return Nanoseconds(now);
}

// True when a listing known complete at `completeAt` might miss a change that left the folder's
// time at `modified`.
bool Racy(std::int64_t completeAt, std::int64_t modified) {
    const std::int64_t window =
        modified % kNanosecondsPerSecond == 0 ? kCoarseTimeWindow : kFineTimeWindow;
    return std::llabs(completeAt - modified) < window;
}

// "/a/b" -> "/a", "/a" -> "/"; empty for a path without a name at its end.
std::string ParentFolder(const std::string& hostPath) {
    auto slash = hostPath.rfind('/');
    if (slash == std::string::npos || slash + 1 == hostPath.size())
        return {};
    return slash == 0 ? std::string("/") : hostPath.substr(0, slash);
}

} // namespace

// Folder listings for case-insensitive lookups, each valid while its folder's identity and
// modification time stay as they were when it was made or last kept current.
struct DriveTable::ListingCache {
    struct Listing {
        dev_t device = 0;
        ino_t inode = 0;
        std::int64_t modified = 0;   // the folder's time that the listing shows
        std::int64_t completeAt = 0; // real time up to which the listing is complete
        std::int64_t readAt = 0;     // real time at which the folder last agreed with it
        bool ownChange = false;      // `modified` comes from the file layer's own change
        std::uint64_t lastUse = 0;
        // folded name -> the names that fold to it, in sorted order
        std::unordered_map<std::string, std::vector<std::string>> byFold;
    };

    explicit ListingCache(std::chrono::milliseconds recheckAfter)
        : recheck(std::chrono::duration_cast<std::chrono::nanoseconds>(recheckAfter).count()) {}

    const std::int64_t recheck; // nanoseconds
    std::mutex mutex;
    std::unordered_map<std::string, Listing> listings;
    std::uint64_t useClock = 0;
    std::atomic<std::uint64_t> made{0};

    // The entry of `folder` named `name`: itself when it exists, else the first that differs
    // only in case; nullopt when there is none (or `folder` is no folder).
    std::optional<std::string> Match(const std::string& folder, const std::string& name) {
        struct stat info {};
        if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
            return std::nullopt;
        std::string folded = text::FoldCase(name);
        const std::int64_t now = Now();
        {
            std::lock_guard lock(mutex);
            auto cached = listings.find(folder);
            if (cached != listings.end() && Shows(cached->second, info) &&
                Trusted(cached->second, now)) {
                cached->second.lastUse = ++useClock;
                return Pick(cached->second, name, folded);
            }
        }
        auto listing = List(folder, info, now);
        if (!listing)
            return std::nullopt;
        auto picked = Pick(*listing, name, folded);
        // Even a listing that lookups may not trust again is kept: the layer's own changes can
        // keep it current.
        Keep(folder, std::move(*listing));
        return picked;
    }

    void Note(const FolderStamp& before, const std::vector<NameChange>& changes) {
        if (before.folder.empty())
            return;
        std::vector<std::string> folded;
        for (const auto& change : changes)
            folded.push_back(text::FoldCase(change.name));
        struct stat after {};
        const std::int64_t afterAt = Now();
        const bool found = stat(before.folder.c_str(), &after) == 0 && S_ISDIR(after.st_mode);

        std::lock_guard lock(mutex);
        auto cached = listings.find(before.folder);
        if (cached == listings.end())
            return;
        Listing& listing = cached->second;
        // Only a listing that was current right before the change may take it in; the folder's
        // time after it then covers our change and nothing else.
        bool current = found && before.found &&
                       listing.device == static_cast<dev_t>(before.device) &&
                       listing.inode == static_cast<ino_t>(before.inode) &&
                       listing.modified == before.modified && after.st_dev == listing.device &&
                       after.st_ino == listing.inode;
        if (current && !Racy(listing.completeAt, listing.modified))
            listing.readAt = before.takenAt;
        for (std::size_t i = 0; current && i < changes.size(); ++i)
            current = Apply(listing, changes[i], folded[i]);
        if (!current) {
            listings.erase(cached);
            return;
        }
        listing.modified = Nanoseconds(after.st_mtim);
        listing.completeAt = afterAt;
        listing.ownChange = true;
    }

    void Forget(const std::string& folder) {
        std::lock_guard lock(mutex);
        listings.erase(folder);
    }

private:
    static bool Shows(const Listing& listing, const struct stat& info) {
        return listing.device == info.st_dev && listing.inode == info.st_ino &&
               listing.modified == Nanoseconds(info.st_mtim);
    }

    // Once the folder's time has moved on from the listing's, any later change moves it again.
    // Until then a listing read from the folder serves one lookup only; one that the layer's own
    // changes kept current serves for a while, then is read again, so that a change by somebody
    // else within the same tick of the folder's clock as ours shows up all the same.
    bool Trusted(const Listing& listing, std::int64_t now) const {
        if (!Racy(listing.completeAt, listing.modified))
            return true;
        return listing.ownChange && now - listing.readAt < recheck;
    }

    static std::optional<std::string> Pick(const Listing& listing, const std::string& name,
                                           const std::string& folded) {
        auto bucket = listing.byFold.find(folded);
        if (bucket == listing.byFold.end())
            return std::nullopt;
        const auto& names = bucket->second;
        if (std::find(names.begin(), names.end(), name) != names.end())
            return name;
        return names.front();
    }

    // False when the listing cannot hold the change, which shows that it was not complete.
    static bool Apply(Listing& listing, const NameChange& change, const std::string& folded) {
        if (change.name.empty())
            return false;
        if (change.kind == NameChange::Added) {
            auto& names = listing.byFold[folded];
            auto at = std::lower_bound(names.begin(), names.end(), change.name);
            if (at == names.end() || *at != change.name)
                names.insert(at, change.name);
            return true;
        }
        auto bucket = listing.byFold.find(folded);
        if (bucket == listing.byFold.end())
            return false;
        auto& names = bucket->second;
        auto at = std::lower_bound(names.begin(), names.end(), change.name);
        if (at == names.end() || *at != change.name)
            return false;
        if (change.kind == NameChange::Removed) {
            names.erase(at);
            if (names.empty())
                listing.byFold.erase(bucket);
        }
        return true;
    }

    std::optional<Listing> List(const std::string& folder, const struct stat& info,
                                std::int64_t listedAt) {
        DIR* directory = opendir(folder.c_str());
        if (!directory)
            return std::nullopt;
        ++made;
        std::vector<std::string> names;
        while (dirent* entry = readdir(directory)) {
            std::string_view name = entry->d_name;
            if (name != "." && name != "..")
                names.emplace_back(name);
        }
        closedir(directory);
        std::sort(names.begin(), names.end());
        Listing listing;
        listing.device = info.st_dev;
        listing.inode = info.st_ino;
        listing.modified = Nanoseconds(info.st_mtim);
        listing.completeAt = listedAt;
        listing.readAt = listedAt;
        for (auto& name : names)
            listing.byFold[text::FoldCase(name)].push_back(std::move(name));
        return listing;
    }

    void Keep(const std::string& folder, Listing listing) {
        std::lock_guard lock(mutex);
        if (listings.size() >= kMaxCachedListings && !listings.contains(folder)) {
            std::string oldestFolder;
            std::uint64_t oldestUse = UINT64_MAX;
            for (const auto& [cachedFolder, cached] : listings)
                if (cached.lastUse < oldestUse) {
                    oldestUse = cached.lastUse;
                    oldestFolder = cachedFolder;
                }
            listings.erase(oldestFolder);
        }
        listing.lastUse = ++useClock;
        listings[folder] = std::move(listing);
    }
};

DriveTable::DriveTable(DriveTableConfig config)
    : config_(std::move(config)),
      listings_(std::make_unique<ListingCache>(config_.listingRecheck)) {
    RebuildFixedLocked(ReadDriveMap(config_.driveMapFile));
}

DriveTable::~DriveTable() = default;

DriveChanges DriveTable::Refresh() {
    auto mapFile = ReadDriveMap(config_.driveMapFile);
    auto volumes = ReadVolumes(config_.mountsFile);

    std::lock_guard lock(mutex_);
    auto before = LettersLocked();
    RebuildFixedLocked(mapFile);
    AssignLettersLocked(volumes);
    auto after = LettersLocked();

    DriveChanges changes;
    for (const auto& [letter, volume] : before) {
        auto now = after.find(letter);
        if (now == after.end() || now->second != volume)
            changes.removed.push_back(letter);
    }
    for (const auto& [letter, volume] : after) {
        auto earlier = before.find(letter);
        if (earlier == before.end() || earlier->second != volume)
            changes.arrived.push_back(letter);
    }
    return changes;
}

std::uint32_t DriveTable::LogicalDrives() const {
    std::lock_guard lock(mutex_);
    std::uint32_t bits = 0;
    for (const auto& [letter, volume] : LettersLocked())
        bits |= 1u << (letter - 'a');
    return bits;
}

std::optional<std::string> DriveTable::HostFolder(char letter) const {
    std::lock_guard lock(mutex_);
    return FolderLocked(DriveLetter(letter));
}

void DriveTable::Attach(char letter, const std::string& hostFolder) {
    char drive = DriveLetter(letter);
    std::error_code error;
    auto absolute = hostFolder.empty() ? fs::path() : fs::absolute(hostFolder, error);
    auto folder = NormalFolder(absolute.string());
    if (!drive || error || !folder)
        throw OsError("Cannot attach \"" + hostFolder + "\" as drive " + std::string(1, letter) +
                      ": a drive letter from a to z and a folder are needed");
    std::lock_guard lock(mutex_);
    attached_[drive] = *folder;
    fixed_[drive] = *folder;
    AssignLettersLocked(volumes_);
}

std::optional<char> DriveTable::FreeLetter() const {
    std::lock_guard lock(mutex_);
    for (char letter = kFirstVolumeLetter; letter <= 'z'; ++letter)
        if (!fixed_.contains(letter) && !mounted_.contains(letter))
            return letter;
    return std::nullopt;
}

std::optional<std::string> DriveTable::VolumeLabel(char letter) const {
    char drive = DriveLetter(letter);
    std::string folder, device;
    {
        std::lock_guard lock(mutex_);
        auto found = FolderLocked(drive);
        if (!found)
            return std::nullopt;
        if (drive == 'c')
            return std::string();
        folder = *found;
        // A fixed letter on a volume's mount folder still shows the volume's label.
        for (const auto& volume : volumes_)
            if (volume.folder == folder)
                device = volume.device;
    }
    if (!device.empty())
        if (auto label = DeviceLabel(config_.labelsFolder, device))
            return label;
    return FolderName(folder);
}

std::optional<std::string> DriveTable::ToHostPath(std::string_view windowsPath) const {
    auto entry = Resolve(windowsPath);
    if (!entry)
        return std::nullopt;
    return std::move(entry->path);
}

std::optional<HostEntry> DriveTable::Resolve(std::string_view windowsPath) const {
    auto start = StartOf(windowsPath);
    if (!start)
        return std::nullopt;
    auto parts = std::move(start->parts);
    for (auto part : SplitPath(start->rest, "\\/")) {
        if (part == "..") {
            if (!parts.empty()) // never above the drive's folder
                parts.pop_back();
        } else if (part != ".") {
            parts.emplace_back(part);
        }
    }

    // prefixes[i]: the drive's folder and the first i components, as written
    std::vector<std::string> prefixes{start->folder};
    for (const auto& part : parts)
        prefixes.push_back(JoinHost(prefixes.back(), part));
    const std::string exact = prefixes.back();
    struct stat info {};
    if (stat(exact.c_str(), &info) == 0)
        return EntryOf(exact, info);

    // Some component differs in case, or is missing. Usually it is the last one, in a folder
    // that exists as written: only the components below the deepest prefix that exists are
    // matched by listing, so that a lookup lists no folder above the one it is about.
    std::size_t index = parts.empty() ? 0 : parts.size() - 1;
    while (index > 0 && stat(prefixes[index].c_str(), &info) != 0)
        --index;
    std::string path = std::move(prefixes[index]);
    for (; index < parts.size(); ++index) {
        auto name = listings_->Match(path, parts[index]);
        if (!name)
            break;
        path = JoinHost(path, *name);
    }
    for (; index < parts.size(); ++index)
        path = JoinHost(path, parts[index]);
    if (path != exact && stat(path.c_str(), &info) == 0)
        return EntryOf(std::move(path), info);
    return HostEntry{std::move(path)};
}

std::optional<std::string> DriveTable::ToWindowsPath(std::string_view hostPath) const {
    if (hostPath.empty())
        return std::nullopt;
    fs::path path(hostPath);
    if (path.is_relative()) {
        std::error_code error;
        path = fs::current_path(error) / path;
        if (error)
            return std::nullopt;
    }
    auto normal = NormalFolder(path.string());
    if (!normal)
        return std::nullopt;
    std::lock_guard lock(mutex_);
    auto drive = DriveOfLocked(*normal);
    if (!drive)
        return std::nullopt;
    std::string windows{drive->first, ':', '\\'};
    for (char c : drive->second)
        windows += c == '/' ? '\\' : c;
    return windows;
}

FolderStamp DriveTable::StampFolderOf(const std::string& hostPath) const {
    FolderStamp stamp;
    stamp.folder = ParentFolder(hostPath);
    if (stamp.folder.empty())
        return stamp;
    stamp.takenAt = Now();
    struct stat info {};
    if (stat(stamp.folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        stamp.found = true;
        stamp.device = info.st_dev;
        stamp.inode = info.st_ino;
        stamp.modified = Nanoseconds(info.st_mtim);
    }
    return stamp;
}

void DriveTable::NoteNames(const FolderStamp& before,
                           const std::vector<NameChange>& changes) const {
    // The change itself is done: whatever goes wrong here only costs the listing.
    try {
        listings_->Note(before, changes);
    } catch (...) {
        listings_->Forget(before.folder);
    }
}

std::uint64_t DriveTable::ListingsMade() const {
    return listings_->made.load();
}

std::map<char, MountedVolume> DriveTable::LettersLocked() const {
    std::map<char, MountedVolume> letters;
    for (const auto& [letter, folder] : fixed_)
        letters[letter] = {folder, ""};
    for (const auto& [letter, volume] : mounted_)
        letters[letter] = volume;
    return letters;
}

std::optional<std::string> DriveTable::FolderLocked(char letter) const {
    if (auto fixed = fixed_.find(letter); fixed != fixed_.end())
        return fixed->second;
    if (auto mounted = mounted_.find(letter); mounted != mounted_.end())
        return mounted->second.folder;
    return std::nullopt;
}

std::optional<std::pair<char, std::string>>
DriveTable::DriveOfLocked(const std::string& hostPath) const {
    std::optional<std::pair<char, std::string>> best;
    std::size_t bestLength = 0;
    for (const auto& [letter, volume] : LettersLocked()) {
        auto below = Below(volume.folder, hostPath);
        if (below && (!best || volume.folder.size() > bestLength)) {
            best.emplace(letter, std::move(*below));
            bestLength = volume.folder.size();
        }
    }
    return best;
}

std::optional<DriveTable::PathStart> DriveTable::StartOf(std::string_view windowsPath) const {
    char letter = 0;
    auto rest = windowsPath;
    if (windowsPath.size() >= 2 && windowsPath[1] == ':') {
        letter = DriveLetter(windowsPath[0]);
        if (!letter)
            return std::nullopt;
        rest = windowsPath.substr(2);
    }
    bool rooted = !rest.empty() && IsSeparator(rest.front());
    std::optional<std::string> working;
    if (!letter || !rooted)
        working = WorkingFolder();

    std::lock_guard lock(mutex_);
    PathStart start;
    if (!letter || !rooted) {
        auto current = working ? DriveOfLocked(*working) : std::nullopt;
        if (!letter) {
            if (!current)
                return std::nullopt;
            letter = current->first;
        }
        // "e:name" is relative to the working folder only on the working folder's drive.
        if (!rooted && current && current->first == letter)
            for (auto part : SplitPath(current->second, "/"))
                start.parts.emplace_back(part);
    }
    auto folder = FolderLocked(letter);
    if (!folder)
        return std::nullopt;
    start.folder = *folder;
    start.rest = rest;
    return start;
}

void DriveTable::RebuildFixedLocked(const std::map<char, std::string>& mapFile) {
    fixed_.clear();
    fixed_['c'] = NormalFolder(config_.rootFolder).value_or(config_.rootFolder);
    for (const auto& [letter, folder] : mapFile)
        fixed_[letter] = folder;
    for (const auto& [letter, folder] : attached_)
        fixed_[letter] = folder;
}

void DriveTable::AssignLettersLocked(const std::vector<MountedVolume>& volumes) {
    auto namedByFixedLetter = [&](const MountedVolume& volume) {
        return std::any_of(fixed_.begin(), fixed_.end(),
                           [&](const auto& fixed) { return fixed.second == volume.folder; });
    };
    auto present = [&](const MountedVolume& volume) {
        return std::find(volumes.begin(), volumes.end(), volume) != volumes.end();
    };

    std::map<char, MountedVolume> assigned;
    for (const auto& [letter, volume] : mounted_)
        if (!fixed_.contains(letter) && present(volume) && !namedByFixedLetter(volume))
            assigned[letter] = volume;
    for (const auto& volume : volumes) {
        bool holdsLetter = std::any_of(assigned.begin(), assigned.end(),
                                       [&](const auto& held) { return held.second == volume; });
        if (holdsLetter || namedByFixedLetter(volume))
            continue;
        char letter = kFirstVolumeLetter;
        while (letter <= 'z' && (fixed_.contains(letter) || assigned.contains(letter)))
            ++letter;
        if (letter > 'z')
            break;
        assigned[letter] = volume;
    }
    mounted_ = std::move(assigned);
    volumes_ = volumes;
}

namespace {

std::mutex processTableMutex;
std::unique_ptr<DriveTable> processTable;

} // namespace

DriveTable& Drives() {
    std::lock_guard lock(processTableMutex);
    if (!processTable) {
        DriveTableConfig config;
        config.driveMapFile = DataFolder() + "/drives";
        processTable = std::make_unique<DriveTable>(std::move(config));
        processTable->Refresh();
    }
    return *processTable;
}

void SetDrives(std::unique_ptr<DriveTable> table) {
    std::lock_guard lock(processTableMutex);
    processTable = std::move(table);
}

} // namespace platform
