#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace cli {

// Runs quillmere-cli with its arguments (without the program name); returns the exit status.
int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

std::string UsageText();

} // namespace cli
