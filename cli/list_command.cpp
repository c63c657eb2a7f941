#include "cli/list_command.h"

#include "cli/exit_codes.h"
#include "platform/text.h"

#include <filesystem>
#include <optional>
#include <system_error>

namespace cli {
namespace {

void AppendField(std::string& line, std::u16string_view wide) {
    line += EscapeField(platform::text::WideToAnsi(wide));
    line += '\t';
}

} // namespace

std::string EscapeField(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '\\':
            escaped += "\\\\";
            break;
        case '\t':
            escaped += "\\t";
            break;
        case '\n':
            escaped += "\\n";
            break;
        case '\r':
            escaped += "\\r";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string ListHeaderLine() {
    return "Title\tFile Size\tAlbum\tArtist\tGenre\tFiletype\tComment\tEQSetting\tComposer\t"
           "Grouping\tTrackId\tLocation";
}

std::string ListLine(const TSong& song) {
    std::string line;
    for (const std::u16string* field :
         {&song.Title, &song.SizeText, &song.Album, &song.Artist, &song.Genre, &song.FileType,
          &song.Comment, &song.EQSetting, &song.Composer, &song.Grouping}) {
        AppendField(line, *field);
    }
    line += std::to_string(song.TrackId);
    line += '\t';
    line += EscapeField(platform::text::WideToAnsi(song.Location));
    return line;
}

int RunList(const std::string& folder, CatalogueSource source, std::ostream& out,
            std::ostream& err) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        err << "quillmere-cli: " << folder << " is not a folder\n";
        return kExitUsage;
    }
    int status = kExitSuccess;
    const std::optional<TiPod> pod = LoadCatalogue(folder, source, "quillmere-cli: ", err, status);
    if (!pod) {
        return status;
    }
    out << ListHeaderLine() << '\n';
    for (const TSong& song : pod->Songs) {
        out << ListLine(song) << '\n';
    }
    out.flush();
    return out ? kExitSuccess : kExitFailure;
}

} // namespace cli
