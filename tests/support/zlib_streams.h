#pragma once

#include <cstddef>
#include <vector>

namespace testsupport {

// A zlib stream of `megabytes` MiB of zeros, made a piece at a time: a stream that inflates
// far beyond its own size.
std::vector<std::byte> DeflatedZeros(std::size_t megabytes);

} // namespace testsupport
