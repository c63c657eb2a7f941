#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace testsupport {

// The bytes of a text; a literal with "sv" keeps its zero bytes.
inline std::vector<std::byte> BytesOf(std::string_view text) {
    const auto* first = reinterpret_cast<const std::byte*>(text.data());
    return {first, first + text.size()};
}

// The bytes as text, for comparing and writing them.
inline std::string_view TextOf(const std::vector<std::byte>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// The bytes with the one at `at` changed.
inline std::vector<std::byte> Flipped(std::vector<std::byte> bytes, std::size_t at) {
    bytes.at(at) = static_cast<std::byte>(std::to_integer<unsigned>(bytes.at(at)) ^ 0x5A);
    return bytes;
}

} // namespace testsupport
