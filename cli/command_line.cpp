#include "cli/command_line.h"

#include "cli/exit_codes.h"
#include "cli/list_command.h"

namespace cli {

std::string UsageText() {
    return "Usage: quillmere-cli list FOLDER\n"
           "       quillmere-cli --help\n"
           "\n"
           "  list FOLDER  Print the songs of the iPod in FOLDER (its mount point or a copy of\n"
           "               one, holding iPod_Control/iTunes/iTunesDB) as tab-separated lines:\n"
           "               a header line, then one line per song. Within a field, backslash,\n"
           "               tab, line feed and carriage return are written as \\\\, \\t, \\n, \\r.\n"
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
        if (arguments.size() != 2) {
            err << "quillmere-cli: list takes exactly one FOLDER\n" << UsageText();
            return kExitUsage;
        }
        return RunList(arguments[1], out, err);
    }
    if (arguments.empty()) {
        err << "quillmere-cli: no command given\n";
    } else {
        err << "quillmere-cli: unknown command \"" << arguments[0] << "\"\n";
    }
    err << UsageText();
    return kExitUsage;
}

} // namespace cli
