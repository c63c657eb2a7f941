#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

struct CliRun {
    int status = -1; // the exit status; -signal when killed
    std::string out;
    std::string err;
};

// Runs `program` (the built quillmere-cli) with `arguments`, an en_US locale and `home` as its
// data folder (QUILLMERE_HOME), as a user would from a shell; a run that hangs is killed after
// a minute.
CliRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                  const std::filesystem::path& home);

} // namespace testsupport
