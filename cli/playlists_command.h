#pragma once

#include <ostream>
#include <string>

namespace cli {

// `playlists FOLDER`: one line per playlist of the iPod's database, in its order, tab-separated:
// the name and the number of its songs.
int RunPlaylists(const std::string& folder, std::ostream& out, std::ostream& err);

} // namespace cli
