#include "app/database/itunesdb_reader.h"

#include "app/database/object_text.h"

#include <algorithm>

namespace {

constexpr int kSectionsRead = 2;
constexpr std::int64_t kMinTrackItemLength = 20; // up to and including the track id
constexpr std::int64_t kObjectHeaderLength = 24;
constexpr std::int64_t kEncodingOffset = 24;
constexpr std::int64_t kTextStart = 40; // 24-byte header, 16-byte text header

constexpr std::int32_t kAlbumArtistObject = 22;

// Where the text of an object of `type` goes.
std::u16string* TextSlot(std::int32_t type, TSong& song, TrackFacts& facts) {
    switch (type) {
    case 1:
        return &song.Title;
    case 2:
        return &song.Location;
    case 3:
        return &song.Album;
    case 4:
        return &song.Artist;
    case 5:
        return &song.Genre;
    case 6:
        return &song.FileType;
    case 7:
        return &song.EQSetting;
    case 8:
        return &song.Comment;
    case 12:
        return &song.Composer;
    case 13:
        return &song.Grouping;
    case kAlbumArtistObject:
        return &facts.AlbumArtist;
    default:
        return nullptr; // 9 to 11 have slots that are never copied; the rest none
    }
}

// Numbers of the track item header, by offset.
constexpr std::int64_t kCompilationOffset = 30; // one byte
constexpr std::int64_t kLengthOffset = 40;
constexpr std::int64_t kTrackNumberOffset = 44;
constexpr std::int64_t kTrackCountOffset = 48;
constexpr std::int64_t kYearOffset = 52;
constexpr std::int64_t kDiscNumberOffset = 92;
constexpr std::int64_t kDiscCountOffset = 96;

} // namespace

std::optional<std::int32_t> ITunesDBReader::ReadInt(std::int64_t offset) const {
    if (offset < 0 || offset > Size() - 4) {
        return std::nullopt;
    }
    const auto at = static_cast<std::size_t>(offset);
    const std::uint32_t value = std::to_integer<std::uint32_t>(buffer_[at]) |
                                std::to_integer<std::uint32_t>(buffer_[at + 1]) << 8 |
                                std::to_integer<std::uint32_t>(buffer_[at + 2]) << 16 |
                                std::to_integer<std::uint32_t>(buffer_[at + 3]) << 24;
    return static_cast<std::int32_t>(value);
}

std::u16string ITunesDBReader::ReadText(std::int64_t object, std::int64_t end) const {
    const std::int64_t begin = object + kTextStart;
    end = std::min(end, Size());
    if (begin < 0 || end <= begin) {
        return {};
    }
    const auto encoding = ReadInt(object + kEncodingOffset);
    return DecodeObjectText(
        buffer_.subspan(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin)),
        encoding.value_or(0));
}

void ITunesDBReader::ReadSections(std::span<SectionEntry, 4> table) const {
    const auto databaseHeaderLength = ReadInt(4);
    if (!databaseHeaderLength) {
        return;
    }
    std::int64_t start = *databaseHeaderLength;
    for (int i = 0; i < kSectionsRead; ++i) {
        const auto headerLength = ReadInt(start + 4);
        const auto totalLength = ReadInt(start + 8);
        const auto type = ReadInt(start + 12);
        if (!headerLength || !totalLength || !type) {
            return;
        }
        if (*type >= 1 && *type <= 3) {
            table[static_cast<std::size_t>(*type)] = {*totalLength, *headerLength,
                                                      static_cast<std::int32_t>(start)};
        }
        start += *totalLength;
    }
}

std::optional<std::int32_t>
ITunesDBReader::StatedTrackCount(const SectionEntry& trackSection) const {
    return ReadInt(static_cast<std::int64_t>(trackSection.Start) + trackSection.HeaderLength + 8);
}

void ITunesDBReader::ReadTrackList(const SectionEntry& trackSection, std::vector<TSong>& songs,
                                   std::vector<TrackFacts>& facts) const {
    const std::int64_t listStart =
        static_cast<std::int64_t>(trackSection.Start) + trackSection.HeaderLength;
    const auto listHeaderLength = ReadInt(listStart + 4);
    const auto trackCount = ReadInt(listStart + 8);
    if (!listHeaderLength || !trackCount) {
        return;
    }
    std::int64_t position = listStart + *listHeaderLength;
    // A count the remaining bytes cannot back is never allocated for.
    const std::int64_t bytesLeft = std::clamp<std::int64_t>(Size() - position, 0, Size());
    const std::int64_t count = std::min<std::int64_t>(std::max<std::int32_t>(*trackCount, 0),
                                                      bytesLeft / kMinTrackItemLength);
    songs.reserve(songs.size() + static_cast<std::size_t>(count));
    facts.reserve(facts.size() + static_cast<std::size_t>(count));
    for (std::int64_t i = 0; i < count; ++i) {
        TSong song;
        TrackFacts trackFacts;
        const TrackWalk walk = ReadTrack(position, song, trackFacts);
        if (walk == TrackWalk::Unreadable) {
            return;
        }
        // Both have their room reserved, so neither push can fail and leave the two apart.
        songs.push_back(std::move(song));
        facts.push_back(std::move(trackFacts));
        if (walk == TrackWalk::CutShort) {
            return;
        }
    }
}

ITunesDBReader::TrackWalk ITunesDBReader::ReadTrack(std::int64_t& position, TSong& song,
                                                    TrackFacts& facts) const {
    const auto headerLength = ReadInt(position + 4);
    const auto objectCount = ReadInt(position + 12);
    const auto trackId = ReadInt(position + 16);
    // A header shorter than the fields read from it would leave the walk where it is (a hostile
    // file could have one track read again up to the count), and a negative one would walk
    // backwards: such an item ends the walk.
    if (!headerLength || !objectCount || !trackId || *headerLength < kMinTrackItemLength) {
        return TrackWalk::Unreadable;
    }
    song.TrackId = *trackId;
    ReadTrackNumbers(position, *headerLength, facts);
    std::int64_t objectPosition = position + *headerLength;
    for (std::int32_t i = 0; i < *objectCount; ++i) {
        if (!ReadObject(objectPosition, song, facts)) {
            return TrackWalk::CutShort;
        }
    }
    position = objectPosition;
    return TrackWalk::Complete;
}

void ITunesDBReader::ReadTrackNumbers(std::int64_t item, std::int32_t headerLength,
                                      TrackFacts& facts) const {
    // Older, shorter headers end before some of the numbers; those stay 0.
    auto number = [&](std::int64_t offset) {
        return offset + 4 <= headerLength ? ReadInt(item + offset).value_or(0) : 0;
    };
    facts.LengthMs = number(kLengthOffset);
    facts.TrackNumber = number(kTrackNumberOffset);
    facts.TrackCount = number(kTrackCountOffset);
    facts.Year = number(kYearOffset);
    facts.DiscNumber = number(kDiscNumberOffset);
    facts.DiscCount = number(kDiscCountOffset);
    const std::int64_t compilation = item + kCompilationOffset;
    facts.Compilation = kCompilationOffset < headerLength && compilation < Size() &&
                        buffer_[static_cast<std::size_t>(compilation)] != std::byte{0};
}

bool ITunesDBReader::ReadObject(std::int64_t& position, TSong& song, TrackFacts& facts) const {
    const auto totalLength = ReadInt(position + 8);
    const auto type = ReadInt(position + 12);
    if (!totalLength || !type) {
        return false;
    }
    // Not every object is text (podcast URLs, chapters, video data): the stored total length
    // is the reliable step whenever it is plausible.
    std::optional<std::int32_t> textLength;
    std::int64_t end = 0;
    if (*totalLength >= kObjectHeaderLength && *totalLength <= Size() - position) {
        end = position + *totalLength;
        if (position + 32 <= end) {
            textLength = ReadInt(position + 28);
        }
    } else {
        textLength = ReadInt(position + 28);
        if (!textLength) {
            return false;
        }
        end = position + kTextStart + std::max<std::int32_t>(*textLength, 0);
    }
    if (std::u16string* slot = TextSlot(*type, song, facts)) {
        *slot = textLength && *textLength > 0
                    ? ReadText(position, std::min(end, position + kTextStart + *textLength))
                    : std::u16string();
    }
    position = end;
    return true;
}
