#pragma once

#include "app/database/song.h"
#include "app/database/track_facts.h"

#include <optional>
#include <string>
#include <vector>

// One song file: its song record and the track facts its tags and its audio give.
struct ScannedSong {
    TSong Song;
    TrackFacts Facts;
};

// The songs of an iPod read from its song files rather than its database, for an iPod whose
// database is lost or corrupt: every audio file in the folders of iPod_Control\Music (F00 to
// F49, and any others), by folder and then by file name. Each song takes the tags its file holds
// (a file without a title is named after the file), its file type from its content, its
// location in the iPod's colon form and its size text; its track id is 0. Its facts come from
// the tags (track and disc numbers and counts, year, album artist, compilation) and the audio
// (length). Files that are not audio are passed over; an audio file whose tags cannot be read is
// still listed, named after itself.
std::vector<ScannedSong> ScanSongFiles(const std::string& driveRoot);

// One file, as ScanSongFiles takes it, with every field but Location and SizeText; nullopt when
// it is not audio (or cannot be opened).
std::optional<ScannedSong> ReadSongFile(const std::string& hostPath);
