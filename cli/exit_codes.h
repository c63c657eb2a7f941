#pragma once

namespace cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1; // the database could not be opened or read
inline constexpr int kExitUsage = 2;   // wrong arguments, or no iPod database in the folder
// Ended by a signal: this plus its number, as a shell reports it (130 after Ctrl+C).
inline constexpr int kExitSignalBase = 128;

} // namespace cli
