#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The file that holds an iPod's music database. Newer iPod nanos keep it compressed in
// iTunesCDB and leave iTunesDB empty or absent; every other iPod keeps it in iTunesDB.
class DatabaseFile {
public:
    // iTunesCDB when that file exists and is not empty, else iTunesDB; nullopt when neither
    // exists. Names match without regard to case, as every path does.
    static std::optional<DatabaseFile> Find(const std::string& driveRoot);
    static std::string PlainPath(const std::string& driveRoot);      // ...\iTunes\itunesdb
    static std::string CompressedPath(const std::string& driveRoot); // ...\iTunes\iTunesCDB

    const std::string& Path() const { return path_; }

    // The database as the reader walks it: the file's bytes, with the body inflated when an
    // iTunesCDB says it is compressed. Raises platform::OsError: "Cannot open file %s", and
    // "Stream read error" for a short read or a body that does not inflate.
    std::vector<std::byte> Read() const;
    // The track count that the track list header states, reading and inflating only as far as
    // that header; nullopt when the first two sections hold no track list. Raises as Read.
    std::optional<std::int32_t> StatedTrackCount() const;

private:
    DatabaseFile(std::string path, bool compressedName)
        : path_(std::move(path)), compressedName_(compressedName) {}

    std::string path_;
    bool compressedName_; // an iTunesCDB, whose body may be compressed
};

// Whether a database file's header marks its body as compressed: a header of at least 0xA9
// bytes, inside the file, whose byte 0xA8 is 1.
bool IsCompressedDatabase(std::span<const std::byte> file);
// The header followed by its inflated body (a file whose header does not say compressed is
// returned as it is). An inflated body larger than 256 times the compressed one, or than 1 GiB,
// is refused with "Stream read error", as is a corrupt or truncated one.
std::vector<std::byte> ExpandCompressedDatabase(std::span<const std::byte> file);
// How many bytes the body of a compressed file of `compressedBodySize` bytes may inflate to.
std::size_t InflatedBodyLimit(std::size_t compressedBodySize);
