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

std::string ListHeaderLine(ListColumns columns) {
    std::string line = "Title\tFile Size\tAlbum\tArtist\tGenre\tFiletype\tComment\tEQSetting\t"
                       "Composer\tGrouping\tTrackId\tLocation";
    if (columns == ListColumns::AllFields) {
        line += "\tAlbum Artist\tTrack\tTrack Count\tDisc\tDisc Count\tYear\tCompilation\t"
                "Length (ms)";
    }
    return line;
}

std::string ListLine(const TSong& song, const TrackFacts& facts, ListColumns columns) {
    std::string line;
    for (const std::u16string* field :
         {&song.Title, &song.SizeText, &song.Album, &song.Artist, &song.Genre, &song.FileType,
          &song.Comment, &song.EQSetting, &song.Composer, &song.Grouping}) {
        AppendField(line, *field);
    }
    line += std::to_string(song.TrackId);
    line += '\t';
    line += EscapeField(platform::text::WideToAnsi(song.Location));
    if (columns == ListColumns::AllFields) {
        line += '\t';
        AppendField(line, facts.AlbumArtist);
        for (const std::int32_t number :
             {facts.TrackNumber, facts.TrackCount, facts.DiscNumber, facts.DiscCount, facts.Year}) {
            line += std::to_string(number);
            line += '\t';
        }
        line += facts.Compilation ? "1\t" : "0\t";
        line += std::to_string(facts.LengthMs);
    }
    return line;
}

int RunList(const std::string& folder, CatalogueSource source, ListColumns columns,
            std::ostream& out, std::ostream& err) {
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
    out << ListHeaderLine(columns) << '\n';
    for (std::size_t i = 0; i < pod->Songs.size(); ++i) {
        out << ListLine(pod->Songs[i], pod->FactsAt(i), columns) << '\n';
    }
    out.flush();
    return out ? kExitSuccess : kExitFailure;
}

} // namespace cli
