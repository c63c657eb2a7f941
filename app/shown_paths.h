#pragma once

#include <cstddef>
#include <string>

// Paths as a person on this system reads them. Inside, the program names files by drive
// letter (e:\Music\Intro.mp3); where it shows them, it names the host file instead
// (/media/ana/IPOD/Music/Intro.mp3), the way every other program here does.

// The host path of `windowsPath`; for a path on no drive, the path itself with each run of
// backslashes shown as one.
std::string ShownPath(const std::string& windowsPath);

// Where the Windows path that `text` ends in begins (a drive letter, ":\" and the rest of the
// text, at the start or after a blank); npos when it ends in none.
std::size_t EndingPathStart(const std::string& text);

// `text` with the Windows path it ends in shown as a host path. The file layer's and the copy
// worker's messages name the file they concern last ("Cannot create file e:\Music\Intro.mp3");
// a text without such a path is returned as it is.
std::string WithShownPath(const std::string& text);
