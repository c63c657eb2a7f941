#include "app/song_view.h"

#include "app/song_search.h"
#include "platform/text.h"

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
