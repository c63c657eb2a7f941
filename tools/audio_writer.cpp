#include "tools/audio_writer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <initializer_list>
#include <numbers>
#include <stdexcept>
#include <string>
#include <string_view>

namespace audiowriter {

namespace {

using Bytes = std::vector<std::byte>;

void PutAscii(Bytes& out, std::string_view text) {
    for (char c : text) {
        out.push_back(static_cast<std::byte>(c));
    }
}

void PutByte(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::byte>(value & 0xFF));
}

void PutLE16(Bytes& out, std::uint32_t value) {
    PutByte(out, value);
    PutByte(out, value >> 8);
}

void PutLE32(Bytes& out, std::uint32_t value) {
    PutLE16(out, value);
    PutLE16(out, value >> 16);
}

void PutBE16(Bytes& out, std::uint32_t value) {
    PutByte(out, value >> 8);
    PutByte(out, value);
}

void PutBE32(Bytes& out, std::uint32_t value) {
    PutBE16(out, value >> 16);
    PutBE16(out, value);
}

void PutBE64(Bytes& out, std::uint64_t value) {
    PutBE32(out, static_cast<std::uint32_t>(value >> 32));
    PutBE32(out, static_cast<std::uint32_t>(value));
}

void PutZeros(Bytes& out, std::size_t count) {
    out.insert(out.end(), count, std::byte{0});
}

void PutBytes(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

std::uint32_t CheckedSize(std::size_t size, const char* what) {
    if (size > 0xFFFFFFF0u) {
        throw std::length_error(std::string("audio writer: ") + what + " is too large");
    }
    return static_cast<std::uint32_t>(size);
}

// AIFF keeps its sample rate as an 80-bit IEEE 754 extended number.
void PutExtended80(Bytes& out, std::uint32_t value) {
    if (value == 0) {
        PutZeros(out, 10);
        return;
    }
    const int highestBit = std::bit_width(value) - 1;
    PutBE16(out, static_cast<std::uint32_t>(16383 + highestBit));
    PutBE64(out, static_cast<std::uint64_t>(value) << (63 - highestBit));
}

// --- MPEG-4 boxes ---

Bytes Box(std::string_view type, std::initializer_list<Bytes> parts) {
    std::size_t size = 8;
    for (const Bytes& part : parts) {
        size += part.size();
    }
    Bytes box;
    box.reserve(size);
    PutBE32(box, CheckedSize(size, "an MPEG-4 box"));
    PutAscii(box, type);
    for (const Bytes& part : parts) {
        PutBytes(box, part);
    }
    return box;
}

Bytes FullBoxHeader(std::uint32_t version, std::uint32_t flags) {
    Bytes out;
    PutBE32(out, (version << 24) | (flags & 0xFFFFFF));
    return out;
}

void PutUnityMatrix(Bytes& out) {
    const std::uint32_t matrix[9] = {0x10000, 0, 0, 0, 0x10000, 0, 0, 0, 0x40000000};
    for (std::uint32_t value : matrix) {
        PutBE32(out, value);
    }
}

Bytes MovieHeader(std::uint32_t timescale, std::uint32_t duration) {
    Bytes body = FullBoxHeader(0, 0);
    PutBE32(body, 0); // creation time: fixed, so that output is reproducible
    PutBE32(body, 0); // modification time
    PutBE32(body, timescale);
    PutBE32(body, duration);
    PutBE32(body, 0x10000); // rate 1.0
    PutBE16(body, 0x100);   // volume 1.0
    PutZeros(body, 10);
    PutUnityMatrix(body);
    PutZeros(body, 24);
    PutBE32(body, 2); // next track id
    return Box("mvhd", {body});
}

Bytes TrackHeader(std::uint32_t duration) {
    Bytes body = FullBoxHeader(0, 0x7); // enabled, in movie, in preview
    PutBE32(body, 0);
    PutBE32(body, 0);
    PutBE32(body, 1); // track id
    PutBE32(body, 0);
    PutBE32(body, duration);
    PutZeros(body, 8);
    PutBE16(body, 0);     // layer
    PutBE16(body, 0);     // alternate group
    PutBE16(body, 0x100); // volume 1.0
    PutBE16(body, 0);
    PutUnityMatrix(body);
    PutBE32(body, 0); // width
    PutBE32(body, 0); // height
    return Box("tkhd", {body});
}

Bytes MediaHeader(std::uint32_t timescale, std::uint32_t duration) {
    Bytes body = FullBoxHeader(0, 0);
    PutBE32(body, 0);
    PutBE32(body, 0);
    PutBE32(body, timescale);
    PutBE32(body, duration);
    PutBE16(body, 0x55C4); // language "und"
    PutBE16(body, 0);
    return Box("mdhd", {body});
}

Bytes SoundHandler() {
    Bytes body = FullBoxHeader(0, 0);
    PutBE32(body, 0);
    PutAscii(body, "soun");
    PutZeros(body, 12);
    PutAscii(body, "SoundHandler");
    PutZeros(body, 1);
    return Box("hdlr", {body});
}

Bytes DataInformation() {
    Bytes selfContained = FullBoxHeader(0, 1);
    Bytes references = FullBoxHeader(0, 0);
    PutBE32(references, 1);
    PutBytes(references, Box("url ", {selfContained}));
    return Box("dinf", {Box("dref", {references})});
}

// The AudioSampleEntry fields shared by every mono 16-bit sample description.
Bytes AudioSampleEntryFields(std::uint32_t sampleRate) {
    if (sampleRate == 0 || sampleRate > 0xFFFF) {
        throw std::invalid_argument("audio writer: an MPEG-4 sample entry cannot hold " +
                                    std::to_string(sampleRate) + " Hz");
    }
    Bytes fields;
    PutZeros(fields, 6);
    PutBE16(fields, 1); // data reference index
    PutZeros(fields, 8);
    PutBE16(fields, 1);  // channels
    PutBE16(fields, 16); // bits per sample
    PutBE16(fields, 0);
    PutBE16(fields, 0);
    PutBE32(fields, sampleRate << 16); // 16.16 fixed point
    return fields;
}

// --- Tags ---

// ID3v2.4 sizes are "syncsafe": seven bits a byte.
void PutSyncsafe32(Bytes& out, std::uint32_t value) {
    for (int shift = 21; shift >= 0; shift -= 7) {
        PutByte(out, (value >> shift) & 0x7F);
    }
}

Bytes Utf16WithByteOrderMark(std::string_view utf8) {
    Bytes out;
    PutLE16(out, 0xFEFF);
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        std::uint32_t code = length == 1   ? lead
                             : length == 2 ? lead & 0x1Fu
                             : length == 3 ? lead & 0x0Fu
                                           : lead & 0x07u;
        for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k) {
            code = code << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
        }
        i += length;
        if (code >= 0x10000) {
            code -= 0x10000;
            PutLE16(out, 0xD800 + (code >> 10));
            PutLE16(out, 0xDC00 + (code & 0x3FF));
        } else {
            PutLE16(out, code);
        }
    }
    return out;
}

// A text in the frame encoding of the version: 1 (UTF-16 with BOM) or 3 (UTF-8).
Bytes Id3Text(std::string_view utf8, Id3Version version) {
    if (version == Id3Version::V23) {
        return Utf16WithByteOrderMark(utf8);
    }
    Bytes out;
    PutAscii(out, utf8);
    return out;
}

Bytes Id3Frame(std::string_view id, const Bytes& body, Id3Version version) {
    Bytes frame;
    PutAscii(frame, id);
    const std::uint32_t size = CheckedSize(body.size(), "an ID3 frame");
    if (version == Id3Version::V23) {
        PutBE32(frame, size);
    } else {
        PutSyncsafe32(frame, size);
    }
    PutBE16(frame, 0); // flags
    PutBytes(frame, body);
    return frame;
}

Bytes Id3TextFrame(std::string_view id, std::string_view utf8, Id3Version version) {
    Bytes body;
    PutByte(body, version == Id3Version::V23 ? 1 : 3);
    PutBytes(body, Id3Text(utf8, version));
    return Id3Frame(id, body, version);
}

Bytes Id3CommentFrame(std::string_view utf8, Id3Version version) {
    Bytes body;
    PutByte(body, version == Id3Version::V23 ? 1 : 3);
    PutAscii(body, "eng");
    PutBytes(body, Id3Text("", version)); // no description
    PutZeros(body, version == Id3Version::V23 ? 2 : 1);
    PutBytes(body, Id3Text(utf8, version));
    return Id3Frame("COMM", body, version);
}

// "7/12", "7", or nothing when both are 0.
std::string NumberPair(std::uint32_t number, std::uint32_t count) {
    if (number == 0 && count == 0) {
        return {};
    }
    return count == 0 ? std::to_string(number)
                      : std::to_string(number) + "/" + std::to_string(count);
}

// The bytes a tag chunk of RIFF or AIFF takes: header, tag, and a pad byte to an even size.
std::uint32_t TagChunkSize(const Bytes& tag) {
    if (tag.empty()) {
        return 0;
    }
    return 8 + CheckedSize(tag.size() + tag.size() % 2, "a tag");
}

// An "ilst" item holding UTF-8 text.
Bytes Mp4TextItem(std::string_view type, std::string_view utf8) {
    Bytes data = FullBoxHeader(0, 1); // well-known type 1: UTF-8
    PutBE32(data, 0);                 // locale
    PutAscii(data, utf8);
    return Box(type, {Box("data", {data})});
}

// "trkn" or "disk": a number and a count, big-endian 16-bit, in a binary item (type 0); the
// track pair ends in two more zero bytes.
Bytes Mp4NumberPairItem(std::string_view type, std::uint32_t number, std::uint32_t count,
                        bool trailingZeros) {
    Bytes data = FullBoxHeader(0, 0);
    PutBE32(data, 0); // locale
    PutBE16(data, 0);
    PutBE16(data, number);
    PutBE16(data, count);
    if (trailingZeros) {
        PutBE16(data, 0);
    }
    return Box(type, {Box("data", {data})});
}

Bytes Mp4UserData(const Tags& tags) {
    if (tags.Empty()) {
        return {};
    }
    Bytes items;
    const std::pair<std::string_view, const std::string*> fields[] = {
        {"\xA9"
         "nam",
         &tags.title},
        {"\xA9"
         "alb",
         &tags.album},
        {"\xA9"
         "ART",
         &tags.artist},
        {"\xA9"
         "gen",
         &tags.genre},
        {"\xA9"
         "wrt",
         &tags.composer},
        {"\xA9"
         "cmt",
         &tags.comment},
        {"\xA9"
         "grp",
         &tags.grouping},
    };
    for (const auto& [type, text] : fields) {
        if (!text->empty()) {
            PutBytes(items, Mp4TextItem(type, *text));
        }
    }
    if (!tags.albumArtist.empty()) {
        PutBytes(items, Mp4TextItem("aART", tags.albumArtist));
    }
    if (tags.year != 0) {
        PutBytes(items, Mp4TextItem("\xA9"
                                    "day",
                                    std::to_string(tags.year)));
    }
    if (tags.trackNumber != 0 || tags.trackCount != 0) {
        PutBytes(items, Mp4NumberPairItem("trkn", tags.trackNumber, tags.trackCount, true));
    }
    if (tags.discNumber != 0 || tags.discCount != 0) {
        PutBytes(items, Mp4NumberPairItem("disk", tags.discNumber, tags.discCount, false));
    }
    if (tags.compilation) {
        Bytes data = FullBoxHeader(0, 21); // well-known type 21: a signed integer
        PutBE32(data, 0);
        PutByte(data, 1);
        PutBytes(items, Box("cpil", {Box("data", {data})}));
    }
    Bytes handler = FullBoxHeader(0, 0);
    PutBE32(handler, 0);
    PutAscii(handler, "mdirappl");
    PutZeros(handler, 9);
    Bytes meta = FullBoxHeader(0, 0);
    PutBytes(meta, Box("hdlr", {handler}));
    PutBytes(meta, Box("ilst", {items}));
    return Box("udta", {Box("meta", {meta})});
}

struct SampleTable {
    Bytes sampleDescription;              // the one entry of stsd
    std::vector<Bytes> frames;            // one sample each
    std::vector<std::uint32_t> durations; // samples per frame
    std::uint32_t sampleRate = 0;
};

Bytes WriteM4a(const SampleTable& table, const Tags& tags) {
    const std::size_t frameCount = table.frames.size();
    std::uint32_t duration = 0;
    for (std::uint32_t frameDuration : table.durations) {
        duration += frameDuration;
    }

    Bytes descriptions = FullBoxHeader(0, 0);
    PutBE32(descriptions, 1);
    PutBytes(descriptions, table.sampleDescription);

    // Runs of equal frame durations.
    Bytes timeToSample = FullBoxHeader(0, 0);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> runs;
    for (std::uint32_t frameDuration : table.durations) {
        if (!runs.empty() && runs.back().second == frameDuration) {
            ++runs.back().first;
        } else {
            runs.emplace_back(1, frameDuration);
        }
    }
    PutBE32(timeToSample, static_cast<std::uint32_t>(runs.size()));
    for (const auto& [count, delta] : runs) {
        PutBE32(timeToSample, count);
        PutBE32(timeToSample, delta);
    }

    // Every frame in one chunk.
    Bytes sampleToChunk = FullBoxHeader(0, 0);
    PutBE32(sampleToChunk, frameCount == 0 ? 0 : 1);
    if (frameCount != 0) {
        PutBE32(sampleToChunk, 1);
        PutBE32(sampleToChunk, static_cast<std::uint32_t>(frameCount));
        PutBE32(sampleToChunk, 1);
    }

    Bytes sampleSizes = FullBoxHeader(0, 0);
    PutBE32(sampleSizes, 0); // sizes listed one by one
    PutBE32(sampleSizes, static_cast<std::uint32_t>(frameCount));
    std::size_t mediaSize = 0;
    for (const Bytes& frame : table.frames) {
        PutBE32(sampleSizes, CheckedSize(frame.size(), "an MPEG-4 frame"));
        mediaSize += frame.size();
    }

    Bytes fileType;
    PutAscii(fileType, "M4A ");
    PutBE32(fileType, 0);
    PutAscii(fileType, "M4A mp42isom");
    const Bytes fileTypeBox = Box("ftyp", {fileType});

    // The movie box comes before the media, so its size fixes where the media starts.
    auto movieBox = [&](std::uint32_t mediaOffset) {
        Bytes chunkOffsets = FullBoxHeader(0, 0);
        PutBE32(chunkOffsets, frameCount == 0 ? 0 : 1);
        if (frameCount != 0) {
            PutBE32(chunkOffsets, mediaOffset);
        }
        Bytes soundHeader = FullBoxHeader(0, 0);
        PutBE32(soundHeader, 0); // balance, reserved
        const Bytes sampleTable =
            Box("stbl", {Box("stsd", {descriptions}), Box("stts", {timeToSample}),
                         Box("stsc", {sampleToChunk}), Box("stsz", {sampleSizes}),
                         Box("stco", {chunkOffsets})});
        const Bytes media = Box(
            "mdia", {MediaHeader(table.sampleRate, duration), SoundHandler(),
                     Box("minf", {Box("smhd", {soundHeader}), DataInformation(), sampleTable})});
        return Box("moov", {MovieHeader(table.sampleRate, duration),
                            Box("trak", {TrackHeader(duration), media}), Mp4UserData(tags)});
    };
    const std::size_t movieSize = movieBox(0).size();
    const std::uint32_t mediaOffset =
        CheckedSize(fileTypeBox.size() + movieSize + 8, "an MPEG-4 file");

    Bytes file = fileTypeBox;
    PutBytes(file, movieBox(mediaOffset));
    PutBE32(file, CheckedSize(mediaSize + 8, "an MPEG-4 media box"));
    PutAscii(file, "mdat");
    for (const Bytes& frame : table.frames) {
        PutBytes(file, frame);
    }
    return file;
}

// An MPEG-4 descriptor with a one-byte length, enough for the small ones written here.
Bytes Descriptor(std::uint32_t tag, const Bytes& body) {
    if (body.size() > 127) {
        throw std::length_error("audio writer: an MPEG-4 descriptor is too large");
    }
    Bytes out;
    PutByte(out, tag);
    PutByte(out, static_cast<std::uint32_t>(body.size()));
    PutBytes(out, body);
    return out;
}

std::uint32_t AacFrequencyIndex(std::uint32_t sampleRate) {
    const std::uint32_t rates[] = {96000, 88200, 64000, 48000, 44100, 32000,
                                   24000, 22050, 16000, 12000, 11025, 8000};
    for (std::uint32_t index = 0; index < std::size(rates); ++index) {
        if (rates[index] == sampleRate) {
            return index;
        }
    }
    throw std::invalid_argument("audio writer: AAC has no sample rate " +
                                std::to_string(sampleRate));
}

// Writes bits from the most significant end, as Apple Lossless frames are read.
class BitSink {
public:
    void Put(std::uint32_t value, int count) {
        for (int bit = count - 1; bit >= 0; --bit) {
            if (used_ % 8 == 0) {
                bytes_.push_back(std::byte{0});
            }
            if ((value >> bit) & 1u) {
                bytes_.back() |= static_cast<std::byte>(0x80u >> (used_ % 8));
            }
            ++used_;
        }
    }
    Bytes Take() { return std::move(bytes_); }

private:
    Bytes bytes_;
    std::size_t used_ = 0;
};

Bytes AlacFrame(const std::int16_t* samples, std::uint32_t count, bool partial) {
    BitSink bits;
    bits.Put(0, 3);  // single channel element
    bits.Put(0, 4);  // element instance
    bits.Put(0, 12); // unused, must be zero
    bits.Put(partial ? 1 : 0, 1);
    bits.Put(0, 2); // no bytes shifted out
    bits.Put(1, 1); // escape: samples stored verbatim
    if (partial) {
        bits.Put(count, 32);
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        bits.Put(static_cast<std::uint16_t>(samples[i]), 16);
    }
    bits.Put(7, 3); // end of frame
    return bits.Take();
}

// --- MPEG-1 Layer III ---

constexpr std::uint32_t kMp3SamplesPerGranule = 576;
constexpr long kMp3LoudestGain = 204; // about a third of full scale for one line

// One granule: a single spectral line of magnitude 1 at the given gain; line 0 is silence.
struct Mp3Granule {
    std::uint32_t line = 0;
    std::uint32_t gain = 0;
};

std::uint32_t Mp3LineOf(double frequencyHz) {
    if (frequencyHz <= 0) {
        return 0;
    }
    const double lineWidth = kMp3SampleRate / 2.0 / kMp3SamplesPerGranule; // 38.28 Hz
    return static_cast<std::uint32_t>(std::clamp(std::lround(frequencyHz / lineWidth - 0.5), 1L,
                                                 static_cast<long>(kMp3SamplesPerGranule - 1)));
}

// Side information and main data of one mono frame. The main data of both granules follows
// the side information directly (main data begin 0). Lines are coded with Huffman table 1:
// "1" for a pair of zeros, "01" / "001" for a 1 in the first / second place, then its sign.
// A tone keeps its phase only when its line's sign runs + + - - from granule to granule.
Bytes Mp3FrameBody(const Mp3Granule& first, const Mp3Granule& second, std::size_t granuleIndex) {
    BitSink side;
    BitSink main;
    side.Put(0, 9); // main data begin
    side.Put(0, 5); // private bits
    side.Put(0, 4); // scale factors not shared between granules
    const Mp3Granule* granules[2] = {&first, &second};
    for (std::size_t g = 0; g < 2; ++g) {
        const Mp3Granule& granule = *granules[g];
        std::uint32_t codedBits = 0;
        std::uint32_t pairs = 0;
        if (granule.line != 0) {
            pairs = granule.line / 2 + 1;
            for (std::uint32_t pair = 0; pair + 1 < pairs; ++pair) {
                main.Put(1, 1);
            }
            const bool inFirstPlace = granule.line % 2 == 0;
            main.Put(1, inFirstPlace ? 2 : 3);
            main.Put((granuleIndex + g) % 4 >= 2 ? 1 : 0, 1);
            codedBits = pairs - 1 + (inFirstPlace ? 2 : 3) + 1;
        }
        side.Put(codedBits, 12); // bits of scale factors (none) and Huffman code
        side.Put(pairs, 9);      // big values
        side.Put(granule.gain, 8);
        side.Put(0, 4); // scale factor lengths 0
        side.Put(0, 1); // long blocks
        for (int region = 0; region < 3; ++region) {
            side.Put(1, 5); // Huffman table 1
        }
        side.Put(0, 4); // region 0 count
        side.Put(0, 3); // region 1 count
        side.Put(0, 3); // no preflag, scale factor scale 0, count1 table A
    }
    Bytes body = side.Take();
    PutBytes(body, main.Take());
    return body;
}

} // namespace

bool Tags::Empty() const {
    return title.empty() && album.empty() && artist.empty() && genre.empty() && composer.empty() &&
           comment.empty() && grouping.empty() && albumArtist.empty() && year == 0 &&
           trackNumber == 0 && trackCount == 0 && discNumber == 0 && discCount == 0 && !compilation;
}

std::vector<std::byte> Id3v2Tag(const Tags& tags, Id3Version version) {
    if (tags.Empty()) {
        return {};
    }
    Bytes frames;
    const std::pair<std::string_view, const std::string*> texts[] = {
        {"TIT2", &tags.title},    {"TALB", &tags.album},
        {"TPE1", &tags.artist},   {"TCON", &tags.genre},
        {"TCOM", &tags.composer}, {version == Id3Version::V23 ? "TIT1" : "GRP1", &tags.grouping},
    };
    for (const auto& [id, text] : texts) {
        if (!text->empty()) {
            PutBytes(frames, Id3TextFrame(id, *text, version));
        }
    }
    const std::pair<std::string_view, std::string> facts[] = {
        {"TPE2", tags.albumArtist},
        {"TRCK", NumberPair(tags.trackNumber, tags.trackCount)},
        {"TPOS", NumberPair(tags.discNumber, tags.discCount)},
        {version == Id3Version::V23 ? "TYER" : "TDRC",
         tags.year != 0 ? std::to_string(tags.year) : std::string()},
        {"TCMP", tags.compilation ? "1" : ""},
    };
    for (const auto& [id, text] : facts) {
        if (!text.empty()) {
            PutBytes(frames, Id3TextFrame(id, text, version));
        }
    }
    if (!tags.comment.empty()) {
        PutBytes(frames, Id3CommentFrame(tags.comment, version));
    }
    constexpr std::size_t kPadding = 256; // room to edit the tag in place, as taggers leave
    Bytes tag;
    PutAscii(tag, "ID3");
    PutByte(tag, version == Id3Version::V23 ? 3 : 4);
    PutByte(tag, 0); // revision
    PutByte(tag, 0); // flags
    PutSyncsafe32(tag, CheckedSize(frames.size() + kPadding, "an ID3 tag"));
    PutBytes(tag, frames);
    PutZeros(tag, kPadding);
    return tag;
}

std::vector<std::int16_t> RenderNotes(const std::vector<Note>& notes, std::uint32_t sampleRate) {
    if (sampleRate == 0) {
        throw std::invalid_argument("audio writer: a sample rate of 0 Hz");
    }
    const double rate = sampleRate;
    const double fade = 0.012 * rate; // samples of fade in and out
    std::vector<std::int16_t> samples;
    for (const Note& note : notes) {
        const auto count = static_cast<std::size_t>(std::lround(note.seconds * rate));
        for (std::size_t i = 0; i < count; ++i) {
            if (note.frequencyHz <= 0) {
                samples.push_back(0);
                continue;
            }
            const double t = static_cast<double>(i) / rate;
            const double phase = 2.0 * std::numbers::pi * note.frequencyHz * t;
            const double tone =
                (std::sin(phase) + 0.35 * std::sin(2 * phase) + 0.12 * std::sin(3 * phase)) / 1.47;
            const double edge = std::min(static_cast<double>(i), static_cast<double>(count - i));
            const double envelope = std::min(1.0, edge / fade) * std::exp(-2.5 * t);
            samples.push_back(
                static_cast<std::int16_t>(std::lround(0.4 * 32767 * envelope * tone)));
        }
    }
    return samples;
}

std::vector<std::byte> WriteWav(const std::vector<std::int16_t>& samples, std::uint32_t sampleRate,
                                const Tags& tags) {
    const std::uint32_t dataSize = CheckedSize(samples.size() * 2, "WAV audio");
    const Bytes tag = Id3v2Tag(tags, Id3Version::V23);
    const std::uint32_t tagChunkSize = TagChunkSize(tag);
    Bytes out;
    out.reserve(44 + dataSize + tagChunkSize);
    PutAscii(out, "RIFF");
    PutLE32(out, 36 + dataSize + tagChunkSize);
    PutAscii(out, "WAVE");
    PutAscii(out, "fmt ");
    PutLE32(out, 16);
    PutLE16(out, 1); // PCM
    PutLE16(out, 1); // channels
    PutLE32(out, sampleRate);
    PutLE32(out, sampleRate * 2); // bytes per second
    PutLE16(out, 2);              // bytes per sample frame
    PutLE16(out, 16);
    PutAscii(out, "data");
    PutLE32(out, dataSize);
    for (std::int16_t sample : samples) {
        PutLE16(out, static_cast<std::uint16_t>(sample));
    }
    if (!tag.empty()) {
        PutAscii(out, "id3 ");
        PutLE32(out, static_cast<std::uint32_t>(tag.size()));
        PutBytes(out, tag);
        PutZeros(out, tag.size() % 2);
    }
    return out;
}

std::vector<std::byte> WriteAiff(const std::vector<std::int16_t>& samples, std::uint32_t sampleRate,
                                 const Tags& tags) {
    const std::uint32_t dataSize = CheckedSize(samples.size() * 2, "AIFF audio");
    const Bytes tag = Id3v2Tag(tags, Id3Version::V23);
    const std::uint32_t tagChunkSize = TagChunkSize(tag);
    Bytes out;
    out.reserve(54 + dataSize + tagChunkSize);
    PutAscii(out, "FORM");
    PutBE32(out, 4 + (8 + 18) + (8 + 8 + dataSize) + tagChunkSize);
    PutAscii(out, "AIFF");
    PutAscii(out, "COMM");
    PutBE32(out, 18);
    PutBE16(out, 1); // channels
    PutBE32(out, static_cast<std::uint32_t>(samples.size()));
    PutBE16(out, 16);
    PutExtended80(out, sampleRate);
    PutAscii(out, "SSND");
    PutBE32(out, 8 + dataSize);
    PutBE32(out, 0); // offset
    PutBE32(out, 0); // block size
    for (std::int16_t sample : samples) {
        PutBE16(out, static_cast<std::uint16_t>(sample));
    }
    if (!tag.empty()) {
        PutAscii(out, "ID3 ");
        PutBE32(out, static_cast<std::uint32_t>(tag.size()));
        PutBytes(out, tag);
        PutZeros(out, tag.size() % 2);
    }
    return out;
}

std::vector<std::byte> WriteMp3(const std::vector<Note>& notes, const Tags& tags,
                                Id3Version version) {
    std::vector<Mp3Granule> granules;
    for (const Note& note : notes) {
        const auto count =
            std::max<long>(1, std::lround(note.seconds * kMp3SampleRate / kMp3SamplesPerGranule));
        const std::uint32_t line = Mp3LineOf(note.frequencyHz);
        for (long i = 0; i < count; ++i) {
            // Fades by 1.5 dB every third granule, like a struck string.
            const long gain = kMp3LoudestGain - (i == 0 ? 4 : i / 3);
            granules.push_back({line, static_cast<std::uint32_t>(std::max<long>(gain, 150))});
        }
    }
    if (granules.size() % 2 != 0) {
        granules.push_back({});
    }

    const std::uint32_t bytesPerFrameTimesRate = 144 * kMp3BitRate; // 417.96 bytes a frame
    const std::uint32_t baseLength = bytesPerFrameTimesRate / kMp3SampleRate;
    const std::uint32_t remainder = bytesPerFrameTimesRate % kMp3SampleRate;
    Bytes out = Id3v2Tag(tags, version);
    std::uint32_t carried = 0;
    for (std::size_t first = 0; first < granules.size(); first += 2) {
        carried += remainder;
        const bool padded = carried >= kMp3SampleRate;
        if (padded) {
            carried -= kMp3SampleRate;
        }
        // Sync, MPEG-1, Layer III, no CRC; 128 kbit/s, 44.1 kHz, padding; mono, original.
        const std::size_t frameStart = out.size();
        PutByte(out, 0xFF);
        PutByte(out, 0xFB);
        PutByte(out, 0x90 | (padded ? 0x02 : 0x00));
        PutByte(out, 0xC4);
        PutBytes(out, Mp3FrameBody(granules[first], granules[first + 1], first));
        const std::size_t length = baseLength + (padded ? 1 : 0);
        PutZeros(out, frameStart + length - out.size());
    }
    return out;
}

std::vector<std::byte> WriteSilentAacM4a(double seconds, std::uint32_t sampleRate,
                                         const Tags& tags) {
    const std::uint32_t frequencyIndex = AacFrequencyIndex(sampleRate);
    const auto frameCount = static_cast<std::size_t>(
        std::ceil(std::max(0.0, seconds) * sampleRate / kAacSamplesPerFrame));

    // A single channel element with global gain 160, no scale factor bands and no tools,
    // then the end element: 32 bits that decode to 1024 silent samples.
    const Bytes silentFrame = {std::byte{0x01}, std::byte{0x40}, std::byte{0x20}, std::byte{0x07}};

    Bytes audioConfig;
    PutBE16(audioConfig, (2u << 11) | (frequencyIndex << 7) | (1u << 3)); // AAC-LC, mono
    const std::uint32_t bitRate =
        static_cast<std::uint32_t>(silentFrame.size() * 8 * sampleRate / kAacSamplesPerFrame);
    Bytes decoderConfig;
    PutByte(decoderConfig, 0x40); // MPEG-4 audio
    PutByte(decoderConfig, 0x15); // audio stream
    PutByte(decoderConfig, 0);    // decoder buffer size, 24 bits
    PutBE16(decoderConfig, 768);
    PutBE32(decoderConfig, bitRate);
    PutBE32(decoderConfig, bitRate);
    PutBytes(decoderConfig, Descriptor(0x05, audioConfig));
    Bytes stream;
    PutBE16(stream, 1); // stream id
    PutByte(stream, 0);
    PutBytes(stream, Descriptor(0x04, decoderConfig));
    PutBytes(stream, Descriptor(0x06, Bytes{std::byte{0x02}}));
    Bytes esds = FullBoxHeader(0, 0);
    PutBytes(esds, Descriptor(0x03, stream));

    SampleTable table;
    table.sampleRate = sampleRate;
    table.sampleDescription =
        Box("mp4a", {AudioSampleEntryFields(sampleRate), Box("esds", {esds})});
    table.frames.assign(frameCount, silentFrame);
    table.durations.assign(frameCount, kAacSamplesPerFrame);
    return WriteM4a(table, tags);
}

std::vector<std::byte> WriteAlacM4a(const std::vector<std::int16_t>& samples,
                                    std::uint32_t sampleRate, const Tags& tags) {
    SampleTable table;
    table.sampleRate = sampleRate;
    std::uint32_t largestFrame = 0;
    std::size_t totalBytes = 0;
    for (std::size_t start = 0; start < samples.size(); start += kAlacSamplesPerFrame) {
        const auto count = static_cast<std::uint32_t>(
            std::min<std::size_t>(kAlacSamplesPerFrame, samples.size() - start));
        table.frames.push_back(
            AlacFrame(samples.data() + start, count, count != kAlacSamplesPerFrame));
        table.durations.push_back(count);
        largestFrame =
            std::max(largestFrame, static_cast<std::uint32_t>(table.frames.back().size()));
        totalBytes += table.frames.back().size();
    }
    const std::uint32_t averageBitRate =
        samples.empty() ? 0
                        : static_cast<std::uint32_t>(totalBytes * 8 * sampleRate / samples.size());

    Bytes config = FullBoxHeader(0, 0);
    PutBE32(config, kAlacSamplesPerFrame);
    PutByte(config, 0);   // compatible version
    PutByte(config, 16);  // bit depth
    PutByte(config, 40);  // rice history mult
    PutByte(config, 10);  // rice initial history
    PutByte(config, 14);  // rice limit
    PutByte(config, 1);   // channels
    PutBE16(config, 255); // max run
    PutBE32(config, largestFrame);
    PutBE32(config, averageBitRate);
    PutBE32(config, sampleRate);

    table.sampleDescription =
        Box("alac", {AudioSampleEntryFields(sampleRate), Box("alac", {config})});
    return WriteM4a(table, tags);
}

} // namespace audiowriter
