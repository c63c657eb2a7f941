#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <vector>

// Inflates one zlib stream held in memory, as far as the caller needs and never past a limit,
// so that a hostile stream cannot exhaust memory. Every failure raises platform::OsError
// "Stream read error": a corrupt stream, one that ends before its end marker, or one that
// would inflate to more than `limit` bytes.
class ZlibInflater {
public:
    ZlibInflater(std::span<const std::byte> stream, std::size_t limit);
    ~ZlibInflater();
    ZlibInflater(const ZlibInflater&) = delete;
    ZlibInflater& operator=(const ZlibInflater&) = delete;

    // Appends inflated bytes to `out` until it holds `wanted` bytes or the stream has ended.
    void InflateUntil(std::vector<std::byte>& out, std::size_t wanted);
    // Appends everything the stream still holds.
    void InflateAll(std::vector<std::byte>& out);
    bool Finished() const { return finished_; }

private:
    struct Stream;

    std::unique_ptr<Stream> stream_;
    std::span<const std::byte> input_;
    std::size_t limit_;
    std::size_t produced_ = 0;
    bool finished_ = false;
    bool failed_ = false;
};
