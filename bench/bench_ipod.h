#pragma once

#include <filesystem>
#include <string_view>

// A throwaway machine for one benchmark run: a temporary folder that holds c:, Quillmere's data
// folder and every folder the benchmark attaches as a drive, installed as the process's drive
// table. The working folder moves into c:, so nothing reaches the real root or the user's data.
class BenchMachine {
public:
    BenchMachine();
    ~BenchMachine();
    BenchMachine(const BenchMachine&) = delete;
    BenchMachine& operator=(const BenchMachine&) = delete;

    const std::filesystem::path& Root() const { return root_; }
    // A new folder directly under the root.
    std::filesystem::path MakeFolder(std::string_view name) const;
    void AttachDrive(char letter, const std::filesystem::path& folder);

private:
    std::filesystem::path root_;
    std::filesystem::path previousWorkingFolder_;
};

enum class GeneratedSongFiles {
    Sparse, // 3 to 8 MiB of nothing each, which take no disk
    Tagged, // short real audio files of each song's format, tagged with its texts
};

// Writes an iPod of `tracks` songs into `folder`: its database, and its song files. At most
// 456,976 tracks (four-letter file names).
void WriteGeneratedIpod(const std::filesystem::path& folder, int tracks,
                        GeneratedSongFiles files = GeneratedSongFiles::Sparse);
