#include "app/database/audio_format.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace {

constexpr std::array<std::byte, 4> kAudibleMagic = {std::byte{0x57}, std::byte{0x90},
                                                    std::byte{0x75}, std::byte{0x36}};

unsigned At(std::span<const std::byte> bytes, std::size_t offset) {
    return std::to_integer<unsigned>(bytes[offset]);
}

bool TextAt(std::span<const std::byte> bytes, std::size_t offset, std::string_view text) {
    if (bytes.size() < offset + text.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (At(bytes, offset + i) != static_cast<unsigned char>(text[i])) {
            return false;
        }
    }
    return true;
}

// The length of the MPEG audio frame whose header starts at `offset`; nullopt when no valid
// header does.
std::optional<std::size_t> MpegFrameLength(std::span<const std::byte> bytes, std::size_t offset) {
    if (bytes.size() < offset + 4 || At(bytes, offset) != 0xFF ||
        (At(bytes, offset + 1) & 0xE0) != 0xE0) {
        return std::nullopt;
    }
    const unsigned version = (At(bytes, offset + 1) >> 3) & 3; // 0: 2.5, 2: 2, 3: 1
    const unsigned layer = (At(bytes, offset + 1) >> 1) & 3;   // 1: III, 2: II, 3: I
    const unsigned bitRateIndex = At(bytes, offset + 2) >> 4;
    const unsigned sampleRateIndex = (At(bytes, offset + 2) >> 2) & 3;
    const unsigned padding = (At(bytes, offset + 2) >> 1) & 1;
    if (version == 1 || layer == 0 || bitRateIndex == 0 || bitRateIndex == 15 ||
        sampleRateIndex == 3) {
        return std::nullopt;
    }
    // kbit/s by [MPEG-1 layer I, II, III, MPEG-2 layer I, MPEG-2 layers II and III][index].
    static constexpr std::uint16_t kBitRates[5][15] = {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
    };
    static constexpr std::uint32_t kSampleRates[3] = {44100, 48000, 32000};
    const bool mpeg1 = version == 3;
    const std::size_t table = mpeg1 ? 3 - layer : (layer == 3 ? 3 : 4);
    const std::uint32_t bitRate = kBitRates[table][bitRateIndex] * 1000u;
    // MPEG-2 has half the sample rates of MPEG-1, MPEG-2.5 a quarter.
    const unsigned rateShift = mpeg1 ? 0 : (version == 2 ? 1 : 2);
    const std::uint32_t sampleRate = kSampleRates[sampleRateIndex] >> rateShift;
    if (layer == 3) {
        return (12 * bitRate / sampleRate + padding) * 4;
    }
    const std::uint32_t factor = layer == 1 && !mpeg1 ? 72 : 144;
    return factor * bitRate / sampleRate + padding;
}

// MPEG audio frames: a valid header followed by another one where its frame ends (or, at the
// very start, by the end of the bytes), anywhere in the head.
bool HoldsMpegFrames(std::span<const std::byte> head) {
    for (std::size_t offset = 0; offset + 4 <= head.size(); ++offset) {
        const std::optional<std::size_t> length = MpegFrameLength(head, offset);
        if (!length) {
            continue;
        }
        const std::size_t next = offset + *length;
        if (MpegFrameLength(head, next) || (offset == 0 && next >= head.size())) {
            return true;
        }
    }
    return false;
}

} // namespace

AudioFormat SniffAudioFormat(std::span<const std::byte> head) {
    if (TextAt(head, 0, "ID3")) {
        return AudioFormat::Mpeg;
    }
    if (TextAt(head, 4, "ftyp")) {
        return TextAt(head, 8, "aax ") ? AudioFormat::AudibleMpeg4 : AudioFormat::Mpeg4;
    }
    if (TextAt(head, 0, "RIFF") && TextAt(head, 8, "WAVE")) {
        return AudioFormat::Wav;
    }
    if (TextAt(head, 0, "FORM") && (TextAt(head, 8, "AIFF") || TextAt(head, 8, "AIFC"))) {
        return AudioFormat::Aiff;
    }
    if (head.size() >= 8 &&
        std::equal(kAudibleMagic.begin(), kAudibleMagic.end(), head.begin() + 4)) {
        return AudioFormat::Audible;
    }
    return HoldsMpegFrames(head) ? AudioFormat::Mpeg : AudioFormat::None;
}
