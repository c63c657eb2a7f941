#include "tests/support/zlib_streams.h"

#include <zlib.h>

#include <stdexcept>

namespace testsupport {

std::vector<std::byte> DeflatedZeros(std::size_t megabytes) {
    z_stream z{};
    if (deflateInit(&z, Z_BEST_COMPRESSION) != Z_OK) {
        throw std::runtime_error("zlib cannot deflate");
    }
    const std::vector<Bytef> zeros(1 << 20, 0);
    std::vector<Bytef> chunk(1 << 16);
    std::vector<std::byte> out;
    for (std::size_t i = 0; i < megabytes; ++i) {
        z.next_in = const_cast<Bytef*>(zeros.data());
        z.avail_in = static_cast<uInt>(zeros.size());
        const int flush = i + 1 == megabytes ? Z_FINISH : Z_NO_FLUSH;
        do {
            z.next_out = chunk.data();
            z.avail_out = static_cast<uInt>(chunk.size());
            deflate(&z, flush);
            const auto* made = reinterpret_cast<const std::byte*>(chunk.data());
            out.insert(out.end(), made, made + (chunk.size() - z.avail_out));
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return out;
}

} // namespace testsupport
