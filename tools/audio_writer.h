#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Short, playable audio files for the demo iPod, written without any codec library. Every
// file is mono and 16-bit. AAC is the one format the demo cannot encode: it carries silence.
namespace audiowriter {

struct Note {
    double frequencyHz = 0; // 0 is a rest
    double seconds = 0;
};

// The notes one after another as a soft plucked tone; each note fades in and out so that
// note changes do not click.
std::vector<std::int16_t> RenderNotes(const std::vector<Note>& notes, std::uint32_t sampleRate);

// RIFF/WAVE, PCM.
std::vector<std::byte> WriteWav(const std::vector<std::int16_t>& samples, std::uint32_t sampleRate);

// FORM/AIFF with COMM and SSND chunks, big-endian PCM.
std::vector<std::byte> WriteAiff(const std::vector<std::int16_t>& samples,
                                 std::uint32_t sampleRate);

// MPEG-1 Layer III frames, 128 kbit/s at 44.1 kHz: 417 or 418 bytes each, padded so that
// the stream keeps exactly 128 kbit/s. Each granule of 576 samples holds one spectral line,
// the one nearest the note, which decodes to a nearly pure tone; rests are silent granules.
inline constexpr std::uint32_t kMp3BitRate = 128000;
inline constexpr std::uint32_t kMp3SampleRate = 44100;
inline constexpr std::uint32_t kMp3SamplesPerFrame = 1152;
std::vector<std::byte> WriteMp3(const std::vector<Note>& notes);

// An MPEG-4 audio file (.m4a) of AAC-LC frames, each the smallest frame that decodes to
// silence. AAC frames hold 1024 samples.
inline constexpr std::uint32_t kAacSamplesPerFrame = 1024;
std::vector<std::byte> WriteSilentAacM4a(double seconds, std::uint32_t sampleRate);

// An MPEG-4 audio file (.m4a) of Apple Lossless frames in the format's uncompressed mode,
// which every decoder must accept. Frames hold 4096 samples; the last may hold fewer.
inline constexpr std::uint32_t kAlacSamplesPerFrame = 4096;
std::vector<std::byte> WriteAlacM4a(const std::vector<std::int16_t>& samples,
                                    std::uint32_t sampleRate);

} // namespace audiowriter
