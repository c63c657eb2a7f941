#pragma once

#include "tests/support/temp_folder.h"

#include <string>

namespace testsupport {

// A drive table whose c: is a temporary folder and a registry hive inside it, installed for the
// life of the object. The working folder moves into it too, so that c: is the current drive and
// root-folder files ("\app.cnt") never reach the real root.
class ScopedPlatform {
public:
    ScopedPlatform();
    ~ScopedPlatform();
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;

    TempFolder& Root() { return root_; }
    const TempFolder& Root() const { return root_; }
    std::string HiveFile() const;
    // The host path of a Windows path on c:.
    std::string HostPathOf(const std::string& windowsPath) const;

private:
    TempFolder root_;
    std::filesystem::path previousWorkingFolder_;
};

} // namespace testsupport
