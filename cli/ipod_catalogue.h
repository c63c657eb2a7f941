#pragma once

#include "app/database/iPodcomponent.h"

#include <optional>
#include <ostream>
#include <string>

namespace cli {

// How a command builds the catalogue of an iPod folder.
enum class CatalogueSource {
    Database,  // iPod_Control/iTunes/iTunesCDB or iTunesDB
    SongFiles, // --scan: the song files under iPod_Control/Music
};

// The catalogue of the iPod in `folder` (an existing folder), attached as a drive. nullopt when
// there is none to read, with a line on `err` that starts with `prefix` ("quillmere-cli: ") and
// the exit status in `status`: kExitUsage when the folder holds no database (or, for the song
// files, no iPod_Control/Music folder), kExitFailure when the database cannot be read.
std::optional<TiPod> LoadCatalogue(const std::string& folder, CatalogueSource source,
                                   const std::string& prefix, std::ostream& err, int& status);

} // namespace cli
