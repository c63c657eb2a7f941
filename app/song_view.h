#pragma once

#include "app/database/song.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The views of the song table: which songs a rebuild adds.
enum class ViewKind { All = 0, Album = 2, Artist = 3, FileType = 5, Empty = 6, Search = 7 };

// Whether a song belongs to the view; `values` are the marked pane texts, or the search text
// alone.
bool SongPassesView(ViewKind kind, const std::vector<std::string>& values, const TSong& song);

// The status line of a pane view ("Files in album Blue,Red"); empty for the other kinds.
std::string ViewStatusText(ViewKind kind, const std::vector<std::string>& values);

// The 8-bit texts of a catalogue's songs, converted once per load: the ten columns of the song
// table, which are also the fields the views compare. A view then walks compact texts instead
// of converting 50,000 songs' wide strings again.
class TSongTexts {
public:
    // The song table's columns 1 to 10, in their order.
    enum Column {
        Title,
        SizeText,
        Album,
        Artist,
        Genre,
        FileType,
        Comment,
        EQSetting,
        Composer,
        Grouping,
        ColumnCount
    };

    explicit TSongTexts(const std::vector<TSong>& songs);

    std::size_t Size() const { return songCount_; }
    std::string_view Text(std::size_t song, Column column) const {
        const std::size_t at = song * ColumnCount + column;
        return std::string_view(texts_.data() + starts_[at], starts_[at + 1] - starts_[at]);
    }

    // The field's distinct values, sorted and compared without regard to case, each spelled as
    // met first: the catalogue's AlbumNames, ArtistNames and FileTypeNames.
    std::vector<std::string> Names(Column column) const;

    // The catalogue indexes, below `limit`, of the songs the view shows, in catalogue order:
    // the songs SongPassesView admits.
    std::vector<std::int32_t> SongsInView(ViewKind kind, const std::vector<std::string>& values,
                                          std::size_t limit) const;

private:
    // The songs' spellings of one field, each once, and which one each song has.
    struct Spellings {
        std::vector<std::string_view> texts;
        std::vector<std::uint32_t> ofSong;
    };
    const Spellings& SpellingsOf(Column column) const;

    std::size_t songCount_ = 0;
    std::string texts_;
    std::vector<std::size_t> starts_; // where each song's column begins; one more at the end
    mutable std::vector<Spellings> spellings_ = std::vector<Spellings>(ColumnCount);
};
