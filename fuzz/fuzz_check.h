#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// What the fuzz targets share: their invariant checks and the way they read several texts from
// one input.
namespace fuzz {

// Reports the broken invariant and aborts, which the fuzzer records as a finding.
[[noreturn]] void Broken(const char* invariant, const char* file, int line);

// The input as text.
inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// The first `count - 1` NUL-terminated texts of the input and the rest after them; texts the
// input does not reach are empty.
std::vector<std::string_view> SplitAtNul(std::string_view input, std::size_t count);

} // namespace fuzz

#define FUZZ_CHECK(condition)                                                                      \
    ((condition) ? static_cast<void>(0) : ::fuzz::Broken(#condition, __FILE__, __LINE__))
