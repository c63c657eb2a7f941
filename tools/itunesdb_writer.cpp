#include "tools/itunesdb_writer.h"

#include <zlib.h>

#include <algorithm>
#include <map>
#include <stdexcept>

namespace itunesdb {
namespace {

using Bytes = std::vector<std::byte>;

constexpr std::uint32_t kSectionHeaderLength = 0x60;
constexpr std::uint32_t kListHeaderLength = 0x5C;
constexpr std::uint32_t kPlaylistHeaderLength = 0x6C;
constexpr std::uint32_t kPlaylistItemHeaderLength = 0x4C;
constexpr std::uint32_t kAlbumItemHeaderLength = 0x58;
constexpr std::uint32_t kObjectHeaderLength = 0x18;
constexpr std::uint32_t kMinTrackHeaderLength = 20;
constexpr std::uint32_t kMinDatabaseHeaderLength = 24;
constexpr std::size_t kCompressedFlagOffset = 0xA8;
constexpr std::uint32_t kUtf16Encoding = 1;
constexpr std::uint32_t kUtf8Encoding = 2;

// Album list objects (inside mhia items).
constexpr std::uint32_t kAlbumNameObject = 200;
constexpr std::uint32_t kAlbumArtistObject = 201;
// Playlist item position object (inside mhip items).
constexpr std::uint32_t kPositionObject = 100;

void Append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

void AppendTag(Bytes& out, const char (&tag)[5]) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::byte>(tag[i]));
    }
}

void AppendU32(Bytes& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::byte>((value >> shift) & 0xFF));
    }
}

void AppendU32BE(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::byte>((value >> shift) & 0xFF));
    }
}

void PadTo(Bytes& out, std::size_t start, std::size_t length) {
    if (out.size() - start < length) {
        out.resize(start + length, std::byte{0});
    }
}

// Writes `value` at `offset` within a header of `headerLength` bytes starting at `start`,
// when the header is long enough to hold it.
void PutInHeader(Bytes& out, std::size_t start, std::uint32_t headerLength, std::size_t offset,
                 std::uint32_t value) {
    if (offset + 4 <= headerLength) {
        PutU32(out, start + offset, value);
    }
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::uint32_t code = 0xFFFD;
        std::size_t extra = 0;
        if (lead < 0x80) {
            code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            code = lead & 0x1F;
            extra = 1;
        } else if ((lead & 0xF0) == 0xE0) {
            code = lead & 0x0F;
            extra = 2;
        } else if ((lead & 0xF8) == 0xF0) {
            code = lead & 0x07;
            extra = 3;
        }
        ++i;
        bool valid = lead < 0x80 || extra > 0;
        for (std::size_t k = 0; k < extra && valid; ++k) {
            if (i >= utf8.size() || (static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            code = (code << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3F);
            ++i;
        }
        if (!valid || code > 0x10FFFF) {
            code = 0xFFFD;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        std::uint32_t code = utf16[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (utf16[++i] - 0xDC00);
        }
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

// The 24-byte header every data object starts with; the total length is patched later.
Bytes ObjectHeader(std::uint32_t type) {
    Bytes out;
    AppendTag(out, "mhod");
    AppendU32(out, kObjectHeaderLength);
    AppendU32(out, 0); // total length
    AppendU32(out, type);
    AppendU32(out, 0);
    AppendU32(out, 0);
    return out;
}

ObjectSpec Finish(std::uint32_t type, Bytes bytes) {
    PutU32(bytes, 8, static_cast<std::uint32_t>(bytes.size()));
    return ObjectSpec{type, std::move(bytes)};
}

// Appends the track item to `out`; `objectOffsets` receives where its objects start in `out`.
void AppendTrackItem(Bytes& out, const TrackSpec& track, std::vector<std::size_t>& objectOffsets) {
    if (track.headerLength < kMinTrackHeaderLength) {
        throw std::invalid_argument("itunesdb writer: track header length " +
                                    std::to_string(track.headerLength) + " is below 20");
    }
    const std::size_t start = out.size();
    AppendTag(out, "mhit");
    AppendU32(out, track.headerLength);
    AppendU32(out, 0); // total length
    AppendU32(out, static_cast<std::uint32_t>(track.objects.size()));
    AppendU32(out, static_cast<std::uint32_t>(track.trackId));
    PadTo(out, start, track.headerLength);
    PutInHeader(out, start, track.headerLength, 20, 1);          // visible
    PutInHeader(out, start, track.headerLength, 24, 0x4D503320); // "MP3 "
    if (track.numbers.compilation && track.headerLength > 30) {
        out[start + 30] = std::byte{1};
    }
    PutInHeader(out, start, track.headerLength, 36, 4'000'000); // file size
    PutInHeader(out, start, track.headerLength, 40, track.numbers.lengthMs);
    PutInHeader(out, start, track.headerLength, 44, track.numbers.trackNumber);
    PutInHeader(out, start, track.headerLength, 48, track.numbers.trackCount);
    PutInHeader(out, start, track.headerLength, 52, track.numbers.year);
    PutInHeader(out, start, track.headerLength, 56, 128); // bit rate
    PutInHeader(out, start, track.headerLength, 60, 44100u << 16);
    PutInHeader(out, start, track.headerLength, 92, track.numbers.discNumber);
    PutInHeader(out, start, track.headerLength, 96, track.numbers.discCount);
    for (const ObjectSpec& object : track.objects) {
        objectOffsets.push_back(out.size());
        Append(out, object.bytes);
    }
    PutU32(out, start + 8, static_cast<std::uint32_t>(out.size() - start));
}

void AppendListHeader(Bytes& out, const char (&tag)[5], std::uint32_t count) {
    const std::size_t start = out.size();
    AppendTag(out, tag);
    AppendU32(out, kListHeaderLength);
    AppendU32(out, count);
    PadTo(out, start, kListHeaderLength);
}

void AppendPositionObject(Bytes& out, std::uint32_t position) {
    const std::size_t start = out.size();
    AppendTag(out, "mhod");
    AppendU32(out, kObjectHeaderLength);
    AppendU32(out, 0x2C);
    AppendU32(out, kPositionObject);
    AppendU32(out, 0);
    AppendU32(out, 0);
    AppendU32(out, position);
    PadTo(out, start, 0x2C);
}

// A playlist item naming `trackId`; with no track, a podcast group header titled `groupTitle`.
void AppendPlaylistItem(Bytes& out, std::int32_t trackId, std::uint32_t position,
                        std::u16string_view groupTitle = {}) {
    const bool groupHeader = trackId == 0 && !groupTitle.empty();
    const std::size_t start = out.size();
    AppendTag(out, "mhip");
    AppendU32(out, kPlaylistItemHeaderLength);
    AppendU32(out, 0);                     // total length
    AppendU32(out, 1);                     // data objects
    AppendU32(out, groupHeader ? 256 : 0); // podcast grouping flag
    AppendU32(out, position + 1);          // group id
    AppendU32(out, static_cast<std::uint32_t>(trackId));
    PadTo(out, start, kPlaylistItemHeaderLength);
    if (groupHeader) {
        Append(out, Text(kTitle, groupTitle).bytes);
    } else {
        AppendPositionObject(out, position);
    }
    PutU32(out, start + 8, static_cast<std::uint32_t>(out.size() - start));
}

// The objects iTunes keeps for a smart playlist: its preferences (type 50) and its rules (51,
// big-endian "SLst": one rule, artist contains "a").
void AppendSmartObjects(Bytes& out) {
    Bytes preferences;
    preferences.push_back(std::byte{1}); // live update
    preferences.push_back(std::byte{1}); // check rules
    preferences.push_back(std::byte{0}); // check limits
    preferences.resize(0x48, std::byte{0});
    Append(out, Raw(50, preferences).bytes);
    Bytes rules;
    AppendTag(rules, "SLst");
    AppendU32BE(rules, 0x00010001);
    AppendU32BE(rules, 1); // rules
    AppendU32BE(rules, 0); // all of them
    rules.resize(136, std::byte{0});
    AppendU32BE(rules, 4);          // field: artist
    AppendU32BE(rules, 0x01000002); // action: contains
    rules.resize(rules.size() + 44, std::byte{0});
    AppendU32BE(rules, 2); // text length
    rules.push_back(std::byte{0});
    rules.push_back(std::byte{'a'});
    Append(out, Raw(51, rules).bytes);
}

struct PlaylistItems {
    std::vector<std::int32_t> trackIds;
    std::u16string groupTitle; // the title of group headers (items of id 0)
};

void AppendPlaylist(Bytes& out, const std::u16string& name, const PlaylistItems& items, bool hidden,
                    bool smart, bool utf8Name) {
    const std::size_t start = out.size();
    AppendTag(out, "mhyp");
    AppendU32(out, kPlaylistHeaderLength);
    AppendU32(out, 0);             // total length
    AppendU32(out, smart ? 3 : 1); // data objects
    AppendU32(out, static_cast<std::uint32_t>(items.trackIds.size()));
    AppendU32(out, hidden ? 1 : 0); // byte 20: hidden
    PadTo(out, start, kPlaylistHeaderLength);
    if (utf8Name) {
        Append(out, Utf8Text(kTitle, Utf16ToUtf8(name)).bytes);
    } else {
        Append(out, Text(kTitle, std::u16string_view(name)).bytes);
    }
    if (smart) {
        AppendSmartObjects(out);
    }
    for (std::size_t i = 0; i < items.trackIds.size(); ++i) {
        AppendPlaylistItem(out, items.trackIds[i], static_cast<std::uint32_t>(i), items.groupTitle);
    }
    PutU32(out, start + 8, static_cast<std::uint32_t>(out.size() - start));
}

// The master playlist (every track, hidden, titled like the iPod), then the playlists that go
// into a section of `type`.
void AppendPlaylists(Bytes& out, std::uint32_t type, const DatabaseSpec& database) {
    std::vector<const PlaylistSpec*> playlists;
    for (const PlaylistSpec& playlist : database.playlists) {
        if (playlist.onlyInSection == 0 || playlist.onlyInSection == type) {
            playlists.push_back(&playlist);
        }
    }
    AppendListHeader(out, "mhlp", static_cast<std::uint32_t>(1 + playlists.size()));
    PlaylistItems all;
    for (const TrackSpec& track : database.tracks) {
        all.trackIds.push_back(track.trackId);
    }
    AppendPlaylist(out, u"iPod", all, true, false, false);
    for (const PlaylistSpec* playlist : playlists) {
        AppendPlaylist(out, playlist->name, {playlist->trackIds, playlist->name}, playlist->hidden,
                       playlist->smart, playlist->utf8Name);
    }
}

const ObjectSpec* FindObject(const TrackSpec& track, std::uint32_t type) {
    for (const ObjectSpec& object : track.objects) {
        if (object.type == type) {
            return &object;
        }
    }
    return nullptr;
}

// The text of a text object as written by Text().
std::u16string TextOf(const ObjectSpec& object) {
    std::u16string text;
    const std::uint32_t length = GetU32(object.bytes, 28);
    for (std::size_t i = 0; i + 1 < length && 40 + i + 1 < object.bytes.size(); i += 2) {
        text.push_back(
            static_cast<char16_t>(std::to_integer<unsigned>(object.bytes[40 + i]) |
                                  (std::to_integer<unsigned>(object.bytes[41 + i]) << 8)));
    }
    return text;
}

Bytes TextObjectOfType(std::uint32_t type, const std::u16string& text) {
    ObjectSpec object = Text(kTitle, text);
    PutU32(object.bytes, 12, type);
    return object.bytes;
}

// One album item per distinct album of the tracks, as iTunes 9 and later keep them.
void AppendAlbumList(Bytes& out, const std::vector<TrackSpec>& tracks) {
    std::map<std::u16string, std::u16string> albums; // album -> artist of its first track
    for (const TrackSpec& track : tracks) {
        const ObjectSpec* album = FindObject(track, kAlbum);
        if (album == nullptr || album->bytes.size() < 40) {
            continue;
        }
        const ObjectSpec* artist = FindObject(track, kArtist);
        albums.emplace(TextOf(*album),
                       artist != nullptr && artist->bytes.size() >= 40 ? TextOf(*artist) : u"");
    }
    AppendListHeader(out, "mhla", static_cast<std::uint32_t>(albums.size()));
    std::uint32_t albumId = 1;
    for (const auto& [album, artist] : albums) {
        const std::size_t start = out.size();
        AppendTag(out, "mhia");
        AppendU32(out, kAlbumItemHeaderLength);
        AppendU32(out, 0); // total length
        AppendU32(out, 2); // data objects
        AppendU32(out, 0);
        AppendU32(out, albumId++);
        PadTo(out, start, kAlbumItemHeaderLength);
        Append(out, TextObjectOfType(kAlbumNameObject, album));
        Append(out, TextObjectOfType(kAlbumArtistObject, artist));
        PutU32(out, start + 8, static_cast<std::uint32_t>(out.size() - start));
    }
}

void AppendSectionBody(Bytes& out, std::uint32_t type, const DatabaseSpec& database, Layout& layout,
                       bool& trackListWritten) {
    switch (type) {
    case kTrackSection: {
        const bool record = !trackListWritten;
        trackListWritten = true;
        if (record) {
            layout.trackListOffset = out.size();
        }
        AppendListHeader(out, "mhlt", static_cast<std::uint32_t>(database.tracks.size()));
        for (const TrackSpec& track : database.tracks) {
            std::vector<std::size_t> objectOffsets;
            const std::size_t trackOffset = out.size();
            AppendTrackItem(out, track, objectOffsets);
            if (record) {
                layout.trackOffsets.push_back(trackOffset);
                layout.objectOffsets.push_back(std::move(objectOffsets));
            }
        }
        return;
    }
    case kPlaylistSection:
    case kPodcastSection:
        AppendPlaylists(out, type, database);
        return;
    case kAlbumSection:
        AppendAlbumList(out, database.tracks);
        return;
    case kSmartPlaylistSection:
        AppendListHeader(out, "mhlp", 0);
        return;
    case 6:
    case 10:
        AppendListHeader(out, "mhlt", 0);
        return;
    case 8:
        AppendListHeader(out, "mhli", 0);
        return;
    default:
        return;
    }
}

} // namespace

std::uint32_t ObjectSpec::TotalLength() const {
    return static_cast<std::uint32_t>(bytes.size());
}

ObjectSpec Text(std::uint32_t type, std::u16string_view text) {
    Bytes out = ObjectHeader(type);
    AppendU32(out, kUtf16Encoding);
    AppendU32(out, static_cast<std::uint32_t>(text.size() * 2));
    AppendU32(out, 1);
    AppendU32(out, 0);
    for (const char16_t unit : text) {
        out.push_back(static_cast<std::byte>(unit & 0xFF));
        out.push_back(static_cast<std::byte>(unit >> 8));
    }
    return Finish(type, std::move(out));
}

ObjectSpec Text(std::uint32_t type, std::string_view utf8) {
    return Text(type, std::u16string_view(Utf8ToUtf16(utf8)));
}

ObjectSpec Utf8Text(std::uint32_t type, std::string_view utf8) {
    Bytes out = ObjectHeader(type);
    AppendU32(out, kUtf8Encoding);
    AppendU32(out, static_cast<std::uint32_t>(utf8.size()));
    AppendU32(out, 1);
    AppendU32(out, 0);
    for (const char c : utf8) {
        out.push_back(static_cast<std::byte>(c));
    }
    return Finish(type, std::move(out));
}

ObjectSpec PodcastUrl(std::uint32_t type, std::string_view utf8Url) {
    Bytes out = ObjectHeader(type);
    for (const char c : utf8Url) {
        out.push_back(static_cast<std::byte>(c));
    }
    return Finish(type, std::move(out));
}

ObjectSpec Chapter(std::u16string_view chapterTitle, std::uint32_t startMs) {
    // Chapter lists are big-endian atoms after 12 bytes of unknown numbers.
    Bytes name;
    AppendU32BE(name, static_cast<std::uint32_t>(22 + chapterTitle.size() * 2));
    AppendTag(name, "name");
    AppendU32BE(name, 1);
    AppendU32BE(name, 0);
    AppendU32BE(name, 0);
    name.push_back(std::byte{0});
    name.push_back(std::byte{static_cast<unsigned char>(chapterTitle.size())});
    for (const char16_t unit : chapterTitle) {
        name.push_back(static_cast<std::byte>(unit >> 8));
        name.push_back(static_cast<std::byte>(unit & 0xFF));
    }
    Bytes chap;
    AppendU32BE(chap, static_cast<std::uint32_t>(20 + name.size()));
    AppendTag(chap, "chap");
    AppendU32BE(chap, startMs);
    AppendU32BE(chap, 1);
    AppendU32BE(chap, 0);
    Append(chap, name);
    Bytes hedr;
    AppendU32BE(hedr, 28);
    AppendTag(hedr, "hedr");
    AppendU32BE(hedr, 1);
    AppendU32BE(hedr, 0);
    AppendU32BE(hedr, 0);
    AppendU32BE(hedr, 0);
    AppendU32BE(hedr, 1000);

    Bytes out = ObjectHeader(kChapterData);
    AppendU32(out, 0x000002B8);
    AppendU32(out, 0x00000001);
    AppendU32(out, 0x00000000);
    AppendU32BE(out, static_cast<std::uint32_t>(20 + chap.size() + hedr.size()));
    AppendTag(out, "sean");
    AppendU32BE(out, 1);
    AppendU32BE(out, 2); // children
    AppendU32BE(out, 0);
    Append(out, chap);
    Append(out, hedr);
    return Finish(kChapterData, std::move(out));
}

ObjectSpec VideoData(std::uint32_t width, std::uint32_t height) {
    Bytes out = ObjectHeader(kVideoData);
    AppendU32(out, height);
    AppendU32(out, width);
    PadTo(out, 0, 108);
    PutU32(out, 40, 0x3F800000); // frame aspect 1.0f
    return Finish(kVideoData, std::move(out));
}

ObjectSpec Raw(std::uint32_t type, std::vector<std::byte> body) {
    Bytes out = ObjectHeader(type);
    Append(out, body);
    return Finish(type, std::move(out));
}

TrackSpec Song(const SongFields& fields) {
    TrackSpec track;
    track.trackId = fields.trackId;
    track.headerLength = fields.headerLength;
    track.numbers = fields.numbers;
    const std::pair<std::uint32_t, const std::u16string*> order[] = {
        {kTitle, &fields.title},
        {kLocation, &fields.location},
        {kAlbum, &fields.album},
        {kArtist, &fields.artist},
        {kGenre, &fields.genre},
        {kFileType, &fields.fileType},
        {kEQSetting, &fields.eqSetting},
        {kComment, &fields.comment},
        {kComposer, &fields.composer},
        {kGrouping, &fields.grouping},
        {kAlbumArtist, &fields.albumArtist},
    };
    for (const auto& [type, text] : order) {
        if (!text->empty()) {
            track.objects.push_back(Text(type, std::u16string_view(*text)));
        }
    }
    return track;
}

std::vector<std::byte> WriteITunesDB(const DatabaseSpec& database, Layout& layout) {
    if (database.headerLength < kMinDatabaseHeaderLength) {
        throw std::invalid_argument("itunesdb writer: database header length " +
                                    std::to_string(database.headerLength) + " is below 24");
    }
    layout = Layout{};
    std::size_t trackBytes = 0;
    for (const TrackSpec& track : database.tracks) {
        trackBytes += track.headerLength;
        for (const ObjectSpec& object : track.objects) {
            trackBytes += object.bytes.size();
        }
    }
    const auto playlistSections = static_cast<std::size_t>(
        std::count_if(database.sectionOrder.begin(), database.sectionOrder.end(), [](std::uint32_t type) {
            return type == kPlaylistSection || type == kPodcastSection;
        }));
    Bytes out;
    out.reserve(database.headerLength + database.sectionOrder.size() * 0x100 + trackBytes +
                playlistSections * database.tracks.size() * (kPlaylistItemHeaderLength + 0x2C));
    AppendTag(out, "mhbd");
    AppendU32(out, database.headerLength);
    AppendU32(out, 0); // total length
    AppendU32(out, 1);
    AppendU32(out, database.headerLength >= 0xF4 ? 0x30 : (database.headerLength >= 0xBC ? 0x19 : 0x0D));
    AppendU32(out, static_cast<std::uint32_t>(database.sectionOrder.size()));
    PadTo(out, 0, database.headerLength);
    PutInHeader(out, 0, database.headerLength, 24, 0x04FB3DB8); // database id
    PutInHeader(out, 0, database.headerLength, 28, 0x085E03BC);
    PutInHeader(out, 0, database.headerLength, 32, 2);

    bool trackListWritten = false;
    for (const std::uint32_t type : database.sectionOrder) {
        const std::size_t start = out.size();
        AppendTag(out, "mhsd");
        AppendU32(out, kSectionHeaderLength);
        AppendU32(out, 0); // total length
        AppendU32(out, type);
        PadTo(out, start, kSectionHeaderLength);
        AppendSectionBody(out, type, database, layout, trackListWritten);
        PutU32(out, start + 8, static_cast<std::uint32_t>(out.size() - start));
    }
    PutU32(out, 8, static_cast<std::uint32_t>(out.size()));
    return out;
}

std::vector<std::byte> WriteITunesDB(const DatabaseSpec& database) {
    Layout layout;
    return WriteITunesDB(database, layout);
}

std::vector<std::byte> CompressDatabase(const std::vector<std::byte>& database) {
    const std::uint32_t headerLength = GetU32(database, 4);
    if (headerLength <= kCompressedFlagOffset || headerLength > database.size()) {
        throw std::invalid_argument("itunesdb writer: a header of " + std::to_string(headerLength) +
                                    " bytes has no room for the compressed flag");
    }
    const auto* body = reinterpret_cast<const Bytef*>(database.data()) + headerLength;
    const uLong bodySize = database.size() - headerLength;
    uLongf compressedSize = compressBound(bodySize);
    Bytes out(headerLength + compressedSize);
    if (compress2(reinterpret_cast<Bytef*>(out.data()) + headerLength, &compressedSize, body,
                  bodySize, 1) != Z_OK) {
        throw std::runtime_error("itunesdb writer: zlib could not compress the database");
    }
    out.resize(headerLength + compressedSize);
    std::copy(database.begin(), database.begin() + headerLength, out.begin());
    out[kCompressedFlagOffset] = std::byte{1};
    PutU32(out, 0x0C, 2);
    PutU32(out, 8, static_cast<std::uint32_t>(out.size()));
    return out;
}

void PutU32(std::vector<std::byte>& bytes, std::size_t offset, std::uint32_t value) {
    if (offset + 4 > bytes.size()) {
        throw std::out_of_range("itunesdb writer: PutU32 at " + std::to_string(offset) +
                                " is past the end of " + std::to_string(bytes.size()) + " bytes");
    }
    for (int i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<std::byte>((value >> (8 * i)) & 0xFF);
    }
}

std::uint32_t GetU32(const std::vector<std::byte>& bytes, std::size_t offset) {
    if (offset + 4 > bytes.size()) {
        throw std::out_of_range("itunesdb writer: GetU32 at " + std::to_string(offset) +
                                " is past the end of " + std::to_string(bytes.size()) + " bytes");
    }
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        value |= std::to_integer<std::uint32_t>(bytes[offset + i]) << (8 * i);
    }
    return value;
}

} // namespace itunesdb
