#include "app/error_log.h"

#include "platform/profile.h"
#include "platform/text.h"

#include <atomic>

namespace {

std::atomic<const std::string*> appDirSource{nullptr};

} // namespace

void TLogClass::SetAppDirSource(const std::string* appDir) { appDirSource = appDir; }

std::string TLogClass::KeyFor(const std::tm& local) {
    std::string key = platform::text::ShortDate(local);
    if (local.tm_hour != 0 || local.tm_min != 0 || local.tm_sec != 0)
        key += " " + platform::text::LongTime(local);
    return key;
}

void TLogClass::WriteErrorLog(const std::string& message) noexcept {
    try {
        const std::string* appDir = appDirSource;
        const std::string file = (appDir ? *appDir : std::string()) + "\\app.cnt";
        std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        platform::profile::WritePrivateProfileString("Error Log", KeyFor(local), message, file);
    } catch (...) {
        // A log entry that cannot be written is lost without notice.
    }
}
