#pragma once

#include <atomic>
#include <string>

// The general options and AppDir, kept under HKEY_CURRENT_USER\Software\Quillmere.
class TSettingsStore {
public:
    static constexpr const char* Key = "Software\\Quillmere";

    std::string AppDir; // the folder of the layout file and the error log
    bool PlayOnDoubleClick = false;
    // Read by the copy worker before each file while the options window may change it.
    std::atomic<bool> OverwriteExisting{false};
    // A copy job puts each song into folders of its album artist and album.
    bool SortIntoFolders = false;

    void SetPlayOnDoubleClick(bool value) { PlayOnDoubleClick = value; }
    void SetOverwriteExisting(bool value) { OverwriteExisting = value; }
    void SetSortIntoFolders(bool value) { SortIntoFolders = value; }

    // Each logs its own failure ("ReadRegistry:", "WriteRegistry:") and keeps what it reached.
    // Reading starts from the defaults (no double-click play, overwrite, no folders, no AppDir),
    // so a registry that cannot be used leaves them.
    void ReadRegistry();
    void WriteRegistry() const;
};
