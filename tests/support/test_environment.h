#pragma once

namespace testsupport {

// Points QUILLMERE_HOME at a fresh temporary folder (so no test touches a user's data folder)
// and fixes the user locale to English (United States).
void PrepareTestEnvironment();

} // namespace testsupport
