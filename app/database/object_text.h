#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// The text of a text data object from its bytes and the encoding it states at offset 24:
// 2 is UTF-8 (malformed sequences become U+FFFD); 1, 0 and anything else UTF-16LE, whose odd
// last byte is left out.
std::u16string DecodeObjectText(std::span<const std::byte> bytes, std::int32_t encoding);
