#include "cli/version.h"

#include "cli_version_build.h"

namespace cli {

std::string VersionText() {
    return "quillmere-cli (Quillmere) " QUILLMERE_VERSION "\n";
}

} // namespace cli
