#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Pieces of a Windows path ("\" and ":" both separate) and the names a copy job gives its files.

std::string FolderPart(std::string_view path);    // up to and including the last separator
std::string FileNamePart(std::string_view path);  // after the last separator
std::string ExtensionPart(std::string_view path); // from the file name's last "."; may be empty
std::string BasePart(std::string_view path);      // the file name less its extension

// The folder of the path confirmed in the destination dialog, less its final "\" unless that
// follows ":" or "\" (a drive root stays E:\).
std::string DestinationFolder(std::string_view confirmedPath);

// The longest file name a destination may have, in bytes of UTF-8.
constexpr std::size_t MaxFileNameBytes = 255;

// `title` + `extension` made into a name that Windows and FAT can hold and that stays inside
// its folder: forbidden characters and trailing dots or spaces become "_", a device name (CON,
// NUL.mp3, com1.live.mp3) gets a "_" after it, and an overlong name is cut (on a character
// boundary) while keeping the extension.
std::string SafeFileName(std::string_view title, std::string_view extension);

// destination folder + "\" + the safe title + the extension of the song's location
// (":iPod_Control:Music:F00:ABCD.mp3").
std::string PlannedDestination(std::string_view destinationFolder, std::string_view title,
                               std::string_view location);

// folder part + base + "(n)" + extension, the base shortened (on a character boundary) where
// the name would pass the length limit.
std::string NumberedVariant(std::string_view path, std::uint64_t n);

// Where the worker writes a file before renaming it to `destination`: a hidden name in the
// same folder, ending in a suffix that no safe file name ends with.
constexpr std::string_view TemporarySuffix = ".quillmere-part";
std::string TemporaryPathFor(std::string_view destination);
