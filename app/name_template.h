#pragma once

#include "app/database/song.h"
#include "app/database/track_facts.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How a copy job names each song's file below its destination folder: a relative path whose
// folders are separated by "/", with fields in braces and optional parts in square brackets.
//
//   {title} {artist} {album} {albumartist} {genre} {composer}  texts
//   {year} {track} {disc}                                      numbers; {track:02} pads to 2
//   [...]  dropped whole when any field inside it is empty or 0
//
// {albumartist} is the album artist, else "Various Artists" for a compilation, else the artist.
// Each folder and the file name are made safe as SafeFileName makes a title safe; one whose fields
// all come out empty is named "Unknown Artist", "Unknown Album" or "Unknown" after its first field.
class NameTemplate {
public:
    // The layout of an organised library, as the options window's folder sorting uses it.
    static constexpr std::string_view SuggestedLayout =
        "{albumartist}/{album}/[{disc}-][{track:02} ]{title}";

    // The template `text` stands for; nullopt with `problem` saying what is wrong and where.
    static std::optional<NameTemplate> Parse(std::string_view text, std::string& problem);

    // The song's file below the destination folder: safe folder names and a safe file name
    // ending in `extension`, separated by "\".
    std::string Expand(const TSong& song, const TrackFacts& facts,
                       std::string_view extension) const;

    enum class Field { Title, Artist, Album, AlbumArtist, Genre, Composer, Year, Track, Disc };

private:
    struct Piece {
        enum class Kind { Text, Separator, Field, OptionalStart, OptionalEnd };
        Kind kind = Kind::Text;
        std::string text = {};      // Kind::Text
        Field field = Field::Title; // Kind::Field
        int width = 0;              // Kind::Field: zeros to pad a number to
    };

    NameTemplate() = default;

    std::vector<Piece> pieces_;
};
