#include "tests/support/temp_folder.h"
#include "tools/audio_writer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using testsupport::TempFolder;

namespace {

std::string AsString(const std::vector<std::byte>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::uint32_t Byte(const std::string& data, std::size_t offset) {
    return static_cast<unsigned char>(data.at(offset));
}

std::uint32_t LE16(const std::string& d, std::size_t o) {
    return Byte(d, o) | Byte(d, o + 1) << 8;
}
std::uint32_t LE32(const std::string& d, std::size_t o) {
    return LE16(d, o) | LE16(d, o + 2) << 16;
}
std::uint32_t BE16(const std::string& d, std::size_t o) {
    return Byte(d, o) << 8 | Byte(d, o + 1);
}
std::uint32_t BE32(const std::string& d, std::size_t o) {
    return BE16(d, o) << 16 | BE16(d, o + 2);
}

// Reads bits from the most significant end.
std::uint32_t Bits(const std::string& data, std::size_t& bit, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i, ++bit) {
        value = value << 1 | ((Byte(data, bit / 8) >> (7 - bit % 8)) & 1u);
    }
    return value;
}

std::vector<audiowriter::Note> Melody() {
    return {{440, 0.5}, {0, 0.2}, {659.25, 0.8}};
}

TEST(AudioWriterTest, WavHeaderDescribesItsSamples) {
    const auto samples = audiowriter::RenderNotes(Melody(), 22050);
    ASSERT_EQ(samples.size(), 22050u * 3 / 2);
    const std::string wav = AsString(audiowriter::WriteWav(samples, 22050));

    ASSERT_EQ(wav.size(), 44 + samples.size() * 2);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(LE32(wav, 4), wav.size() - 8);
    EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(LE32(wav, 16), 16u);
    EXPECT_EQ(LE16(wav, 20), 1u); // PCM
    EXPECT_EQ(LE16(wav, 22), 1u); // mono
    EXPECT_EQ(LE32(wav, 24), 22050u);
    EXPECT_EQ(LE32(wav, 28), 44100u);
    EXPECT_EQ(LE16(wav, 32), 2u);
    EXPECT_EQ(LE16(wav, 34), 16u);
    EXPECT_EQ(wav.substr(36, 4), "data");
    EXPECT_EQ(LE32(wav, 40), samples.size() * 2);
    for (std::size_t i : {std::size_t{100}, std::size_t{5000}, samples.size() - 1}) {
        EXPECT_EQ(static_cast<std::int16_t>(LE16(wav, 44 + 2 * i)), samples[i]) << i;
    }

    // Audible notes with a silent rest between them.
    int loudest = 0;
    for (std::size_t i = 0; i < 11025; ++i) {
        loudest = std::max(loudest, std::abs(int{samples[i]}));
    }
    EXPECT_GT(loudest, 5000);
    EXPECT_EQ(samples[11025 + 2000], 0);
}

TEST(AudioWriterTest, AiffHeaderDescribesItsSamplesAndRate) {
    const auto samples = audiowriter::RenderNotes(Melody(), 44100);
    for (std::uint32_t rate : {22050u, 44100u}) {
        const std::string aiff = AsString(audiowriter::WriteAiff(samples, rate));
        ASSERT_EQ(aiff.size(), 54 + samples.size() * 2);
        EXPECT_EQ(aiff.substr(0, 4), "FORM");
        EXPECT_EQ(BE32(aiff, 4), aiff.size() - 8);
        EXPECT_EQ(aiff.substr(8, 8), "AIFFCOMM");
        EXPECT_EQ(BE32(aiff, 16), 18u);
        EXPECT_EQ(BE16(aiff, 20), 1u);
        EXPECT_EQ(BE32(aiff, 22), samples.size());
        EXPECT_EQ(BE16(aiff, 26), 16u);
        const int exponent = static_cast<int>(BE16(aiff, 28) & 0x7FFF);
        const std::uint64_t mantissa = std::uint64_t{BE32(aiff, 30)} << 32 | BE32(aiff, 34);
        EXPECT_EQ(std::ldexp(static_cast<double>(mantissa), exponent - 16383 - 63), rate);
        EXPECT_EQ(aiff.substr(38, 4), "SSND");
        EXPECT_EQ(BE32(aiff, 42), 8 + samples.size() * 2);
        EXPECT_EQ(BE32(aiff, 46), 0u);
        EXPECT_EQ(static_cast<std::int16_t>(BE16(aiff, 54 + 2 * 1000)), samples[1000]);
    }
}

TEST(AudioWriterTest, Mp3FramesAreLayerThreeAt128KbitPerSecond) {
    const std::string mp3 = AsString(audiowriter::WriteMp3(Melody()));
    std::size_t position = 0;
    std::size_t frames = 0;
    std::size_t tonalGranules = 0;
    while (position < mp3.size()) {
        ASSERT_GE(mp3.size() - position, 4u) << "a cut frame header at " << position;
        ASSERT_EQ(Byte(mp3, position), 0xFFu) << "no frame sync at " << position;
        const std::uint32_t b1 = Byte(mp3, position + 1);
        const std::uint32_t b2 = Byte(mp3, position + 2);
        ASSERT_EQ(b1 & 0xE0, 0xE0u);
        ASSERT_EQ((b1 >> 3) & 3, 3u); // MPEG-1
        ASSERT_EQ((b1 >> 1) & 3, 1u); // Layer III
        ASSERT_EQ(b2 >> 4, 9u);       // 128 kbit/s
        ASSERT_EQ((b2 >> 2) & 3, 0u); // 44.1 kHz
        const std::size_t length = 144 * 128000 / 44100 + ((b2 >> 1) & 1);

        // Mono side information: 9 + 5 + 4 bits, then per granule 12 bits of coded length
        // and 9 of big values among 59.
        std::size_t bit = (position + 4) * 8;
        ASSERT_EQ(Bits(mp3, bit, 9), 0u) << "main data must start in its own frame";
        bit += 9;
        std::size_t codedBits = 0;
        for (int granule = 0; granule < 2; ++granule) {
            const std::uint32_t granuleBits = Bits(mp3, bit, 12);
            const std::uint32_t bigValues = Bits(mp3, bit, 9);
            EXPECT_LE(bigValues, 288u);
            bit += 59 - 21;
            codedBits += granuleBits;
            tonalGranules += bigValues > 0 ? 1 : 0;
        }
        EXPECT_LE(codedBits, (length - 4 - 17) * 8) << "main data overflows frame " << frames;
        position += length;
        ++frames;
    }
    EXPECT_EQ(position, mp3.size()) << "the last frame is cut";

    // 1.5 s in granules of 576 samples, two to a frame.
    EXPECT_EQ(frames, (38u + 15u + 61u) / 2);
    EXPECT_EQ(tonalGranules, 38u + 61u);
    const double seconds = frames * 1152.0 / 44100.0;
    EXPECT_NEAR(mp3.size() * 8 / seconds, 128000.0, 128000.0 * 0.0005) << "padding is off";
}

struct Box {
    std::string type;
    std::size_t start = 0; // of the payload
    std::size_t size = 0;  // of the payload
};

// The boxes of an MPEG-4 file by path ("moov/trak/..."); every child must fill its parent.
void CollectBoxes(const std::string& data, std::size_t start, std::size_t end,
                  const std::string& parent, std::map<std::string, Box>& boxes) {
    static const std::vector<std::string> containers = {"moov", "trak", "mdia", "minf", "stbl",
                                                        "dinf", "udta", "ilst", "meta"};
    std::size_t position = start;
    while (position < end) {
        ASSERT_LE(position + 8, end) << "a cut box header in " << parent;
        const std::size_t size = BE32(data, position);
        ASSERT_GE(size, 8u);
        ASSERT_LE(position + size, end) << "a box overruns " << parent;
        const Box box{data.substr(position + 4, 4), position + 8, size - 8};
        const std::string path = parent.empty() ? box.type : parent + "/" + box.type;
        boxes[path] = box;
        if (std::find(containers.begin(), containers.end(), box.type) != containers.end()) {
            // "meta" is a full box: its children follow its version and flags.
            const std::size_t children = box.start + (box.type == "meta" ? 4 : 0);
            CollectBoxes(data, children, box.start + box.size, path, boxes);
        } else if (parent.ends_with("/ilst")) {
            CollectBoxes(data, box.start, box.start + box.size, path, boxes);
        }
        position += size;
    }
}

struct M4a {
    std::map<std::string, Box> boxes;
    std::string sampleEntry;         // type of the one sample description
    std::vector<std::string> frames; // found through the sample tables
};

M4a ReadM4a(const std::string& data) {
    M4a m4a;
    CollectBoxes(data, 0, data.size(), "", m4a.boxes);
    const std::string table = "moov/trak/mdia/minf/stbl/";
    for (const char* needed : {"ftyp", "mdat", "moov/mvhd", "moov/trak/tkhd", "moov/trak/mdia/mdhd",
                               "moov/trak/mdia/hdlr"}) {
        EXPECT_TRUE(m4a.boxes.count(needed)) << needed;
    }
    for (const char* needed : {"stsd", "stts", "stsc", "stsz", "stco"}) {
        if (!m4a.boxes.count(table + needed)) {
            ADD_FAILURE() << "no " << needed;
            return m4a;
        }
    }
    EXPECT_EQ(data.substr(m4a.boxes["ftyp"].start, 4), "M4A ");
    m4a.sampleEntry = data.substr(m4a.boxes[table + "stsd"].start + 12, 4);

    const Box& sizes = m4a.boxes[table + "stsz"];
    const Box& mdat = m4a.boxes["mdat"];
    EXPECT_EQ(BE32(data, m4a.boxes[table + "stco"].start + 8), mdat.start)
        << "the chunk offset misses the media";
    const std::size_t count = BE32(data, sizes.start + 8);
    std::size_t offset = mdat.start;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t size = BE32(data, sizes.start + 12 + 4 * i);
        m4a.frames.push_back(data.substr(offset, size));
        offset += size;
    }
    EXPECT_EQ(offset, mdat.start + mdat.size) << "frame sizes do not add up to the media";

    const Box& times = m4a.boxes[table + "stts"];
    std::uint64_t duration = 0;
    std::uint64_t timedFrames = 0;
    for (std::size_t i = 0; i < BE32(data, times.start + 4); ++i) {
        timedFrames += BE32(data, times.start + 8 + 8 * i);
        duration += std::uint64_t{BE32(data, times.start + 8 + 8 * i)} *
                    BE32(data, times.start + 12 + 8 * i);
    }
    EXPECT_EQ(timedFrames, count);
    EXPECT_EQ(duration, BE32(data, m4a.boxes["moov/trak/mdia/mdhd"].start + 16));
    return m4a;
}

TEST(AudioWriterTest, AppleLosslessFramesGiveBackTheSamples) {
    const auto samples = audiowriter::RenderNotes(Melody(), 22050);
    const std::string file = AsString(audiowriter::WriteAlacM4a(samples, 22050));
    const M4a m4a = ReadM4a(file);
    ASSERT_EQ(m4a.sampleEntry, "alac");
    ASSERT_EQ(m4a.frames.size(), (samples.size() + 4095) / 4096);

    std::vector<std::int16_t> decoded;
    for (const std::string& frame : m4a.frames) {
        std::size_t bit = 0;
        ASSERT_EQ(Bits(frame, bit, 3), 0u); // single channel element
        ASSERT_EQ(Bits(frame, bit, 4), 0u);
        ASSERT_EQ(Bits(frame, bit, 12), 0u); // must be zero
        const bool partial = Bits(frame, bit, 1) != 0;
        ASSERT_EQ(Bits(frame, bit, 2), 0u);
        ASSERT_EQ(Bits(frame, bit, 1), 1u); // stored verbatim
        const std::uint32_t count = partial ? Bits(frame, bit, 32) : 4096;
        for (std::uint32_t i = 0; i < count; ++i) {
            decoded.push_back(static_cast<std::int16_t>(Bits(frame, bit, 16)));
        }
        ASSERT_EQ(Bits(frame, bit, 3), 7u); // end of frame
        EXPECT_EQ((bit + 7) / 8, frame.size());
    }
    EXPECT_EQ(decoded, samples);
}

TEST(AudioWriterTest, AacFilesHoldSilentFramesForTheirLength) {
    const std::string file = AsString(audiowriter::WriteSilentAacM4a(2.0, 44100));
    const M4a m4a = ReadM4a(file);
    ASSERT_EQ(m4a.sampleEntry, "mp4a");
    EXPECT_EQ(m4a.frames.size(), 87u); // 2 s of 1024-sample frames
    EXPECT_NE(file.find(std::string("\x05\x02\x12\x08", 4)), std::string::npos)
        << "no AAC-LC 44.1 kHz mono configuration";
}

audiowriter::Tags SomeTags() {
    audiowriter::Tags tags;
    tags.title = "Tïtle";
    tags.album = "Album";
    tags.grouping = "Group";
    return tags;
}

// The text of the ID3v2 frame `id` in `tag`, with its encoding byte; empty when there is none.
std::string Id3FrameBody(const std::string& tag, std::string_view id, bool syncsafe) {
    for (std::size_t frame = 10; frame + 10 <= tag.size() && tag[frame] != '\0';) {
        const std::uint32_t size = syncsafe
                                       ? (Byte(tag, frame + 4) << 21 | Byte(tag, frame + 5) << 14 |
                                          Byte(tag, frame + 6) << 7 | Byte(tag, frame + 7))
                                       : BE32(tag, frame + 4);
        if (tag.compare(frame, 4, id) == 0) {
            return tag.substr(frame + 10, size);
        }
        frame += 10 + size;
    }
    return {};
}

TEST(AudioWriterTest, TagsTakeTheLayoutOfTheirFormat) {
    const audiowriter::Tags tags = SomeTags();
    const std::string v23 = AsString(audiowriter::Id3v2Tag(tags, audiowriter::Id3Version::V23));
    const std::string v24 = AsString(audiowriter::Id3v2Tag(tags, audiowriter::Id3Version::V24));
    EXPECT_EQ(v23.substr(0, 6), std::string("ID3\x03\0\0", 6));
    EXPECT_EQ(v24.substr(0, 6), std::string("ID3\x04\0\0", 6));
    for (const std::string* tag : {&v23, &v24}) {
        const std::uint32_t size =
            Byte(*tag, 6) << 21 | Byte(*tag, 7) << 14 | Byte(*tag, 8) << 7 | Byte(*tag, 9);
        EXPECT_EQ(size + 10, tag->size());
    }
    EXPECT_EQ(Id3FrameBody(v23, "TIT2", false), std::string("\x01\xFF\xFET\0\xEF\0t\0l\0e\0", 13));
    EXPECT_EQ(Id3FrameBody(v23, "TIT1", false), std::string("\x01\xFF\xFEG\0r\0o\0u\0p\0", 13));
    EXPECT_EQ(Id3FrameBody(v24, "TIT2", true), "\x03Tïtle");
    EXPECT_EQ(Id3FrameBody(v24, "GRP1", true), "\x03Group");
    EXPECT_EQ(Id3FrameBody(v24, "TPE1", true), ""); // no artist, no frame
    EXPECT_TRUE(audiowriter::Id3v2Tag({}, audiowriter::Id3Version::V24).empty());

    const std::vector<audiowriter::Note> notes = {{440, 0.2}};
    const std::string mp3 = AsString(audiowriter::WriteMp3(notes, tags));
    EXPECT_EQ(mp3.substr(0, v23.size()), v23);
    EXPECT_EQ(mp3.substr(v23.size()), AsString(audiowriter::WriteMp3(notes)));

    const auto samples = audiowriter::RenderNotes(notes, 8000);
    const std::string wav = AsString(audiowriter::WriteWav(samples, 8000, tags));
    EXPECT_EQ(LE32(wav, 4), wav.size() - 8);
    const std::size_t wavChunk = 44 + samples.size() * 2;
    EXPECT_EQ(wav.substr(wavChunk, 4), "id3 ");
    EXPECT_EQ(wav.substr(wavChunk + 8, LE32(wav, wavChunk + 4)), v23);
    EXPECT_EQ(wav.size() % 2, 0u);
    const std::string aiff = AsString(audiowriter::WriteAiff(samples, 8000, tags));
    EXPECT_EQ(BE32(aiff, 4), aiff.size() - 8);
    const std::size_t aiffChunk = 54 + samples.size() * 2;
    EXPECT_EQ(aiff.substr(aiffChunk, 4), "ID3 ");
    EXPECT_EQ(aiff.substr(aiffChunk + 8, BE32(aiff, aiffChunk + 4)), v23);

    const std::string m4a = AsString(audiowriter::WriteAlacM4a(samples, 8000, tags));
    const M4a boxes = ReadM4a(m4a);
    EXPECT_EQ(boxes.sampleEntry, "alac");
    const std::string items = "moov/udta/meta/ilst/";
    ASSERT_TRUE(boxes.boxes.count(items + "\xA9"
                                          "nam/data"));
    const Box& title = boxes.boxes.at(items + "\xA9"
                                              "nam/data");
    EXPECT_EQ(m4a.substr(title.start, title.size), std::string("\0\0\0\x01\0\0\0\0Tïtle", 14));
    EXPECT_TRUE(boxes.boxes.count(items + "\xA9"
                                          "grp/data"));
    EXPECT_FALSE(boxes.boxes.count(items + "\xA9"
                                           "ART"));
    EXPECT_EQ(m4a.substr(boxes.boxes.at("moov/udta/meta/hdlr").start + 8, 4), "mdir");
}

// --- the tool ---

std::optional<fs::path> FindIgnoringCase(const fs::path& root, const std::string& location) {
    fs::path path = root;
    std::size_t start = 1; // after the leading ":"
    while (start <= location.size()) {
        const std::size_t end = std::min(location.find(':', start), location.size());
        const std::string part = location.substr(start, end - start);
        start = end + 1;
        std::optional<fs::path> match;
        for (const auto& entry : fs::directory_iterator(path)) {
            const std::string name = entry.path().filename().string();
            if (name.size() == part.size() &&
                std::equal(name.begin(), name.end(), part.begin(), [](char a, char b) {
                    return std::tolower(static_cast<unsigned char>(a)) ==
                           std::tolower(static_cast<unsigned char>(b));
                })) {
                match = entry.path();
            }
        }
        if (!match) {
            return std::nullopt;
        }
        path = *match;
    }
    return path;
}

int RunTool(const fs::path& output, const std::string& option = "") {
    const std::string command = std::string("'") + QUILLMERE_DEMO_IPOD_TOOL + "' " + option + " '" +
                                output.string() + "' > /dev/null 2>&1";
    return std::system(command.c_str());
}

std::map<std::string, std::string> Tree(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), root).string()] = testsupport::ReadFile(entry);
        }
    }
    return files;
}

TEST(DemoIpodTest, WritesFortyTracksWithOneFileMissingTheSameWayEveryTime) {
    TempFolder temp;
    const fs::path first = temp.Path() / "first";
    const fs::path second = temp.Path() / "second";
    ASSERT_EQ(RunTool(first), 0);
    ASSERT_EQ(RunTool(second), 0);

    const std::string db = testsupport::ReadFile(first / "iPod_Control/iTunes/iTunesDB");
    ASSERT_EQ(db.substr(0, 4), "mhbd");
    std::vector<std::uint32_t> sectionTypes;
    std::size_t trackList = 0;
    for (std::size_t section = LE32(db, 4); section < db.size(); section += LE32(db, section + 8)) {
        sectionTypes.push_back(LE32(db, section + 12));
        if (sectionTypes.back() == 1) {
            trackList = section + LE32(db, section + 4);
        }
    }
    EXPECT_EQ(sectionTypes, (std::vector<std::uint32_t>{4, 1, 3, 2, 5}));
    const std::size_t trackCount = LE32(db, trackList + 8);
    EXPECT_GE(trackCount, 40u);

    std::size_t missing = 0;
    std::size_t caseDiffers = 0;
    std::size_t track = trackList + LE32(db, trackList + 4);
    for (std::size_t i = 0; i < trackCount; ++i) {
        ASSERT_EQ(db.substr(track, 4), "mhit") << "track " << i;
        std::map<std::uint32_t, std::string> texts;
        std::size_t object = track + LE32(db, track + 4);
        for (std::size_t o = 0; o < LE32(db, track + 12); ++o) {
            const std::uint32_t type = LE32(db, object + 12);
            if (type == 2 || type == 6) {
                std::string text; // ASCII only in these two
                for (std::size_t c = 0; c < LE32(db, object + 28); c += 2) {
                    text += static_cast<char>(Byte(db, object + 40 + c));
                }
                texts[type] = text;
            }
            object += LE32(db, object + 8);
        }
        ASSERT_EQ(object, track + LE32(db, track + 8)) << "objects overrun track " << i;
        track = object;

        const std::string& location = texts[2];
        const auto file = FindIgnoringCase(first, location);
        if (!file) {
            ++missing;
            continue;
        }
        std::string exactPath = location.substr(1);
        std::replace(exactPath.begin(), exactPath.end(), ':', '/');
        caseDiffers += fs::exists(first / exactPath) ? 0 : 1;
        const std::string content = testsupport::ReadFile(*file);
        const std::string& fileType = texts[6];
        if (fileType == "MPEG audio file") {
            EXPECT_EQ(content.substr(0, 4), "ID3\x03") << location; // tagged as the track
        } else if (fileType == "WAV audio file") {
            EXPECT_EQ(content.substr(0, 4), "RIFF") << location;
        } else if (fileType == "AIFF audio file") {
            EXPECT_EQ(content.substr(0, 4), "FORM") << location;
        } else if (fileType == "AAC audio file") {
            EXPECT_EQ(ReadM4a(content).sampleEntry, "mp4a") << location;
        } else if (fileType == "Apple Lossless audio file") {
            EXPECT_EQ(ReadM4a(content).sampleEntry, "alac") << location;
        } else {
            ADD_FAILURE() << location << " has the file type " << fileType;
        }
    }
    EXPECT_EQ(missing, 1u);
    EXPECT_GE(caseDiffers, 1u);

    const auto firstTree = Tree(first);
    std::size_t totalBytes = 0;
    for (const auto& [name, content] : firstTree) {
        totalBytes += content.size();
    }
    EXPECT_LT(totalBytes, 5u * 1024 * 1024);
    EXPECT_TRUE(firstTree == Tree(second)) << "two runs wrote different demos";
}

struct ReadPlaylist {
    std::string name; // UTF-16 code units below 0x80 kept, others as "?"
    bool hidden = false;
    std::vector<std::uint32_t> objectTypes;
    std::vector<std::uint32_t> trackIds;
};

// The playlists of one playlist section, read here on their own from the bytes.
std::vector<ReadPlaylist> PlaylistsOfSection(const std::string& db, std::uint32_t wanted) {
    std::vector<ReadPlaylist> playlists;
    for (std::size_t section = LE32(db, 4); section < db.size(); section += LE32(db, section + 8)) {
        if (LE32(db, section + 12) != wanted) {
            continue;
        }
        const std::size_t list = section + LE32(db, section + 4);
        EXPECT_EQ(db.substr(list, 4), "mhlp");
        std::size_t playlist = list + LE32(db, list + 4);
        for (std::size_t p = 0; p < LE32(db, list + 8); ++p) {
            EXPECT_EQ(db.substr(playlist, 4), "mhyp");
            ReadPlaylist read;
            read.hidden = Byte(db, playlist + 20) != 0;
            std::size_t at = playlist + LE32(db, playlist + 4);
            for (std::size_t o = 0; o < LE32(db, playlist + 12); ++o) {
                EXPECT_EQ(db.substr(at, 4), "mhod");
                read.objectTypes.push_back(LE32(db, at + 12));
                if (LE32(db, at + 12) == 1) {
                    for (std::size_t c = 0; c < LE32(db, at + 28); c += 2) {
                        const std::uint32_t unit = LE16(db, at + 40 + c);
                        read.name += unit < 0x80 ? static_cast<char>(unit) : '?';
                    }
                }
                at += LE32(db, at + 8);
            }
            for (std::size_t i = 0; i < LE32(db, playlist + 16); ++i) {
                EXPECT_EQ(db.substr(at, 4), "mhip");
                read.trackIds.push_back(LE32(db, at + 24));
                at += LE32(db, at + 8);
            }
            EXPECT_EQ(at, playlist + LE32(db, playlist + 8));
            playlists.push_back(read);
            playlist = at;
        }
    }
    return playlists;
}

TEST(DemoIpodTest, HasPlaylistsOneOfThemSmartThatTheCliListsAsTheyAreStored) {
    TempFolder temp;
    const fs::path demo = temp.Path() / "demo";
    ASSERT_EQ(RunTool(demo), 0);
    const std::string db = testsupport::ReadFile(demo / "iPod_Control/iTunes/iTunesDB");

    const std::vector<ReadPlaylist> stored = PlaylistsOfSection(db, 3);
    ASSERT_GE(stored.size(), 4u);
    EXPECT_TRUE(stored[0].hidden) << "the whole library comes first";
    std::string expected;
    std::size_t smart = 0;
    for (std::size_t i = 1; i < stored.size(); ++i) {
        EXPECT_FALSE(stored[i].hidden);
        const bool isSmart =
            std::count(stored[i].objectTypes.begin(), stored[i].objectTypes.end(), 50u) == 1 &&
            std::count(stored[i].objectTypes.begin(), stored[i].objectTypes.end(), 51u) == 1;
        smart += isSmart ? 1 : 0;
        // Items of id 0 are podcast group headers; every other id names a track, 1001 on.
        const auto songs = std::count_if(stored[i].trackIds.begin(), stored[i].trackIds.end(),
                                         [](std::uint32_t id) { return id != 0; });
        EXPECT_TRUE(std::all_of(stored[i].trackIds.begin(), stored[i].trackIds.end(),
                                [](std::uint32_t id) { return id == 0 || id >= 1001; }));
        expected += stored[i].name + "\t" + std::to_string(songs) + "\n";
    }
    EXPECT_EQ(smart, 1u);
    EXPECT_EQ(stored.size(), PlaylistsOfSection(db, 2).size());

    testsupport::TempFolder home;
    const std::string listed = temp.Path() / "listed";
    const std::string command = std::string("LC_ALL=C.UTF-8 QUILLMERE_HOME='") + home.Str() +
                                "' '" + QUILLMERE_CLI_TOOL + "' playlists '" + demo.string() +
                                "' > '" + listed + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::string cli = testsupport::ReadFile(listed);
    // Names beyond ASCII are compared by their ASCII letters and their length in characters.
    std::string asRead;
    for (std::size_t i = 0; i < cli.size();) {
        const auto lead = static_cast<unsigned char>(cli[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        asRead += lead < 0x80 ? cli[i] : '?';
        i += length;
    }
    EXPECT_EQ(asRead, expected);
}

TEST(DemoIpodTest, CompressedDemoKeepsTheSameDatabaseInITunesCDB) {
    TempFolder temp;
    const fs::path plain = temp.Path() / "plain";
    const fs::path nano = temp.Path() / "nano";
    ASSERT_EQ(RunTool(plain), 0);
    ASSERT_EQ(RunTool(nano, "--compressed"), 0);

    const std::string db = testsupport::ReadFile(plain / "iPod_Control/iTunes/iTunesDB");
    const std::string cdb = testsupport::ReadFile(nano / "iPod_Control/iTunes/iTunesCDB");
    EXPECT_EQ(testsupport::ReadFile(nano / "iPod_Control/iTunes/iTunesDB"), "");
    const std::size_t header = LE32(db, 4);
    ASSERT_EQ(LE32(cdb, 4), header);
    EXPECT_EQ(LE32(cdb, 8), cdb.size());
    EXPECT_EQ(Byte(cdb, 0xA8), 1u);
    std::string body(db.size() - header, '\0');
    uLongf bodySize = body.size();
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(body.data()), &bodySize,
                         reinterpret_cast<const Bytef*>(cdb.data()) + header, cdb.size() - header),
              Z_OK);
    EXPECT_EQ(body, db.substr(header));

    auto songs = Tree(nano);
    auto plainSongs = Tree(plain);
    for (auto* tree : {&songs, &plainSongs}) {
        std::erase_if(*tree, [](const auto& file) {
            return file.first.find("iTunes/") != std::string::npos;
        });
    }
    EXPECT_TRUE(songs == plainSongs);
}

TEST(DemoIpodTest, ReplacesAnEarlierDemoButNoOtherFolder) {
    TempFolder temp;
    const fs::path demo = temp.Path() / "demo";
    ASSERT_EQ(RunTool(demo), 0);
    const fs::path stray = demo / "iPod_Control/Music/F00/STRAY.mp3";
    temp.WriteFile("demo/iPod_Control/Music/F00/STRAY.mp3", "left from before");
    ASSERT_EQ(RunTool(demo), 0);
    EXPECT_FALSE(fs::exists(stray));

    const fs::path precious = temp.WriteFile("music/song.mp3", "someone's song");
    EXPECT_NE(RunTool(temp.Path() / "music"), 0);
    EXPECT_EQ(testsupport::ReadFile(precious), "someone's song");
    EXPECT_FALSE(fs::exists(temp.Path() / "music/iPod_Control"));
}

} // namespace
