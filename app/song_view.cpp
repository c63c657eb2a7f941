#include "app/song_view.h"

#include "app/error_log.h"
#include "app/song_search.h"
#include "platform/text.h"

#include <algorithm>
#include <array>
#include <exception>
#include <map>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace {

bool EqualsOneOf(const std::u16string& field, const std::vector<std::string>& values) {
    const std::string text = platform::text::WideToAnsi(field);
    for (const std::string& value : values) {
        if (platform::text::SameNoCase(text, value))
            return true;
    }
    return false;
}

std::string Joined(const std::vector<std::string>& values) {
    std::string joined;
    for (const std::string& value : values) {
        if (!joined.empty())
            joined += ",";
        joined += value;
    }
    return joined;
}

TSongTexts::Column PaneColumn(ViewKind kind) {
    switch (kind) {
    case ViewKind::Album:
        return TSongTexts::Album;
    case ViewKind::Artist:
        return TSongTexts::Artist;
    default:
        return TSongTexts::FileType;
    }
}

} // namespace

bool SongPassesView(ViewKind kind, const std::vector<std::string>& values, const TSong& song) {
    switch (kind) {
    case ViewKind::All:
        return true;
    case ViewKind::Album:
        return EqualsOneOf(song.Album, values);
    case ViewKind::Artist:
        return EqualsOneOf(song.Artist, values);
    case ViewKind::FileType:
        return EqualsOneOf(song.FileType, values);
    case ViewKind::Search:
        return !values.empty() && SongMatchesSearch(song, values.front());
    case ViewKind::Empty:
        return false;
    }
    return false;
}

std::string ViewStatusText(ViewKind kind, const std::vector<std::string>& values) {
    switch (kind) {
    case ViewKind::Album:
        return "Files in album " + Joined(values);
    case ViewKind::Artist:
        return "Files by artist " + Joined(values);
    case ViewKind::FileType:
        return values.empty() ? std::string() : values.front() + " Files";
    default:
        return {};
    }
}

TSongTexts::TSongTexts(const std::vector<TSong>& songs) : songCount_(songs.size()) {
    const auto fieldsOf = [](const TSong& song) {
        return std::array{&song.Title,    &song.SizeText, &song.Album,   &song.Artist,
                          &song.Genre,    &song.FileType, &song.Comment, &song.EQSetting,
                          &song.Composer, &song.Grouping};
    };
    std::size_t units = 0;
    for (const TSong& song : songs)
        for (const std::u16string* field : fieldsOf(song))
            units += field->size();
    texts_.reserve(units + units / 8 + 3); // room for some text beyond ASCII
    starts_.reserve(songs.size() * ColumnCount + 1);
    for (const TSong& song : songs) {
        for (const std::u16string* field : fieldsOf(song)) {
            starts_.push_back(texts_.size());
            platform::text::AppendAnsi(texts_, *field);
        }
    }
    starts_.push_back(texts_.size());
}

const TSongTexts::Spellings& TSongTexts::SpellingsOf(Column column) const {
    Spellings& spellings = spellings_[column];
    if (spellings.ofSong.size() == songCount_)
        return spellings;
    std::unordered_map<std::string_view, std::uint32_t> idOf;
    spellings.texts.clear();
    spellings.ofSong.resize(songCount_);
    for (std::size_t song = 0; song < songCount_; ++song) {
        const std::string_view text = Text(song, column);
        const auto [it, added] =
            idOf.try_emplace(text, static_cast<std::uint32_t>(spellings.texts.size()));
        if (added)
            spellings.texts.push_back(text);
        spellings.ofSong[song] = it->second;
    }
    return spellings;
}

std::vector<std::string> TSongTexts::Names(Column column) const {
    // Spellings come in catalogue order, so the first of each sort key is the one met first.
    const Spellings& spellings = SpellingsOf(column);
    std::map<std::string, std::string_view> byKey;
    for (const std::string_view text : spellings.texts)
        byKey.try_emplace(platform::text::NoCaseSortKey(text), text);
    std::vector<std::string> names;
    names.reserve(byKey.size());
    for (const auto& [key, text] : byKey)
        names.emplace_back(text);
    return names;
}

std::vector<std::int32_t> TSongTexts::SongsInView(ViewKind kind,
                                                  const std::vector<std::string>& values,
                                                  std::size_t limit) const {
    const std::size_t count = std::min(limit, songCount_);
    std::vector<std::int32_t> shown;
    const auto showIf = [&](auto passes) {
        for (std::size_t song = 0; song < count; ++song)
            if (passes(song))
                shown.push_back(static_cast<std::int32_t>(song));
    };
    switch (kind) {
    case ViewKind::All:
        showIf([](std::size_t) { return true; });
        break;
    case ViewKind::Album:
    case ViewKind::Artist:
    case ViewKind::FileType: {
        // Equal without regard to case means equal sort keys; the songs share a few spellings,
        // so each spelling is compared once, not each song.
        const Spellings& spellings = SpellingsOf(PaneColumn(kind));
        std::unordered_set<std::string> wanted;
        for (const std::string& value : values)
            wanted.insert(platform::text::NoCaseSortKey(value));
        std::vector<char> passes(spellings.texts.size());
        for (std::size_t i = 0; i < spellings.texts.size(); ++i)
            passes[i] = wanted.count(platform::text::NoCaseSortKey(spellings.texts[i])) != 0;
        showIf([&](std::size_t song) { return passes[spellings.ofSong[song]] != 0; });
        break;
    }
    case ViewKind::Search: {
        if (values.empty())
            break;
        std::optional<TSearchWords> words;
        try {
            words.emplace(values.front());
        } catch (const std::exception& error) {
            TLogClass::WriteErrorLog(std::string("SearchFunc:") + error.what());
            break;
        }
        showIf([&](std::size_t song) {
            for (const Column field : {Title, Album, Artist, Composer, Comment})
                if (words->FoundIn(Text(song, field)))
                    return true;
            return false;
        });
        break;
    }
    case ViewKind::Empty:
        break;
    }
    return shown;
}
