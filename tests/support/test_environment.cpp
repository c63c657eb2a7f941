#include "tests/support/test_environment.h"

#include "platform/text.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace testsupport {

void PrepareTestEnvironment() {
    static std::filesystem::path home;
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quillmere-home-XXXXXX").string();
    if (char* made = mkdtemp(pattern.data()))
        home = made;
    setenv("QUILLMERE_HOME", home.c_str(), 1);
    platform::text::SetUserLocale("en_US");
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(home, ignored);
    });
}

} // namespace testsupport
