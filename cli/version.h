#pragma once

#include <string>

namespace cli {

// The answer to `quillmere-cli --version`: "quillmere-cli (Quillmere) 1.0.0", the version being
// the project's own, as it was configured.
std::string VersionText();

} // namespace cli
