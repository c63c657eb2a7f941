#pragma once

#include <ctime>
#include <string>

// The error log: app.cnt in AppDir, section "Error Log", one key per entry named after the
// local date and time. Never read back.
class TLogClass {
public:
    // Appends one entry; any failure drops the entry silently. Callable from any thread.
    static void WriteErrorLog(const std::string& message) noexcept;

    // The main window's AppDir, read at every entry; nullptr (before the window exists) or an
    // empty folder puts the log in the root folder of the current drive.
    static void SetAppDirSource(const std::string* appDir);

    // The key of an entry written at `local`: short date, a space, long time; the date alone
    // at midnight.
    static std::string KeyFor(const std::tm& local);
};
