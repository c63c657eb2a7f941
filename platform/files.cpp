#include "platform/files.h"

#include "platform/drives.h"
#include "platform/error.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>

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

void SetFaultHook(FaultHook* hook) {
    faultHook.store(hook, std::memory_order_release);
}

} // namespace platform::files
