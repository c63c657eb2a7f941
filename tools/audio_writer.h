#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Short, playable audio files for the demo iPod and the tests, written without any codec or tag
// library. Every file is mono and 16-bit. AAC is the one format the demo cannot encode: it
// carries silence.
namespace audiowriter {

// What a file says about its song, in UTF-8; a file whose tags are all empty carries none.
struct Tags {
    std::string title;
    std::string album;
    std::string artist;
    std::string genre;
    std::string composer;
    std::string comment;
    std::string grouping;
    std::string albumArtist;
    std::uint32_t year = 0; // 0: none, as for the numbers below
    std::uint32_t trackNumber = 0;
    std::uint32_t trackCount = 0;
    std::uint32_t discNumber = 0;
    std::uint32_t discCount = 0;
    bool compilation = false;

    bool Empty() const;
};

// ID3v2.3 keeps its texts in UTF-16 and the grouping in TIT1, as iTunes wrote them until 2016;
// ID3v2.4 keeps them in UTF-8 and the grouping in GRP1, as iTunes writes them since.
enum class Id3Version { V23, V24 };

// An ID3v2 tag of the texts (TIT2, TALB, TPE1, TCON, TCOM, COMM, and the grouping), the album
// artist (TPE2), track and disc ("7/12" in TRCK and TPOS), year (TYER in 2.3, TDRC in 2.4) and
// compilation (TCMP, as iTunes writes it) with some padding after them; no bytes for empty tags.
std::vector<std::byte> Id3v2Tag(const Tags& tags, Id3Version version);

struct Note {
    double frequencyHz = 0; // 0 is a rest
    double seconds = 0;
};

// The notes one after another as a soft plucked tone; each note fades in and out so that
// note changes do not click.
std::vector<std::int16_t> RenderNotes(const std::vector<Note>& notes, std::uint32_t sampleRate);

// RIFF/WAVE, PCM; tags go into an "id3 " chunk (ID3v2.3) after the samples.
std::vector<std::byte> WriteWav(const std::vector<std::int16_t>& samples, std::uint32_t sampleRate,
                                const Tags& tags = {});

// FORM/AIFF with COMM and SSND chunks, big-endian PCM; tags go into an "ID3 " chunk (ID3v2.3).
std::vector<std::byte> WriteAiff(const std::vector<std::int16_t>& samples, std::uint32_t sampleRate,
                                 const Tags& tags = {});

// MPEG-1 Layer III frames, 128 kbit/s at 44.1 kHz: 417 or 418 bytes each, padded so that
// the stream keeps exactly 128 kbit/s. Each granule of 576 samples holds one spectral line,
// the one nearest the note, which decodes to a nearly pure tone; rests are silent granules.
inline constexpr std::uint32_t kMp3BitRate = 128000;
inline constexpr std::uint32_t kMp3SampleRate = 44100;
inline constexpr std::uint32_t kMp3SamplesPerFrame = 1152;
// Tags go into an ID3v2 tag ahead of the frames.
std::vector<std::byte> WriteMp3(const std::vector<Note>& notes, const Tags& tags = {},
                                Id3Version version = Id3Version::V23);

// An MPEG-4 audio file (.m4a) of AAC-LC frames, each the smallest frame that decodes to
// silence. AAC frames hold 1024 samples. Tags, here and in Apple Lossless files, go into the
// movie's metadata item list (moov/udta/meta/ilst: ©nam, ©alb, ©ART, ©gen, ©wrt, ©cmt, ©grp,
// aART, ©day, trkn, disk, cpil).
inline constexpr std::uint32_t kAacSamplesPerFrame = 1024;
std::vector<std::byte> WriteSilentAacM4a(double seconds, std::uint32_t sampleRate,
                                         const Tags& tags = {});

// An MPEG-4 audio file (.m4a) of Apple Lossless frames in the format's uncompressed mode,
// which every decoder must accept. Frames hold 4096 samples; the last may hold fewer.
inline constexpr std::uint32_t kAlacSamplesPerFrame = 4096;
std::vector<std::byte> WriteAlacM4a(const std::vector<std::int16_t>& samples,
                                    std::uint32_t sampleRate, const Tags& tags = {});

} // namespace audiowriter
