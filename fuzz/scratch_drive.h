#pragma once

#include <string>
#include <string_view>

namespace fuzz {

// A temporary folder attached as drive e: for the targets that read and write real files; on
// /dev/shm where there is one, so that the files live in memory. Made on first use, removed at
// exit.
class ScratchDrive {
public:
    static ScratchDrive& Get();

    // `name` is relative to the drive's root, "/" separating its folders.
    std::string HostPath(const std::string& name) const;
    std::string WindowsPath(const std::string& name) const;
    // Replaces the file `name` with `content`, making its folders.
    void Write(const std::string& name, std::string_view content) const;
    std::string Read(const std::string& name) const;
    void Remove(const std::string& name) const;

    ~ScratchDrive();
    ScratchDrive(const ScratchDrive&) = delete;
    ScratchDrive& operator=(const ScratchDrive&) = delete;

private:
    ScratchDrive();
    std::string folder_;
};

} // namespace fuzz
