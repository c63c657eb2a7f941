#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Files addressed by Windows paths ("e:\iPod_Control\iTunes\itunesdb"), resolved through the
// drive table. Every failure raises platform::OsError with the program's message text.
namespace platform::files {

bool FileExists(const std::string& path);      // a file, not a folder
bool DirectoryExists(const std::string& path); // a folder
// Size of whatever the path names, with any attributes (a folder gives 0); nullopt when absent.
std::optional<std::uint64_t> FindSize(const std::string& path);

// The whole file. "Cannot open file %s" when it cannot be opened, "Stream read error" when
// fewer bytes arrive than its size promised.
std::vector<std::byte> ReadWholeFile(const std::string& path);

class InputFile {
public:
    explicit InputFile(const std::string& path); // "Cannot open file %s"
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    std::size_t Read(void* buffer, std::size_t count); // 0 at the end; "Stream read error"
    std::uint64_t Size() const;

private:
    friend class OutputFile; // copies in the kernel from this file's descriptor

    int fd_ = -1;
    std::string hostPath_;
    std::uint64_t offset_ = 0; // what the fault hook is told
};

class OutputFile {
public:
    explicit OutputFile(const std::string& path); // create or truncate; "Cannot create file %s"
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // Bytes stored, which may be fewer than asked (a full disk); "Stream write error" on failure.
    std::size_t Write(const void* buffer, std::size_t count);
    void Close(); // "Stream write error" when the data could not be flushed

    struct CopyCount {
        std::size_t read = 0;   // bytes taken from the source; 0 at its end
        std::size_t stored = 0; // of those, the bytes stored; fewer is a short write
    };
    // Copies up to `count` bytes from the source's position, in the kernel where it can
    // (copy_file_range) and through `buffer` (at least `count` bytes) where it cannot or where
    // the fault hook is to see the reads and writes.
    CopyCount CopyFrom(InputFile& source, std::size_t count, void* buffer);

private:
    int fd_ = -1;
    std::string hostPath_;
    bool kernelCopy_ = true;
};

bool RenameFile(const std::string& from, const std::string& to); // replaces `to`
bool DeleteFile(const std::string& path);

// Makes the folder `path` and every folder above it that is missing; a folder that exists is used
// as it is (whatever the letter case of its name). Returns the folders it made, outermost first.
// Raises OsError "Cannot create folder %s" naming the folder that could not be made (a file in
// its place, no room, a read-only parent, or the fault hook's FailCreate), after removing the
// folders it had made.
std::vector<std::string> CreateFolders(const std::string& path);
// Removes a folder that is empty; false when it is not empty, absent or cannot be removed.
bool RemoveEmptyFolder(const std::string& path);

// Replaces the whole content of a file in one step, as a careful editor saves: the content goes
// to a new file beside it, which is flushed to the disk and then renamed over the old one, and
// the folder is flushed after the rename. A crash or a failure at any step leaves the old
// content or the new one, never a part, and no new file behind. The file keeps the permission
// bits (and, where the process may set it, the owner) of the one it replaces; a missing file is
// created with the default permissions. A read-only file is refused and left as it is: one whose
// owner write bit is clear (the read-only attribute of a FAT or Windows file) or that the process
// may not write. Raises OsError naming the file and the step that failed. The fault hook is told
// each step (FailCreate, FailWrite and WriteLimit, FailRename) under the file's own path.
void WriteFileAtomically(const std::string& path, std::string_view content);
// The same for a file addressed by its host path, outside the drive table (the registry hive).
void WriteHostFileAtomically(const std::string& hostPath, std::string_view content);

// An exclusive advisory lock on one file (flock), which every process and thread that locks the
// file this way waits for: it makes a read-modify-write of the file, ended by
// WriteFileAtomically, one step for all of them. The lock follows the file: a holder that finds
// the file replaced while it waited locks the new one. A missing file is created empty to be
// locked. Where the file system has no locks the holder goes on unlocked. Raises OsError
// ("Cannot lock file %s") when the file cannot be opened or created.
class FileLock {
public:
    explicit FileLock(const std::string& path);
    ~FileLock(); // releases the lock
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Removes the file again when this lock created it and nothing has written it since: for a
    // write that failed, so that it leaves no empty file where there was none.
    void RemoveIfCreated();

private:
    int fd_ = -1;
    std::string hostPath_;
    bool created_ = false;
};

// Test hook: failures injected through the file layer (root ignores permission bits).
class FaultHook {
public:
    virtual ~FaultHook() = default;
    virtual bool FailOpen(const std::string& /*hostPath*/) { return false; }
    virtual bool FailCreate(const std::string& /*hostPath*/) { return false; }
    virtual bool FailRead(const std::string& /*hostPath*/, std::uint64_t /*offset*/) {
        return false;
    }
    // Bytes of `requested` that a write stores; less than requested is a short write.
    virtual std::size_t WriteLimit(const std::string& /*hostPath*/, std::size_t requested) {
        return requested;
    }
    virtual bool FailWrite(const std::string& /*hostPath*/) { return false; }
    // A rename onto `hostPath` (RenameFile's target, the file WriteFileAtomically replaces).
    virtual bool FailRename(const std::string& /*hostPath*/) { return false; }
};
void SetFaultHook(FaultHook* hook); // nullptr removes it

} // namespace platform::files
