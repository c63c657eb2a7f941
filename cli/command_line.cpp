#include "cli/command_line.h"

#include "cli/copy_command.h"
#include "cli/exit_codes.h"
#include "cli/ipods_command.h"
#include "cli/list_command.h"
#include "cli/playlists_command.h"
#include "cli/version.h"

namespace cli {

std::string UsageText() {
    // Laid out as help2man reads it: the manual page is made from this text.
    return "Usage: quillmere-cli list FOLDER [--scan] [--all-fields]\n"
           "  or:  quillmere-cli copy FOLDER DEST [OPTION]...\n"
           "  or:  quillmere-cli playlists FOLDER\n"
           "  or:  quillmere-cli ipods\n"
           "  or:  quillmere-cli --help | --version\n"
           "Lists or copies the songs of the iPod in FOLDER: its mount point, or a copy of one\n"
           "holding iPod_Control/iTunes/iTunesDB or iTunesCDB.\n"
           "\n"
           "  list FOLDER       Print the songs as tab-separated lines: a header line, then\n"
           "                    one line per song. Within a field, backslash, tab, line feed\n"
           "                    and carriage return are written as \\\\, \\t, \\n, \\r.\n"
           "  copy FOLDER DEST  Copy songs into the folder DEST, named after their titles or\n"
           "                    sorted into folders by --name, and print each song's title\n"
           "                    and where it went, or why it was not copied. On a terminal, a\n"
           "                    line on standard error shows how far the copy has come;\n"
           "                    Ctrl+C stops it cleanly. See quillmere-cli copy --help.\n"
           "  playlists FOLDER  Print the iPod's playlists, one tab-separated line each: the\n"
           "                    name and the number of its songs.\n"
           "  ipods             List every drive Quillmere sees, in letter order, as\n"
           "                    tab-separated lines: the drive, its label, its folder, and the\n"
           "                    number of songs its iPod database states, or why it has none.\n"
           "                    Exit status 0 when a drive holds an iPod, 2 when none does.\n"
           "\n"
           "Option of list and copy:\n"
           "  --scan            take the songs from the song files under iPod_Control/Music\n"
           "                    and the tags they hold, not from the database, for an iPod\n"
           "                    whose database is lost or damaged\n"
           "\n"
           "Option of list:\n"
           "  --all-fields      after the song's columns, print its album artist, track\n"
           "                    number and count, disc number and count, year, compilation\n"
           "                    (1 or 0) and length in milliseconds\n"
           "\n"
           "Options of copy:\n"
           "  --all             every song\n"
           "  --title TEXT      the songs with that title (letter case ignored)\n"
           "  --search TEXT     the songs the search field would show for TEXT\n"
           "  --playlist NAME   the songs of that playlist (letter case ignored)\n"
           "  --name TEMPLATE   place each song at DEST/TEMPLATE plus its extension; see\n"
           "                    quillmere-cli copy --help for the fields\n"
           "  --playlists       also write each playlist with a copied song into DEST as\n"
           "                    NAME.m3u8, naming the files copied\n"
           "  --overwrite       replace existing files (default: as the saved option says)\n"
           "  --no-overwrite    keep existing files; the copies get numbered names\n"
           "  -q, --quiet       show no progress line\n"
           "\n"
           "Other options:\n"
           "  --help            print this help\n"
           "  --version         print the version\n"
           "\n"
           "Exit status: 0 on success, 1 when the database cannot be opened or read or a song\n"
           "was not copied or a playlist not written, 2 for wrong arguments or when FOLDER\n"
           "holds no iPod database, 130 when a copy was interrupted by Ctrl+C.\n";
}

int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out,
                   std::ostream& err) {
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
        out << UsageText();
        return kExitSuccess;
    }
    if (arguments.size() == 1 && arguments[0] == "--version") {
        out << VersionText();
        return kExitSuccess;
    }
    if (!arguments.empty() && arguments[0] == "list") {
        std::vector<std::string> folders;
        CatalogueSource source = CatalogueSource::Database;
        ListColumns columns = ListColumns::Song;
        for (std::size_t i = 1; i < arguments.size(); ++i) {
            if (arguments[i] == "--scan") {
                source = CatalogueSource::SongFiles;
            } else if (arguments[i] == "--all-fields") {
                columns = ListColumns::AllFields;
            } else {
                folders.push_back(arguments[i]);
            }
        }
        if (folders.size() != 1) {
            err << "quillmere-cli: list takes exactly one FOLDER\n" << UsageText();
            return kExitUsage;
        }
        return RunList(folders[0], source, columns, out, err);
    }
    if (!arguments.empty() && arguments[0] == "playlists") {
        if (arguments.size() != 2) {
            err << "quillmere-cli: playlists takes exactly one FOLDER\n" << UsageText();
            return kExitUsage;
        }
        return RunPlaylists(arguments[1], out, err);
    }
    if (!arguments.empty() && arguments[0] == "ipods") {
        if (arguments.size() != 1) {
            err << "quillmere-cli: ipods takes no arguments\n" << UsageText();
            return kExitUsage;
        }
        return RunIpods(out, err);
    }
    if (!arguments.empty() && arguments[0] == "copy")
        return RunCopyCommand({arguments.begin() + 1, arguments.end()}, out, err);
    if (arguments.empty()) {
        err << "quillmere-cli: no command given\n";
    } else {
        err << "quillmere-cli: unknown command \"" << arguments[0] << "\"\n";
    }
    err << UsageText();
    return kExitUsage;
}

} // namespace cli
