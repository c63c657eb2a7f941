#pragma once

#include <string>

namespace platform {

// Where the layer keeps user.reg and the drive-map file: $QUILLMERE_HOME when set, else
// $XDG_DATA_HOME/quillmere, else ~/.local/share/quillmere. Created on first use.
std::string DataFolder();

} // namespace platform
