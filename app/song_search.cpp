#include "app/song_search.h"

#include "app/error_log.h"
#include "platform/text.h"

#include <string_view>
#include <vector>

namespace {

bool IsContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

} // namespace

TSearchWords::TSearchWords(std::string_view text) {
    while (!text.empty()) {
        const std::size_t first = text.find_first_not_of(' ');
        text = first == std::string_view::npos ? std::string_view() : text.substr(first);
        const std::size_t space = text.find(' ');
        if (space == std::string_view::npos) {
            words_.emplace_back(text);
            break;
        }
        words_.emplace_back(text.substr(0, space));
        text = text.substr(space + 1);
    }
}

bool TSearchWords::FoundIn(std::string_view field) const {
    for (const std::string& word : words_) {
        if (word.empty() || field.find(word) == std::string_view::npos)
            return false;
    }
    return true;
}

bool SearchFunc(const std::string& text, const std::string& field) {
    try {
        return TSearchWords(text).FoundIn(field);
    } catch (const std::exception& error) {
        TLogClass::WriteErrorLog(std::string("SearchFunc:") + error.what());
        return false;
    }
}

bool SongMatchesSearch(const TSong& song, const std::string& text) {
    using platform::text::WideToAnsi;
    for (const std::u16string* field :
         {&song.Title, &song.Album, &song.Artist, &song.Composer, &song.Comment}) {
        if (SearchFunc(text, WideToAnsi(*field)))
            return true;
    }
    return false;
}

bool IsSearchableText(const std::string& text) {
    if (text.empty())
        return false;
    // Characters, not bytes: find where the last and the one before it start.
    std::size_t last = text.size() - 1;
    while (last > 0 && IsContinuationByte(text[last]))
        --last;
    std::size_t beforeLast = last;
    if (last > 0) {
        beforeLast = last - 1;
        while (beforeLast > 0 && IsContinuationByte(text[beforeLast]))
            --beforeLast;
    }
    return text[beforeLast] != ' ';
}
