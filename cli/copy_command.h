#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace cli {

// `copy FOLDER DEST [--all] [--title TEXT]... [--search TEXT]... [--overwrite | --no-overwrite]`
// with the words after "copy": copies the chosen songs of the iPod in FOLDER into the host
// folder DEST, named as the program names them, and prints one line per song:
// title TAB the host path written, or title TAB why it was not copied.
int RunCopyCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// The same on standard output and standard error.
int RunCopyCommand(const std::vector<std::string>& args);

std::string CopyUsageText();

} // namespace cli
