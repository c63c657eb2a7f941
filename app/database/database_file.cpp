#include "app/database/database_file.h"

#include "app/database/itunesdb_reader.h"
#include "app/database/section_entry.h"
#include "app/database/zlib_inflater.h"
#include "platform/files.h"

#include <algorithm>
#include <exception>
#include <memory>

namespace {

constexpr std::size_t kCompressedFlagOffset = 0xA8;
constexpr std::size_t kInflationRatio = 256;
constexpr std::size_t kLargestInflatedBody = std::size_t{1} << 30;
constexpr std::size_t kFirstLook = 64 * 1024;
constexpr std::size_t kLookGrowth = 4;

std::uint32_t HeaderLength(std::span<const std::byte> file) {
    if (file.size() < 8) {
        return 0;
    }
    return std::to_integer<std::uint32_t>(file[4]) | std::to_integer<std::uint32_t>(file[5]) << 8 |
           std::to_integer<std::uint32_t>(file[6]) << 16 |
           std::to_integer<std::uint32_t>(file[7]) << 24;
}

// The start of a database as the reader walks it, read (and inflated) a piece at a time.
class DatabaseStart {
public:
    DatabaseStart(const std::string& path, bool compressedName) {
        if (!compressedName) {
            plain_ = std::make_unique<platform::files::InputFile>(path);
            return;
        }
        // A compressed file is small beside what it inflates to: read whole, inflated in steps.
        compressed_ = platform::files::ReadWholeFile(path);
        if (!IsCompressedDatabase(compressed_)) {
            bytes_ = std::move(compressed_);
            whole_ = true;
            return;
        }
        const std::size_t header = HeaderLength(compressed_);
        bytes_.assign(compressed_.begin(), compressed_.begin() + header);
        const auto body = std::span<const std::byte>(compressed_).subspan(header);
        inflater_ = std::make_unique<ZlibInflater>(body, InflatedBodyLimit(body.size()));
    }

    // Reads on until the start holds `size` bytes or all there is; true when no more will come.
    // A failure to read on ends the start where it failed; Failure() then holds it.
    bool Extend(std::size_t size) {
        if (whole_ || bytes_.size() >= size) {
            return whole_;
        }
        try {
            ReadOn(size);
        } catch (const std::exception&) {
            failure_ = std::current_exception();
            whole_ = true;
        }
        return whole_;
    }

    std::span<const std::byte> Bytes() const { return bytes_; }
    std::exception_ptr Failure() const { return failure_; }

private:
    void ReadOn(std::size_t size) {
        if (inflater_) {
            inflater_->InflateUntil(bytes_, size);
            whole_ = inflater_->Finished();
        } else {
            const std::size_t before = bytes_.size();
            const std::size_t wanted =
                static_cast<std::size_t>(std::min<std::uint64_t>(size, plain_->Size()));
            bytes_.resize(std::max(before, wanted));
            const std::size_t read = plain_->Read(bytes_.data() + before, bytes_.size() - before);
            bytes_.resize(before + read);
            whole_ = bytes_.size() < size;
        }
    }

    std::unique_ptr<platform::files::InputFile> plain_;
    std::vector<std::byte> compressed_;
    std::unique_ptr<ZlibInflater> inflater_;
    std::vector<std::byte> bytes_;
    bool whole_ = false;
    std::exception_ptr failure_;
};

} // namespace

std::string DatabaseFile::PlainPath(const std::string& driveRoot) {
    return driveRoot + "\\iPod_Control\\iTunes\\itunesdb";
}

std::string DatabaseFile::CompressedPath(const std::string& driveRoot) {
    return driveRoot + "\\iPod_Control\\iTunes\\iTunesCDB";
}

std::optional<DatabaseFile> DatabaseFile::Find(const std::string& driveRoot) {
    const std::string compressed = CompressedPath(driveRoot);
    if (platform::files::FileExists(compressed) &&
        platform::files::FindSize(compressed).value_or(0) > 0) {
        return DatabaseFile(compressed, true);
    }
    const std::string plain = PlainPath(driveRoot);
    if (platform::files::FileExists(plain)) {
        return DatabaseFile(plain, false);
    }
    return std::nullopt;
}

std::vector<std::byte> DatabaseFile::Read() const {
    std::vector<std::byte> bytes = platform::files::ReadWholeFile(path_);
    if (compressedName_ && IsCompressedDatabase(bytes)) {
        return ExpandCompressedDatabase(bytes);
    }
    return bytes;
}

std::optional<std::int32_t> DatabaseFile::StatedTrackCount() const {
    // No section of a real file lies at -1: an entry still holding it found no track list.
    constexpr SectionEntry kNotFound{-1, -1, -1};
    DatabaseStart start(path_, compressedName_);
    for (std::size_t size = kFirstLook;; size *= kLookGrowth) {
        const bool whole = start.Extend(size);
        const ITunesDBReader reader(start.Bytes());
        SectionEntry table[4];
        table[1] = kNotFound;
        reader.ReadSections(table);
        if (table[1] != kNotFound) {
            if (const auto count = reader.StatedTrackCount(table[1])) {
                return count;
            }
        }
        if (whole) {
            if (start.Failure()) {
                std::rethrow_exception(start.Failure());
            }
            return std::nullopt;
        }
    }
}

bool IsCompressedDatabase(std::span<const std::byte> file) {
    const std::uint32_t header = HeaderLength(file);
    return header > kCompressedFlagOffset && header <= file.size() &&
           file[kCompressedFlagOffset] == std::byte{1};
}

std::size_t InflatedBodyLimit(std::size_t compressedBodySize) {
    if (compressedBodySize > kLargestInflatedBody / kInflationRatio) {
        return kLargestInflatedBody;
    }
    return compressedBodySize * kInflationRatio;
}

std::vector<std::byte> ExpandCompressedDatabase(std::span<const std::byte> file) {
    if (!IsCompressedDatabase(file)) {
        return {file.begin(), file.end()};
    }
    const std::size_t header = HeaderLength(file);
    const auto body = file.subspan(header);
    std::vector<std::byte> database(file.begin(),
                                    file.begin() + static_cast<std::ptrdiff_t>(header));
    ZlibInflater inflater(body, InflatedBodyLimit(body.size()));
    inflater.InflateAll(database);
    return database;
}
