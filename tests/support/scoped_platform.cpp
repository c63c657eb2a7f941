#include "tests/support/scoped_platform.h"

#include "platform/drives.h"
#include "platform/registry.h"

#include <memory>

namespace testsupport {

ScopedPlatform::ScopedPlatform() {
    platform::DriveTableConfig config;
    config.rootFolder = root_.Str();
    config.mountsFile = (root_.Path() / "no-mounts").string();
    config.labelsFolder = (root_.Path() / "no-labels").string();
    platform::SetDrives(std::make_unique<platform::DriveTable>(config));
    platform::SetCurrentUser(std::make_unique<platform::Registry>(HiveFile()));
    previousWorkingFolder_ = std::filesystem::current_path();
    std::filesystem::current_path(root_.Path());
}

ScopedPlatform::~ScopedPlatform() {
    std::error_code ignored;
    std::filesystem::current_path(previousWorkingFolder_, ignored);
    platform::SetCurrentUser(nullptr);
    platform::SetDrives(nullptr);
}

std::string ScopedPlatform::HiveFile() const { return (root_.Path() / "user.reg").string(); }

std::string ScopedPlatform::HostPathOf(const std::string& windowsPath) const {
    return platform::Drives().ToHostPath(windowsPath).value_or("");
}

} // namespace testsupport
