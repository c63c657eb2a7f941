#pragma once

namespace cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1; // the database could not be opened or read
inline constexpr int kExitUsage = 2;   // wrong arguments, or no iPod database in the folder

} // namespace cli
