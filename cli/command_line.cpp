#include "cli/command_line.h"

#include "cli/copy_command.h"
#include "cli/exit_codes.h"
#include "cli/ipods_command.h"
#include "cli/list_command.h"

namespace cli {

std::string UsageText() {
    return "Usage: quillmere-cli list FOLDER [--scan]\n"
           "       quillmere-cli copy FOLDER DEST [--all] [--title TEXT]... [--search TEXT]\n"
           "                          [--overwrite | --no-overwrite] [--scan]\n"
           "       quillmere-cli ipods\n"
           "       quillmere-cli --help\n"
           "\n"
           "  list FOLDER  Print the songs of the iPod in FOLDER (its mount point or a copy of\n"
           "               one, holding iPod_Control/iTunes/iTunesDB or iTunesCDB) as\n"
           "               tab-separated lines: a header line, then one line per song. Within\n"
           "               a field, backslash, tab, line feed and carriage return are written\n"
           "               as \\\\, \\t, \\n, \\r.\n"
           "\n"
           "  copy FOLDER DEST  Copy songs of the iPod in FOLDER into the folder DEST, named\n"
           "               after their titles: --all takes every song, --title the songs with\n"
           "               that title (letter case ignored), --search the songs the search\n"
           "               field would show. Existing files are replaced or get numbered names\n"
           "               as the saved option says, unless --overwrite or --no-overwrite.\n"
           "               Prints each song's title and where it went, or why it was not\n"
           "               copied; exit status 1 when any song was not copied.\n"
           "\n"
           "  --scan       With list or copy: take the songs from the song files under\n"
           "               iPod_Control/Music and the tags they hold, not from the database,\n"
           "               for an iPod whose database is lost or damaged.\n"
           "\n"
           "  ipods        List every drive Quillmere sees, in letter order, as tab-separated\n"
           "               lines: the drive, its label, its folder, and the number of songs\n"
           "               its iPod database states, or why it has none. Exit status 0 when\n"
           "               a drive holds an iPod, 2 when none does.\n"
           "\n"
           "Exit status: 0 on success, 1 when the database cannot be opened or read,\n"
           "2 for wrong arguments or when FOLDER holds no iPod database.\n";
}

int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out,
                   std::ostream& err) {
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
        out << UsageText();
        return kExitSuccess;
    }
    if (!arguments.empty() && arguments[0] == "list") {
        std::vector<std::string> folders;
        CatalogueSource source = CatalogueSource::Database;
        for (std::size_t i = 1; i < arguments.size(); ++i) {
            if (arguments[i] == "--scan") {
                source = CatalogueSource::SongFiles;
            } else {
                folders.push_back(arguments[i]);
            }
        }
        if (folders.size() != 1) {
            err << "quillmere-cli: list takes exactly one FOLDER\n" << UsageText();
            return kExitUsage;
        }
        return RunList(folders[0], source, out, err);
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
