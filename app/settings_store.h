#pragma once

#include <atomic>
#include <string>

// The two general options and AppDir, kept under HKEY_CURRENT_USER\Software\Quillmere.
class TSettingsStore {
public:
    static constexpr const char* Key = "Software\\Quillmere";

    std::string AppDir; // the folder of the layout file and the error log
    bool PlayOnDoubleClick = false;
    // Read by the copy worker before each file while the options window may change it.
    std::atomic<bool> OverwriteExisting{false};

    void SetPlayOnDoubleClick(bool value) { PlayOnDoubleClick = value; }
    void SetOverwriteExisting(bool value) { OverwriteExisting = value; }

    // Each logs its own failure ("ReadRegistry:", "WriteRegistry:") and keeps what it reached.
    // Reading starts from the defaults (no double-click play, overwrite, no AppDir), so a
    // registry that cannot be used leaves them.
    void ReadRegistry();
    void WriteRegistry() const;
};
