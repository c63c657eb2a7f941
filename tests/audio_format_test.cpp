#include "app/database/audio_format.h"
#include "tests/support/bytes.h"
#include "tools/audio_writer.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Bytes = std::vector<std::byte>;
using namespace std::string_view_literals;

constexpr auto Text = testsupport::BytesOf;

Bytes Joined(std::initializer_list<Bytes> parts) {
    Bytes joined;
    for (const Bytes& part : parts) {
        joined.insert(joined.end(), part.begin(), part.end());
    }
    return joined;
}

Bytes Head(Bytes bytes) {
    if (bytes.size() > 4096) {
        bytes.resize(4096);
    }
    return bytes;
}

// MPEG audio frames of one header, each `length` bytes long, `count` of them.
Bytes Frames(std::initializer_list<unsigned> header, std::size_t length, int count) {
    Bytes frames;
    for (int i = 0; i < count; ++i) {
        Bytes frame(length, std::byte{0});
        std::size_t k = 0;
        for (const unsigned value : header) {
            frame[k++] = static_cast<std::byte>(value);
        }
        frames.insert(frames.end(), frame.begin(), frame.end());
    }
    return frames;
}

Bytes Noise(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    Bytes bytes(size);
    for (std::byte& b : bytes) {
        b = static_cast<std::byte>(random() & 0xFF);
    }
    return bytes;
}

TEST(AudioFormatTest, KnowsAFileByItsContent) {
    const std::vector<audiowriter::Note> notes = {{440, 0.5}};
    const auto samples = audiowriter::RenderNotes(notes, 8000);
    audiowriter::Tags tags;
    tags.title = "Title";
    Bytes aax = audiowriter::WriteSilentAacM4a(0.2, 44100);
    std::copy_n(Text("aax "sv).begin(), 4, aax.begin() + 8);
    const Bytes audible =
        Joined({Text("\x00\x00\x10\x00"sv), Text("\x57\x90\x75\x36"sv), Noise(200, 1)});
    const struct {
        const char* name;
        Bytes bytes;
        AudioFormat format;
    } cases[] = {
        {"MP3", audiowriter::WriteMp3(notes), AudioFormat::Mpeg},
        {"MP3 with ID3v2.3", audiowriter::WriteMp3(notes, tags), AudioFormat::Mpeg},
        {"MP3 with ID3v2.4", audiowriter::WriteMp3(notes, tags, audiowriter::Id3Version::V24),
         AudioFormat::Mpeg},
        {"AAC", audiowriter::WriteSilentAacM4a(0.2, 44100), AudioFormat::Mpeg4},
        {"Apple Lossless", audiowriter::WriteAlacM4a(samples, 8000), AudioFormat::Mpeg4},
        {"Audible MPEG-4", aax, AudioFormat::AudibleMpeg4},
        {"Audible", audible, AudioFormat::Audible},
        {"WAV", audiowriter::WriteWav(samples, 8000, tags), AudioFormat::Wav},
        {"AIFF", audiowriter::WriteAiff(samples, 8000), AudioFormat::Aiff},
        {"AIFF-C", Joined({Text("FORM\x00\x00\x10\x00"sv), Text("AIFC"sv), Noise(100, 2)}),
         AudioFormat::Aiff},
        // MPEG-1 layer II at 192 kbit/s, 48 kHz: 576 bytes a frame.
        {"MPEG-1 layer II", Frames({0xFF, 0xFD, 0xA4, 0x00}, 576, 8), AudioFormat::Mpeg},
        // MPEG-2 layer III at 64 kbit/s, 22.05 kHz: 72 * 64000 / 22050 = 208 bytes.
        {"MPEG-2 layer III", Frames({0xFF, 0xF3, 0x80, 0x00}, 208, 8), AudioFormat::Mpeg},
        // MPEG-2.5 layer III at 8 kbit/s, 8 kHz: 72 bytes.
        {"MPEG-2.5 layer III", Frames({0xFF, 0xE3, 0x18, 0x00}, 72, 8), AudioFormat::Mpeg},
        {"frames after some junk", Joined({Text("junk"sv), audiowriter::WriteMp3(notes)}),
         AudioFormat::Mpeg},
        {"a single frame", Frames({0xFF, 0xFB, 0x90, 0x00}, 417, 1), AudioFormat::Mpeg},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SniffAudioFormat(Head(c.bytes)), c.format);
    }
}

TEST(AudioFormatTest, PassesOverWhatIsNotAudio) {
    const struct {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"empty", {}},
        {"a few bytes", Text("ID"sv)},
        {"Finder's .DS_Store", Joined({Text("\0\0\0\1Bud1"sv), Noise(500, 3)})},
        {"AppleDouble ._ file",
         Joined({Text("\0\x05\x16\x07\0\x02\0\0"sv), Text("Mac OS X        "sv), Noise(300, 4)})},
        {"artwork cache", Noise(4096, 5)},
        {"white artwork", Bytes(4096, std::byte{0xFF})},
        {"zeros of a half-written file", Bytes(4096, std::byte{0})},
        {"text", Text("This is not a song, whatever its name says.\n"sv)},
        {"RIFF video", Joined({Text("RIFF\x00\x10\x00\x00"sv), Text("AVI LIST"sv), Noise(100, 6)})},
        {"IFF picture", Joined({Text("FORM\x00\x00\x10\x00"sv), Text("ILBM"sv), Noise(100, 7)})},
        {"JPEG", Joined({Text("\xFF\xD8\xFF\xE0"sv), Noise(1000, 8)})},
        {"one MPEG header followed by noise", Joined({Text("\xFF\xFB\x90\x00"sv), Noise(4000, 9)})},
        {"reserved MPEG version", Frames({0xFF, 0xEB, 0x90, 0x00}, 417, 4)},
        {"free bit rate", Frames({0xFF, 0xFB, 0x00, 0x00}, 417, 4)},
        {"bad bit rate", Frames({0xFF, 0xFB, 0xF0, 0x00}, 417, 4)},
        {"bad sample rate", Frames({0xFF, 0xFB, 0x9C, 0x00}, 417, 4)},
        {"layer 0", Frames({0xFF, 0xF9, 0x90, 0x00}, 417, 4)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SniffAudioFormat(Head(c.bytes)), AudioFormat::None);
    }
}

} // namespace
