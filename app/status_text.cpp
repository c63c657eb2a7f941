#include "app/status_text.h"

namespace {

constexpr std::size_t MaxStatusCharacters = 46;

bool IsContinuationByte(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

} // namespace

std::string ShortenStatusText(const std::string& text) {
    // Characters, not bytes: a cut never splits a UTF-8 sequence.
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsContinuationByte(text[i]))
            continue;
        if (characters == MaxStatusCharacters)
            return text.substr(0, i) + "...";
        ++characters;
    }
    return text;
}
