#include "app/database/object_text.h"

#include "platform/text.h"

#include <string_view>

namespace {

constexpr std::int32_t kUtf8 = 2;

} // namespace

std::u16string DecodeObjectText(std::span<const std::byte> bytes, std::int32_t encoding) {
    if (encoding == kUtf8) {
        return platform::text::AnsiToWide(
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    std::u16string text(bytes.size() / 2, u'\0');
    const std::byte* at = bytes.data();
    for (char16_t& unit : text) {
        unit = static_cast<char16_t>(std::to_integer<unsigned>(at[0]) |
                                     std::to_integer<unsigned>(at[1]) << 8);
        at += 2;
    }
    return text;
}
