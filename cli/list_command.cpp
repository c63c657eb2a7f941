#include "cli/list_command.h"

#include "app/database/iPodcomponent.h"
#include "cli/exit_codes.h"
#include "cli/ipod_drive.h"
#include "platform/drives.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/text.h"

#include <exception>
#include <filesystem>
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

int RunList(const std::string& folder, std::ostream& out, std::ostream& err) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        err << "quillmere-cli: " << folder << " is not a folder\n";
        return kExitUsage;
    }
    TiPod pod;
    try {
        const IPodDrive drive(folder);
        pod.DriveRoot = drive.DriveRoot();
        const std::string database = pod.DatabasePath();
        if (!platform::files::FileExists(database)) {
            err << "quillmere-cli: no iPod database in " << folder
                << " (looked for iPod_Control/iTunes/iTunesDB)\n";
            return kExitUsage;
        }
        // Opening a pipe or a device for reading could wait for ever.
        const std::optional<std::string> host = platform::Drives().ToHostPath(database);
        if (!host || !std::filesystem::is_regular_file(*host, error)) {
            err << "quillmere-cli: cannot read " << host.value_or(database)
                << ": not a regular file\n";
            return kExitFailure;
        }
        pod.LoadDatabase();
    } catch (const std::exception& failure) {
        err << "quillmere-cli: " << folder << ": " << failure.what() << "\n";
        return kExitFailure;
    }
    out << ListHeaderLine() << '\n';
    for (const TSong& song : pod.Songs) {
        out << ListLine(song) << '\n';
    }
    out.flush();
    return out ? kExitSuccess : kExitFailure;
}

} // namespace cli
