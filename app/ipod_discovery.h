#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The rules by which drives are searched for iPods, shared by the main window's selector and
// `quillmere-cli ipods`.

// The letters searched, of the drives in `logicalDrives` (bit 0 = a:): c to z in alphabetical
// order; a and b are never searched.
std::vector<char> SearchedDriveLetters(std::uint32_t logicalDrives);
// "e:" for 'e'.
std::string DriveRootOf(char letter);
// Whether the drive carries the folder \iPod_Control\iTunes\, which marks an iPod.
bool HasiPodFolder(const std::string& driveRoot);
// The drive's volume label as the selector shows it: in lowercase for a lowercase letter, in
// uppercase otherwise; empty for a drive without one. Raises what the drive table raises.
std::string SelectorLabel(char letter);
