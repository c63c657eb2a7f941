#pragma once

#include "cli/progress_line.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace cli {

// Follows a copy job through the worker's steps and keeps its progress line on a terminal,
// rewritten in place at most ten times a second. Bytes are counted from the sources' sizes, so
// the figures are exact however the worker's blocks fall.
class CopyProgress {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration RedrawInterval = std::chrono::milliseconds(100);

    // `sizes`: each entry's source size, 0 for a missing one; `columns`: the terminal's width,
    // asked before each drawing, so that the line follows a resized window.
    CopyProgress(std::ostream& terminal, std::vector<std::uint64_t> sizes,
                 std::function<std::size_t()> columns, Clock::time_point start);

    // Entry `index` is being copied; every entry before it is done with.
    void FileStarted(std::size_t index, std::string title, Clock::time_point now);
    // One more block of the entry being copied.
    void BlockCopied(std::size_t blockBytes, Clock::time_point now);
    // Removes the line, if one is shown, and leaves the cursor at the start of its row.
    void Clear();

    CopyFigures Figures(Clock::time_point now) const;

private:
    void Draw(Clock::time_point now);

    std::ostream& terminal_;
    const std::vector<std::uint64_t> sizes_;
    const std::function<std::size_t()> columns_;
    const Clock::time_point start_;
    std::uint64_t total_ = 0;
    std::size_t current_ = 0;         // the entry being copied
    std::uint64_t before_ = 0;        // bytes of the entries before it
    std::uint64_t currentBytes_ = 0;  // of the entry being copied
    std::string title_;
    bool shown_ = false;
    Clock::time_point drawnAt_{};
};

} // namespace cli
