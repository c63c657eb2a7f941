#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
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
};
void SetFaultHook(FaultHook* hook); // nullptr removes it

} // namespace platform::files
