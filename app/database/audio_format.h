#pragma once

#include <cstddef>
#include <span>

// What a file's content says it is, among the formats an iPod plays; its name is not asked.
enum class AudioFormat {
    None,         // anything else: artwork, a Finder file, an empty or half-written file
    Mpeg,         // MPEG audio (MP3), with or without an ID3v2 tag ahead of its frames
    Mpeg4,        // an MPEG-4 file: AAC or Apple Lossless
    AudibleMpeg4, // an MPEG-4 file of Audible's own brand (.aax)
    Audible,      // Audible's older format (.aa)
    Wav,
    Aiff,
};

// The format of a file from its first bytes; 4 KiB are enough.
AudioFormat SniffAudioFormat(std::span<const std::byte> head);
