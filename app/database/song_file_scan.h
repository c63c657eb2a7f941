#pragma once

#include "app/database/song.h"

#include <optional>
#include <string>
#include <vector>

// The songs of an iPod read from its song files rather than its database, for an iPod whose
// database is lost or corrupt: every audio file in the folders of iPod_Control\Music (F00 to
// F49, and any others), by folder and then by file name. Each song takes the tags its file holds
// (a file without a title is named after the file), its file type from its content, its
// location in the iPod's colon form and its size text; its track id is 0. Files that are not
// audio are passed over; an audio file whose tags cannot be read is still listed, named after
// itself.
std::vector<TSong> ScanSongFiles(const std::string& driveRoot);

// One file, as ScanSongFiles takes it, with every field but Location and SizeText; nullopt when
// it is not audio (or cannot be opened).
std::optional<TSong> ReadSongFile(const std::string& hostPath);
