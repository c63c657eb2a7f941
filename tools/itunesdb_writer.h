#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Builds iTunesDB files shaped like those real iPods carry, for tests, benchmarks and the
// demo iPod. Every length the writer stores is correct; hostile files are made by patching
// the returned bytes.
namespace itunesdb {

// Data object (mhod) types with a text slot in the song record.
enum ObjectType : std::uint32_t {
    kTitle = 1,
    kLocation = 2,
    kAlbum = 3,
    kArtist = 4,
    kGenre = 5,
    kFileType = 6,
    kEQSetting = 7,
    kComment = 8,
    kCategory = 9,
    kComposer = 12,
    kGrouping = 13,
    kDescription = 14,
    kPodcastEnclosureUrl = 15,
    kPodcastRssUrl = 16,
    kChapterData = 17,
    kAlbumArtist = 22,
    kVideoData = 32,
};

// One complete data object, header included; made by the helpers below.
struct ObjectSpec {
    std::uint32_t type = 0;
    std::vector<std::byte> bytes; // the whole mhod as written

    // Total length stored at offset 8 (equals bytes.size()).
    std::uint32_t TotalLength() const;
};

// A text object: 24-byte header, position 1, byte length L, two zeros, UTF-16LE text;
// total length 40 + L.
ObjectSpec Text(std::uint32_t type, std::u16string_view text);
ObjectSpec Text(std::uint32_t type, std::string_view utf8);
// The same with the text stored as UTF-8 (encoding 2 at offset 24), as some tools and phones
// write it; L counts bytes.
ObjectSpec Utf8Text(std::uint32_t type, std::string_view utf8);
// A podcast URL (type 15 or 16): 24-byte header, then the UTF-8 bytes; total 24 + bytes.
ObjectSpec PodcastUrl(std::uint32_t type, std::string_view utf8Url);
// Chapter data (type 17): 24-byte header, then a small binary chapter list.
ObjectSpec Chapter(std::u16string_view chapterTitle = u"Chapter 1", std::uint32_t startMs = 0);
// Video data (type 32): total length 108, height at offset 24 and width at offset 28.
ObjectSpec VideoData(std::uint32_t width = 480, std::uint32_t height = 360);
// Any other object: 24-byte header with the given type, then `body`; total 24 + body.
ObjectSpec Raw(std::uint32_t type, std::vector<std::byte> body);

// Common track item header lengths seen in real databases.
inline constexpr std::uint32_t kTrackHeaderLengths[] = {0x9C,  0xA0,  0xF4,  0x148, 0x184,
                                                        0x1B4, 0x208, 0x248, 0x270};

// Numbers of a track item header; a header too short for one leaves it out.
struct TrackNumbers {
    bool compilation = false;         // byte 30
    std::uint32_t lengthMs = 240'000; // 40
    std::uint32_t trackNumber = 0;    // 44
    std::uint32_t trackCount = 0;     // 48
    std::uint32_t year = 0;           // 52
    std::uint32_t discNumber = 0;     // 92
    std::uint32_t discCount = 0;      // 96
};

struct TrackSpec {
    std::int32_t trackId = 0;
    std::vector<ObjectSpec> objects;    // written in this order
    std::uint32_t headerLength = 0x248; // 0x9C or more in real files; at least 20
    TrackNumbers numbers = {};
};

// The fields of a typical song; empty fields get no object.
struct SongFields {
    std::int32_t trackId = 0;
    std::u16string title;
    std::u16string location; // ":iPod_Control:Music:F00:ABCD.mp3"
    std::u16string album;
    std::u16string artist;
    std::u16string genre;
    std::u16string fileType; // "MPEG audio file"
    std::u16string comment;
    std::u16string eqSetting;
    std::u16string composer;
    std::u16string grouping;
    std::u16string albumArtist;
    std::uint32_t headerLength = 0x248;
    TrackNumbers numbers = {};
};
// A track with one text object per non-empty field, in the order iTunes writes them.
TrackSpec Song(const SongFields& fields);

// Section (mhsd) types.
enum SectionType : std::uint32_t {
    kTrackSection = 1,
    kPlaylistSection = 2,
    kPodcastSection = 3,
    kAlbumSection = 4,
    kSmartPlaylistSection = 5,
};

// Section orders seen in real databases.
inline const std::vector<std::uint32_t> kOrderITunes = {4, 1, 3, 2, 5}; // iTunes 7 to 12
inline const std::vector<std::uint32_t> kOrderOld = {1, 2};             // before 2007
inline const std::vector<std::uint32_t> kOrderOldPodcast = {1, 3, 2};
inline const std::vector<std::uint32_t> kOrderGtkpod = {1, 3, 2, 4, 8, 6, 10, 5};

// A playlist after the master playlist. Its name is its text object 1; its items name tracks
// by id, in order (an id may name no track); an id of 0 is written as a podcast group header,
// which names none, titled by the name.
struct PlaylistSpec {
    std::u16string name;
    std::vector<std::int32_t> trackIds;
    bool smart = false;    // rule objects (types 50 and 51) ahead of the items, as iTunes keeps
    bool hidden = false;   // byte 20, as on the master playlist
    bool utf8Name = false; // the name stored as UTF-8 (encoding 2)
    std::uint32_t onlyInSection = 0; // 2 or 3: written in that playlist section only
};

struct DatabaseSpec {
    std::uint32_t headerLength = 0xBC; // 0x68, 0xBC or 0xF4 (at least 0x68)
    std::vector<std::uint32_t> sectionOrder = kOrderITunes;
    std::vector<TrackSpec> tracks;
    std::vector<PlaylistSpec> playlists = {};
};

// Section types 1: track list; 2, 3: playlist list (a master playlist of every track, then the
// playlists); 4: album list; 5: empty playlist list; others: an empty section.
std::vector<std::byte> WriteITunesDB(const DatabaseSpec& database);

// Where things landed in a written database, for tests that patch bytes.
struct Layout {
    std::size_t trackListOffset = 0;                     // the mhlt
    std::vector<std::size_t> trackOffsets;               // each mhit
    std::vector<std::vector<std::size_t>> objectOffsets; // each mhod of each track
};
std::vector<std::byte> WriteITunesDB(const DatabaseSpec& database, Layout& layout);

// The database as newer iPod nanos keep it in iTunesCDB: the header as written, with byte 0xA8
// set to 1 ("compressed"), 2 at offset 0x0C and the file's length at offset 8, then everything
// after the header as one zlib stream (level 1). The header must be at least 0xA9 bytes long.
std::vector<std::byte> CompressDatabase(const std::vector<std::byte>& database);

// Little-endian patching of written bytes.
void PutU32(std::vector<std::byte>& bytes, std::size_t offset, std::uint32_t value);
std::uint32_t GetU32(const std::vector<std::byte>& bytes, std::size_t offset);

} // namespace itunesdb
