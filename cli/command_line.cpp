#include "cli/command_line.h"

#include "cli/copy_command.h"
#include "cli/exit_codes.h"
#include "cli/list_command.h"
#include "cli/version.h"

namespace cli {

std::string UsageText() {
    return "Usage: quillmere-cli list FOLDER\n"
           "       quillmere-cli copy FOLDER DEST [--all] [--title TEXT]... [--search TEXT]\n"
           "                          [--overwrite | --no-overwrite] [--quiet]\n"
           "       quillmere-cli --help | --version\n"
           "\n"
           "  list FOLDER  Print the songs of the iPod in FOLDER (its mount point or a copy of\n"
           "               one, holding iPod_Control/iTunes/iTunesDB) as tab-separated lines:\n"
           "               a header line, then one line per song. Within a field, backslash,\n"
           "               tab, line feed and carriage return are written as \\\\, \\t, \\n, \\r.\n"
           "\n"
           "  copy FOLDER DEST  Copy songs of the iPod in FOLDER into the folder DEST, named\n"
           "               after their titles: --all takes every song, --title the songs with\n"
           "               that title (letter case ignored), --search the songs the search\n"
           "               field would show. Existing files are replaced or get numbered names\n"
           "               as the saved option says, unless --overwrite or --no-overwrite.\n"
           "               Prints each song's title and where it went, or why it was not\n"
           "               copied; exit status 1 when any song was not copied. On a\n"
           "               terminal, a line on standard error shows how far the copy has\n"
           "               come (--quiet hides it). See quillmere-cli copy --help.\n"
           "\n"
           "  --help       Print this help.\n"
           "  --version    Print the version.\n"
           "\n"
           "Exit status: 0 on success, 1 when the database cannot be opened or read,\n"
           "2 for wrong arguments or when FOLDER holds no iPod database, 130 when a copy\n"
           "was interrupted by Ctrl+C.\n";
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
        if (arguments.size() != 2) {
            err << "quillmere-cli: list takes exactly one FOLDER\n" << UsageText();
            return kExitUsage;
        }
        return RunList(arguments[1], out, err);
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
