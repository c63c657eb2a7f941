#include "app/database/zlib_inflater.h"

#include "platform/error.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace {

constexpr std::size_t kStep = 1 << 20;

[[noreturn]] void Fail() {
    throw platform::OsError("Stream read error");
}

} // namespace

struct ZlibInflater::Stream {
    z_stream z{};
    bool open = false;
};

ZlibInflater::ZlibInflater(std::span<const std::byte> stream, std::size_t limit)
    : stream_(std::make_unique<Stream>()), input_(stream), limit_(limit) {
    if (inflateInit(&stream_->z) != Z_OK) {
        Fail();
    }
    stream_->open = true;
}

ZlibInflater::~ZlibInflater() {
    if (stream_->open) {
        inflateEnd(&stream_->z);
    }
}

void ZlibInflater::InflateUntil(std::vector<std::byte>& out, std::size_t wanted) {
    if (failed_) {
        Fail();
    }
    z_stream& z = stream_->z;
    while (!finished_ && out.size() < wanted) {
        if (z.avail_in == 0 && !input_.empty()) {
            const std::size_t taken =
                std::min<std::size_t>(input_.size(), std::numeric_limits<uInt>::max());
            z.next_in = reinterpret_cast<Bytef*>(const_cast<std::byte*>(input_.data()));
            z.avail_in = static_cast<uInt>(taken);
            input_ = input_.subspan(taken);
        }
        // Room for one byte beyond the limit tells a stream that ends there from one that
        // goes on past it.
        const std::size_t allowed = limit_ - produced_;
        const std::size_t room =
            std::min({wanted - out.size(), kStep, allowed < kStep ? allowed + 1 : kStep});
        const std::size_t before = out.size();
        out.resize(before + room);
        z.next_out = reinterpret_cast<Bytef*>(out.data() + before);
        z.avail_out = static_cast<uInt>(room);
        const int status = inflate(&z, Z_NO_FLUSH);
        const std::size_t made = room - z.avail_out;
        out.resize(before + made);
        produced_ += made;
        if (status == Z_STREAM_END && produced_ <= limit_) {
            finished_ = true;
        } else if (status != Z_OK || produced_ > limit_) {
            // Z_BUF_ERROR: no input left before the end marker, a stream cut short.
            failed_ = true;
            Fail();
        }
    }
}

void ZlibInflater::InflateAll(std::vector<std::byte>& out) {
    InflateUntil(out, std::numeric_limits<std::size_t>::max());
}
