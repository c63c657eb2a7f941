#include "app/name_template.h"

#include "app/output_naming.h"
#include "platform/text.h"

#include <array>
#include <utility>

namespace {

using Field = NameTemplate::Field;

constexpr std::pair<std::string_view, Field> kFieldNames[] = {
    {"title", Field::Title}, {"artist", Field::Artist},
    {"album", Field::Album}, {"albumartist", Field::AlbumArtist},
    {"genre", Field::Genre}, {"composer", Field::Composer},
    {"year", Field::Year},   {"track", Field::Track},
    {"disc", Field::Disc},
};
constexpr std::size_t kFieldCount = std::size(kFieldNames);
constexpr int kMaxWidth = 9;

bool IsNumber(Field field) {
    return field == Field::Year || field == Field::Track || field == Field::Disc;
}

std::string FieldList() {
    std::string list;
    for (const auto& [name, field] : kFieldNames)
        list += (list.empty() ? "{" : ", {") + std::string(name) + "}";
    return list;
}

std::string Position(std::size_t index) {
    return "at position " + std::to_string(index + 1);
}

// The field named by the text between braces ("track:02"), with its width.
std::optional<std::pair<Field, int>> ParseField(std::string_view inner, std::string& problem) {
    const std::size_t colon = inner.find(':');
    const std::string_view name = inner.substr(0, colon);
    std::optional<Field> field;
    for (const auto& [known, value] : kFieldNames)
        if (name == known)
            field = value;
    if (!field) {
        problem = "unknown field {" + std::string(inner) + "}; the fields are " + FieldList();
        return std::nullopt;
    }
    if (colon == std::string_view::npos)
        return std::pair(*field, 0);
    const std::string_view digits = inner.substr(colon + 1);
    if (!IsNumber(*field)) {
        problem = "{" + std::string(inner) + "}: only {year}, {track} and {disc} take a width";
        return std::nullopt;
    }
    int width = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9' || width > kMaxWidth) {
            width = -1;
            break;
        }
        width = width * 10 + (c - '0');
    }
    if (digits.empty() || width < 1 || width > kMaxWidth) {
        problem = "{" + std::string(inner) + "}: a width is a number from 1 to " +
                  std::to_string(kMaxWidth) + ", as in {track:02}";
        return std::nullopt;
    }
    return std::pair(*field, width);
}

const char* UnknownName(std::optional<Field> field) {
    if (field == Field::Artist || field == Field::AlbumArtist)
        return "Unknown Artist";
    if (field == Field::Album)
        return "Unknown Album";
    return "Unknown";
}

// The fields' values for one song, each worked out when first asked for.
class FieldValues {
public:
    FieldValues(const TSong& song, const TrackFacts& facts) : song_(song), facts_(facts) {}

    const std::string& Text(Field field) {
        std::optional<std::string>& value = values_[static_cast<std::size_t>(field)];
        if (!value)
            value = Compute(field);
        return *value;
    }

    // The field as it goes into a name: a number padded with zeros to `width`.
    std::string Shown(Field field, int width) {
        std::string text = Text(field);
        if (IsNumber(field) && text.size() < static_cast<std::size_t>(width))
            text.insert(0, static_cast<std::size_t>(width) - text.size(), '0');
        return text;
    }

private:
    static std::string Number(std::int32_t value) {
        return value > 0 ? std::to_string(value) : std::string();
    }

    std::string Compute(Field field) const {
        using platform::text::WideToAnsi;
        switch (field) {
        case Field::Title:
            return WideToAnsi(song_.Title);
        case Field::Artist:
            return WideToAnsi(song_.Artist);
        case Field::Album:
            return WideToAnsi(song_.Album);
        case Field::AlbumArtist:
            if (!facts_.AlbumArtist.empty())
                return WideToAnsi(facts_.AlbumArtist);
            return facts_.Compilation ? "Various Artists" : WideToAnsi(song_.Artist);
        case Field::Genre:
            return WideToAnsi(song_.Genre);
        case Field::Composer:
            return WideToAnsi(song_.Composer);
        case Field::Year:
            return Number(facts_.Year);
        case Field::Track:
            return Number(facts_.TrackNumber);
        case Field::Disc:
            return Number(facts_.DiscNumber);
        }
        return {};
    }

    const TSong& song_;
    const TrackFacts& facts_;
    std::array<std::optional<std::string>, kFieldCount> values_;
};

} // namespace

std::optional<NameTemplate> NameTemplate::Parse(std::string_view text, std::string& problem) {
    NameTemplate result;
    std::vector<Piece>& pieces = result.pieces_;
    std::string literal;
    auto endLiteral = [&] {
        if (!literal.empty())
            pieces.push_back({Piece::Kind::Text, std::move(literal)});
        literal.clear();
    };
    constexpr std::size_t none = std::string_view::npos;
    std::size_t openedAt = none; // the "[" of the optional part being read
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '{') {
            const std::size_t close = text.find('}', i);
            if (close == std::string_view::npos) {
                problem = "\"{\" " + Position(i) + " has no \"}\"";
                return std::nullopt;
            }
            const auto field = ParseField(text.substr(i + 1, close - i - 1), problem);
            if (!field)
                return std::nullopt;
            endLiteral();
            pieces.push_back({Piece::Kind::Field, {}, field->first, field->second});
            i = close;
        } else if (c == '}') {
            problem = "\"}\" " + Position(i) + " has no \"{\"";
            return std::nullopt;
        } else if (c == '[') {
            if (openedAt != none) {
                problem = "\"[\" " + Position(i) + " is inside another \"[...]\"";
                return std::nullopt;
            }
            endLiteral();
            pieces.push_back({Piece::Kind::OptionalStart});
            openedAt = i;
        } else if (c == ']') {
            if (openedAt == none) {
                problem = "\"]\" " + Position(i) + " has no \"[\"";
                return std::nullopt;
            }
            endLiteral();
            pieces.push_back({Piece::Kind::OptionalEnd});
            openedAt = none;
        } else if (c == '/') {
            endLiteral();
            pieces.push_back({Piece::Kind::Separator});
        } else {
            literal += c;
        }
    }
    if (openedAt != none) {
        problem = "\"[\" " + Position(openedAt) + " has no \"]\"";
        return std::nullopt;
    }
    endLiteral();

    // Every folder and the file name need something to be named by.
    std::size_t component = 0;
    bool named = false;
    for (std::size_t i = 0; i <= pieces.size(); ++i) {
        if (i < pieces.size() && pieces[i].kind != Piece::Kind::Separator) {
            named = named || pieces[i].kind == Piece::Kind::Text ||
                    pieces[i].kind == Piece::Kind::Field;
            continue;
        }
        if (!named) {
            if (i == pieces.size() && component == 0)
                problem = "the template is empty";
            else if (component == 0)
                problem = "a template is a path below DEST: it cannot start with \"/\"";
            else if (i == pieces.size())
                problem = "the template ends in \"/\": it needs a file name after its last folder";
            else
                problem = "the template has an empty folder name (\"//\")";
            return std::nullopt;
        }
        ++component;
        named = false;
    }
    return result;
}

std::string NameTemplate::Expand(const TSong& song, const TrackFacts& facts,
                                 std::string_view extension) const {
    struct Component {
        std::string text;
        std::optional<Field> firstField;
        bool fieldShown = false; // some field gave text

        // When its fields all give nothing, the text between them (the " - " of "{artist} -
        // {album}") names nothing either: the first field's unknown name stands in.
        std::string Name() const {
            return (firstField && !fieldShown) || text.empty() ? UnknownName(firstField) : text;
        }
    };
    FieldValues values(song, facts);
    std::vector<Component> components(1);
    for (std::size_t i = 0; i < pieces_.size(); ++i) {
        const Piece& piece = pieces_[i];
        switch (piece.kind) {
        case Piece::Kind::Text:
            components.back().text += piece.text;
            break;
        case Piece::Kind::Separator:
            components.emplace_back();
            break;
        case Piece::Kind::Field: {
            Component& component = components.back();
            if (!component.firstField)
                component.firstField = piece.field;
            const std::string shown = values.Shown(piece.field, piece.width);
            component.text += shown;
            component.fieldShown = component.fieldShown || !shown.empty();
            break;
        }
        case Piece::Kind::OptionalStart: {
            std::size_t end = i + 1;
            bool keep = true;
            bool sameFolder = true; // a dropped part still names the folder it stands in
            for (; pieces_[end].kind != Piece::Kind::OptionalEnd; ++end) {
                sameFolder = sameFolder && pieces_[end].kind != Piece::Kind::Separator;
                if (pieces_[end].kind != Piece::Kind::Field)
                    continue;
                if (sameFolder && !components.back().firstField)
                    components.back().firstField = pieces_[end].field;
                keep = keep && !values.Text(pieces_[end].field).empty();
            }
            if (!keep)
                i = end;
            break;
        }
        case Piece::Kind::OptionalEnd:
            break;
        }
    }

    std::string path;
    for (std::size_t i = 0; i + 1 < components.size(); ++i) {
        path += SafeFileName(components[i].Name(), "");
        path += '\\';
    }
    // Never a hidden file named by its extension alone.
    return path + SafeFileName(components.back().Name(), extension);
}
