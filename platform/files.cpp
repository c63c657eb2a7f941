#include "platform/files.h"

#include "platform/drives.h"
#include "platform/error.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace platform::files {

namespace {

constexpr const char* kCannotOpen = "Cannot open file %s";
constexpr const char* kCannotCreate = "Cannot create file %s";
constexpr const char* kReadError = "Stream read error";
constexpr const char* kWriteError = "Stream write error";

// Read by the copy worker while a test may install or remove it.
std::atomic<FaultHook*> faultHook{nullptr};

FaultHook* Hook() {
    return faultHook.load(std::memory_order_acquire);
}

[[noreturn]] void Fail(const char* pattern, const std::string& windowsPath) {
    throw OsError(FormatMessage(pattern, windowsPath));
}

[[noreturn]] void Fail(const char* message) {
    throw OsError(message);
}

bool DiskFull(int error) {
    return error == ENOSPC || error == EDQUOT || error == EFBIG;
}

std::string NameOf(const std::string& hostPath) {
    auto slash = hostPath.rfind('/');
    return slash == std::string::npos ? hostPath : hostPath.substr(slash + 1);
}

} // namespace

bool FileExists(const std::string& path) {
    auto entry = Drives().Resolve(path);
    return entry && entry->exists && !entry->folder;
}

bool DirectoryExists(const std::string& path) {
    auto entry = Drives().Resolve(path);
    return entry && entry->exists && entry->folder;
}

std::optional<std::uint64_t> FindSize(const std::string& path) {
    auto entry = Drives().Resolve(path);
    if (!entry || !entry->exists)
        return std::nullopt;
    return entry->size;
}

std::vector<std::byte> ReadWholeFile(const std::string& path) {
    InputFile file(path);
    std::vector<std::byte> content(file.Size());
    if (file.Read(content.data(), content.size()) < content.size())
        Fail(kReadError);
    return content;
}

InputFile::InputFile(const std::string& path) {
    auto host = Drives().ToHostPath(path);
    if (!host)
        Fail(kCannotOpen, path);
    hostPath_ = std::move(*host);
    if (auto* hook = Hook(); hook && hook->FailOpen(hostPath_))
        Fail(kCannotOpen, path);
    // Non-blocking, so that a named pipe in place of a file cannot hang the caller; only regular
    // files are read (a device such as /dev/zero would never end).
    fd_ = open(hostPath_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0)
        Fail(kCannotOpen, path);
    struct stat info {};
    if (fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode) ||
        fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) & ~O_NONBLOCK) != 0) {
        close(fd_);
        fd_ = -1;
        Fail(kCannotOpen, path);
    }
}

InputFile::~InputFile() {
    if (fd_ >= 0)
        close(fd_);
}

std::size_t InputFile::Read(void* buffer, std::size_t count) {
    if (auto* hook = Hook(); hook && hook->FailRead(hostPath_, offset_))
        Fail(kReadError);
    auto* bytes = static_cast<char*>(buffer);
    std::size_t got = 0;
    while (got < count) {
        ssize_t n = read(fd_, bytes + got, count - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            Fail(kReadError);
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    offset_ += got;
    return got;
}

std::uint64_t InputFile::Size() const {
    struct stat info {};
    if (fstat(fd_, &info) != 0)
        Fail(kReadError);
    return static_cast<std::uint64_t>(info.st_size);
}

OutputFile::OutputFile(const std::string& path) {
    auto& drives = Drives();
    auto entry = drives.Resolve(path);
    if (!entry)
        Fail(kCannotCreate, path);
    hostPath_ = std::move(entry->path);
    if (auto* hook = Hook(); hook && hook->FailCreate(hostPath_))
        Fail(kCannotCreate, path);
    // Truncating a file leaves its folder as it was; creating one adds a name to it.
    const auto before = entry->exists ? FolderStamp{} : drives.StampFolderOf(hostPath_);
    fd_ = open(hostPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0)
        Fail(kCannotCreate, path);
    if (!entry->exists)
        drives.NoteNames(before, {{NameChange::Added, NameOf(hostPath_)}});
}

OutputFile::~OutputFile() {
    if (fd_ >= 0)
        close(fd_);
}

std::size_t OutputFile::Write(const void* buffer, std::size_t count) {
    if (fd_ < 0)
        Fail(kWriteError);
    auto* hook = Hook();
    if (hook && hook->FailWrite(hostPath_))
        Fail(kWriteError);
    std::size_t allowed = hook ? std::min(count, hook->WriteLimit(hostPath_, count)) : count;
    const auto* bytes = static_cast<const char*>(buffer);
    std::size_t stored = 0;
    while (stored < allowed) {
        ssize_t n = write(fd_, bytes + stored, allowed - stored);
        if (n < 0 && errno == EINTR)
            continue;
        // A disk that fills up part way stores part of the block: a short write.
        if (n < 0 && stored > 0 && DiskFull(errno))
            break;
        if (n < 0)
            Fail(kWriteError);
        if (n == 0)
            break;
        stored += static_cast<std::size_t>(n);
    }
    return stored;
}

OutputFile::CopyCount OutputFile::CopyFrom(InputFile& source, std::size_t count, void* buffer) {
    if (fd_ < 0)
        Fail(kWriteError);
    if (!Hook() && kernelCopy_) {
        for (;;) {
            ssize_t n = copy_file_range(source.fd_, nullptr, fd_, nullptr, count, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n >= 0) {
                source.offset_ += static_cast<std::uint64_t>(n);
                return {static_cast<std::size_t>(n), static_cast<std::size_t>(n)};
            }
            if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) {
                kernelCopy_ = false; // these two files cannot; copy through the buffer
                break;
            }
            if (DiskFull(errno))
                break; // the buffered copy tells how much of the block still fits
            Fail(kWriteError);
        }
    }
    CopyCount copied;
    copied.read = source.Read(buffer, count);
    copied.stored = copied.read > 0 ? Write(buffer, copied.read) : 0;
    return copied;
}

void OutputFile::Close() {
    if (fd_ < 0)
        return;
    int result = close(fd_);
    fd_ = -1;
    // After EINTR the descriptor is gone all the same and the data was handed over.
    if (result != 0 && errno != EINTR)
        Fail(kWriteError);
}

bool RenameFile(const std::string& from, const std::string& to) {
    auto& drives = Drives();
    auto source = drives.Resolve(from);
    auto target = drives.Resolve(to);
    if (!source || !target)
        return false;
    if (auto* hook = Hook(); hook && hook->FailRename(target->path))
        return false;
    const auto sourceFolder = drives.StampFolderOf(source->path);
    const auto targetFolder = drives.StampFolderOf(target->path);
    if (std::rename(source->path.c_str(), target->path.c_str()) != 0)
        return false;
    if (source->path == target->path)
        return true;
    NameChange removed{NameChange::Removed, NameOf(source->path)};
    NameChange added{target->exists ? NameChange::Replaced : NameChange::Added,
                     NameOf(target->path)};
    if (sourceFolder.folder == targetFolder.folder) {
        drives.NoteNames(sourceFolder, {removed, added});
    } else {
        drives.NoteNames(sourceFolder, {removed});
        drives.NoteNames(targetFolder, {added});
    }
    return true;
}

bool DeleteFile(const std::string& path) {
    auto& drives = Drives();
    auto entry = drives.Resolve(path);
    if (!entry)
        return false;
    const auto before = drives.StampFolderOf(entry->path);
    if (unlink(entry->path.c_str()) != 0)
        return false;
    drives.NoteNames(before, {{NameChange::Removed, NameOf(entry->path)}});
    return true;
}

namespace {

// The Windows path of the folder holding `path`; empty when it has none.
std::string WindowsParent(std::string_view path) {
    while (!path.empty() && (path.back() == '\\' || path.back() == '/'))
        path.remove_suffix(1);
    const std::size_t last = path.find_last_of("\\/:");
    if (last == std::string_view::npos || path[last] == ':')
        return {};
    return std::string(path.substr(0, last));
}

// Makes `path` and the missing folders above it; adds the host path of each one made to `made`.
void CreateFolderChain(const std::string& path, std::vector<std::string>& made) {
    auto& drives = Drives();
    auto entry = drives.Resolve(path);
    if (!entry)
        Fail("Cannot create folder %s", path);
    if (entry->exists) {
        if (!entry->folder)
            Fail("Cannot create folder %s", path);
        return;
    }
    if (const std::string parent = WindowsParent(path); !parent.empty())
        CreateFolderChain(parent, made);
    // The parent now exists and may be spelled otherwise than asked: resolve the name again.
    entry = drives.Resolve(path);
    if (!entry)
        Fail("Cannot create folder %s", path);
    if (auto* hook = Hook(); hook && hook->FailCreate(entry->path))
        Fail("Cannot create folder %s", path);
    const auto before = drives.StampFolderOf(entry->path);
    if (mkdir(entry->path.c_str(), 0777) != 0) {
        struct stat info {};
        // Made by somebody else meanwhile: used as it is.
        if (errno == EEXIST && stat(entry->path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            return;
        Fail("Cannot create folder %s", path);
    }
    drives.NoteNames(before, {{NameChange::Added, NameOf(entry->path)}});
    made.push_back(std::move(entry->path));
}

bool RemoveHostFolder(const std::string& hostPath) {
    auto& drives = Drives();
    const auto before = drives.StampFolderOf(hostPath);
    if (rmdir(hostPath.c_str()) != 0)
        return false;
    drives.NoteNames(before, {{NameChange::Removed, NameOf(hostPath)}});
    return true;
}

} // namespace

std::vector<std::string> CreateFolders(const std::string& path) {
    std::vector<std::string> made;
    try {
        CreateFolderChain(path, made);
    } catch (...) {
        for (auto folder = made.rbegin(); folder != made.rend(); ++folder)
            RemoveHostFolder(*folder);
        throw;
    }
    for (std::string& folder : made)
        folder = Drives().ToWindowsPath(folder).value_or(folder);
    return made;
}

bool RemoveEmptyFolder(const std::string& path) {
    const auto entry = Drives().Resolve(path);
    return entry && entry->exists && entry->folder && RemoveHostFolder(entry->path);
}

namespace {

std::string ParentFolder(const std::string& hostPath) {
    const auto slash = hostPath.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : hostPath.substr(0, slash);
}

// Read-only as Windows and FAT see it (the owner may not write), or for this process.
bool ReadOnly(const std::string& hostPath, const struct stat& info) {
    return (info.st_mode & S_IWUSR) == 0 ||
           faccessat(AT_FDCWD, hostPath.c_str(), W_OK, AT_EACCESS) != 0;
}

// A new file in the folder of `hostPath` under a name no other writer uses; its descriptor.
int CreateSibling(const std::string& hostPath, std::string& siblingPath) {
    static std::atomic<unsigned> counter{0};
    const std::string stem =
        ParentFolder(hostPath) + "/.quillmere-" + std::to_string(getpid()) + "-";
    for (;;) {
        siblingPath = stem + std::to_string(counter.fetch_add(1)) + ".tmp";
        // The process's umask applies, as to any new file.
        const int fd = open(siblingPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
}

// WriteHostFileAtomically; `shownPath` names the file in messages.
void ReplaceContent(const std::string& hostPath, std::string_view content,
                    const std::string& shownPath) {
    auto fail = [&](const std::string& step, int error) {
        throw OsError("Cannot write file " + shownPath + " (" + step +
                      "): " + std::strerror(error));
    };
    struct stat old {};
    const bool replacing = stat(hostPath.c_str(), &old) == 0;
    if (replacing && ReadOnly(hostPath, old))
        throw OsError("Cannot write file " + shownPath + ": it is read-only");
    auto* hook = Hook();
    if (hook && hook->FailCreate(hostPath))
        fail("create", EACCES);
    std::string siblingPath;
    int fd = CreateSibling(hostPath, siblingPath);
    if (fd < 0)
        fail("create", errno);
    // From here on a failure removes the new file.
    auto failAfterCreate = [&](const std::string& step, int error) {
        if (fd >= 0)
            close(fd);
        unlink(siblingPath.c_str());
        fail(step, error);
    };
    if (replacing) {
        // The owner first: changing it may clear the set-id bits that the mode then restores.
        if (old.st_uid != geteuid() || old.st_gid != getegid())
            (void)!fchown(fd, old.st_uid, old.st_gid); // only a privileged process may
        if (fchmod(fd, old.st_mode & 07777) != 0)
            failAfterCreate("keep its permissions", errno);
    }
    if (hook && hook->FailWrite(hostPath))
        failAfterCreate("write", EIO);
    const std::size_t allowed =
        hook ? std::min(content.size(), hook->WriteLimit(hostPath, content.size()))
             : content.size();
    std::size_t written = 0;
    while (written < allowed) {
        const ssize_t count = write(fd, content.data() + written, allowed - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            failAfterCreate("write", count < 0 ? errno : ENOSPC);
        written += static_cast<std::size_t>(count);
    }
    // Part of the content is no content.
    if (written < content.size())
        failAfterCreate("write", ENOSPC);
    if (fsync(fd) != 0)
        failAfterCreate("flush", errno);
    const int closed = close(fd);
    fd = -1;
    if (closed != 0 && errno != EINTR)
        failAfterCreate("close", errno);
    if (hook && hook->FailRename(hostPath))
        failAfterCreate("replace", EACCES);
    if (rename(siblingPath.c_str(), hostPath.c_str()) != 0)
        failAfterCreate("replace", errno);
    // The rename itself lasts only once the folder is flushed; failing that loses nothing.
    const int folder = open(ParentFolder(hostPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
}

// True while `hostPath` names the file open as `fd` (not replaced, not removed).
bool NamesFile(const std::string& hostPath, int fd) {
    struct stat opened {};
    struct stat named {};
    return fstat(fd, &opened) == 0 && stat(hostPath.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

} // namespace

void WriteFileAtomically(const std::string& path, std::string_view content) {
    auto& drives = Drives();
    auto entry = drives.Resolve(path);
    if (!entry)
        throw OsError(FormatMessage("Cannot write file %s: it is on no drive", path));
    const auto before = drives.StampFolderOf(entry->path);
    ReplaceContent(entry->path, content, path);
    drives.NoteNames(
        before, {{entry->exists ? NameChange::Replaced : NameChange::Added, NameOf(entry->path)}});
}

void WriteHostFileAtomically(const std::string& hostPath, std::string_view content) {
    ReplaceContent(hostPath, content, hostPath);
}

FileLock::FileLock(const std::string& path) {
    auto& drives = Drives();
    auto entry = drives.Resolve(path);
    if (!entry)
        Fail("Cannot lock file %s", path);
    hostPath_ = std::move(entry->path);
    for (;;) {
        // Non-blocking, so that a named pipe of that name cannot hang the caller.
        int fd = open(hostPath_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        bool created = false;
        if (fd < 0 && errno == ENOENT) {
            if (auto* hook = Hook(); hook && hook->FailCreate(hostPath_))
                Fail("Cannot lock file %s", path);
            const auto before = drives.StampFolderOf(hostPath_);
            fd = open(hostPath_.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0 && errno == EEXIST)
                continue; // another writer created it first
            created = fd >= 0;
            if (created)
                drives.NoteNames(before, {{NameChange::Added, NameOf(hostPath_)}});
        }
        if (fd < 0)
            Fail("Cannot lock file %s", path);
        while (flock(fd, LOCK_EX) != 0 && errno == EINTR) {
        }
        // The file may have been replaced or removed while this waited: lock what the name
        // holds now.
        if (NamesFile(hostPath_, fd)) {
            fd_ = fd;
            created_ = created;
            return;
        }
        close(fd);
    }
}

FileLock::~FileLock() {
    close(fd_); // releases the lock
}

void FileLock::RemoveIfCreated() {
    struct stat named {};
    if (!created_ || !NamesFile(hostPath_, fd_) || stat(hostPath_.c_str(), &named) != 0 ||
        named.st_size != 0)
        return;
    auto& drives = Drives();
    const auto before = drives.StampFolderOf(hostPath_);
    if (unlink(hostPath_.c_str()) == 0)
        drives.NoteNames(before, {{NameChange::Removed, NameOf(hostPath_)}});
    created_ = false;
}

void SetFaultHook(FaultHook* hook) {
    faultHook.store(hook, std::memory_order_release);
}

} // namespace platform::files
