#include "cli/ipods_command.h"

#include "app/database/database_file.h"
#include "app/ipod_discovery.h"
#include "cli/exit_codes.h"
#include "cli/list_command.h"
#include "platform/drives.h"
#include "platform/files.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <string>

namespace cli {
namespace {

// What the iPod at `root` holds: the stated number of songs, or why it has none.
std::string DatabaseState(const std::string& root) {
    try {
        const std::optional<DatabaseFile> database = DatabaseFile::Find(root);
        if (!database || platform::files::FindSize(database->Path()).value_or(0) == 0) {
            return "no database";
        }
        const std::optional<std::int32_t> count = database->StatedTrackCount();
        if (!count) {
            return "database unreadable: no track list";
        }
        return std::to_string(std::max(*count, 0));
    } catch (const std::exception& error) {
        return std::string("database unreadable: ") + error.what();
    }
}

} // namespace

int RunIpods(std::ostream& out, std::ostream& err) {
    bool found = false;
    try {
        const platform::DriveTable& drives = platform::Drives();
        for (const char letter : SearchedDriveLetters(drives.LogicalDrives())) {
            const std::string root = DriveRootOf(letter);
            std::string label;
            try {
                label = SelectorLabel(letter);
            } catch (const std::exception&) {
                // Listed without one, as the iPod list shows it.
            }
            const bool ipod = HasiPodFolder(root);
            found = found || ipod;
            out << root << '\t' << EscapeField(label) << '\t'
                << EscapeField(drives.HostFolder(letter).value_or("")) << '\t'
                << EscapeField(ipod ? DatabaseState(root) : "no iPod_Control/iTunes folder")
                << '\n';
        }
    } catch (const std::exception& error) {
        out.flush();
        err << "quillmere-cli ipods: " << error.what() << "\n";
        return kExitFailure;
    }
    out.flush();
    if (!found) {
        err << "quillmere-cli ipods: no iPod found (no drive holds iPod_Control/iTunes)\n";
        return kExitUsage;
    }
    return out ? kExitSuccess : kExitFailure;
}

} // namespace cli
