#include "cli/copy_progress.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace cli {

CopyProgress::CopyProgress(std::ostream& terminal, std::vector<std::uint64_t> sizes,
                           std::function<std::size_t()> columns, Clock::time_point start)
    : terminal_(terminal), sizes_(std::move(sizes)), columns_(std::move(columns)),
      start_(start) {
    total_ = std::accumulate(sizes_.begin(), sizes_.end(), std::uint64_t{0});
}

void CopyProgress::FileStarted(std::size_t index, std::string title, Clock::time_point now) {
    index = std::min(index, sizes_.size());
    for (; current_ < index; ++current_)
        before_ += sizes_[current_];
    currentBytes_ = 0;
    title_ = std::move(title);
    Draw(now);
}

void CopyProgress::BlockCopied(std::size_t blockBytes, Clock::time_point now) {
    if (current_ < sizes_.size())
        currentBytes_ = std::min(currentBytes_ + blockBytes, sizes_[current_]);
    Draw(now);
}

void CopyProgress::Clear() {
    if (!shown_)
        return;
    terminal_ << "\r\x1b[K" << std::flush;
    shown_ = false;
}

CopyFigures CopyProgress::Figures(Clock::time_point now) const {
    CopyFigures figures;
    figures.songsDone = current_;
    figures.songsTotal = sizes_.size();
    figures.bytesDone = std::min(before_ + currentBytes_, total_);
    figures.bytesTotal = total_;
    figures.seconds = std::chrono::duration<double>(now - start_).count();
    figures.song = title_;
    return figures;
}

void CopyProgress::Draw(Clock::time_point now) {
    if (shown_ && now - drawnAt_ < RedrawInterval)
        return;
    // The last column stays free: some terminals move to the next row once it is written.
    const std::size_t columns = std::max<std::size_t>(columns_(), 2) - 1;
    terminal_ << "\r\x1b[K" << ProgressLine(Figures(now), columns) << std::flush;
    shown_ = true;
    drawnAt_ = now;
}

} // namespace cli
