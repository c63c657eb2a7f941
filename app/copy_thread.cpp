#include "app/copy_thread.h"

#include "app/copy_messages.h"
#include "app/error_log.h"
#include "app/output_naming.h"
#include "platform/drives.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/text.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace {

// Unwinds the body when Abandon() ends the job.
struct AbandonedJob {};

// A write stored fewer bytes than it was given: that file fails, the job goes on (a file too
// large for the destination's file system should not keep the smaller ones from being copied).
struct ShortWrite {
    std::string reason;
};

// A file being written under a temporary name; removed unless it was moved into place.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
    ~TemporaryFile() {
        if (kept_)
            return;
        try {
            platform::files::DeleteFile(path_);
        } catch (...) {
            // A leftover hidden file is all that remains; nothing to report it to.
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& Path() const { return path_; }
    void Keep() { kept_ = true; }

private:
    std::string path_;
    bool kept_ = false;
};

// The folders made for one file; removed again, innermost first, unless its copy completed.
class MadeFolders {
public:
    explicit MadeFolders(std::vector<std::string> folders) : folders_(std::move(folders)) {}
    ~MadeFolders() {
        for (auto folder = folders_.rbegin(); folder != folders_.rend(); ++folder) {
            try {
                platform::files::RemoveEmptyFolder(*folder);
            } catch (...) {
                // An empty folder is all that remains.
            }
        }
    }
    MadeFolders(const MadeFolders&) = delete;
    MadeFolders& operator=(const MadeFolders&) = delete;

    void Keep() { folders_.clear(); }

private:
    std::vector<std::string> folders_;
};

const char* const kNotReachedReason = "Not copied: the job stopped at an earlier file";

} // namespace

TCopyThread::TCopyThread(platform::MessageSender& mainWindow,
                         const std::atomic<bool>& overwriteExisting,
                         std::function<void(const std::string&)> showStatus)
    : mainWindow_(mainWindow), overwriteExisting_(overwriteExisting),
      showStatus_(std::move(showStatus)) {}

std::optional<std::string> TCopyThread::CreateNewOutputPathName(const std::string& path) {
    try {
        for (std::uint64_t n = 1;; ++n) {
            std::string candidate = NumberedVariant(path, n);
            if (!platform::files::FileExists(candidate))
                return candidate;
        }
    } catch (const std::exception& error) {
        TLogClass::WriteErrorLog(std::string("CreateNewOutputPathName:") + error.what());
    }
    return std::nullopt;
}

TCopyThread::~TCopyThread() {
    Abandon();
    WaitFor();
}

void TCopyThread::Execute() {
    const std::size_t count = CopySources ? CopySources->size() : 0;
    std::size_t index = count; // the entry in progress; `count` outside the entries
    try {
        if (CopyResults)
            CopyResults->assign(count, CopyResult{});
        if (!CopySources || !CopyTargets || !CopyNames)
            throw std::logic_error("TCopyThread: the job's lists were not set before Resume");
        if (CopyTargets->size() != count || CopyNames->size() != count)
            throw std::logic_error("TCopyThread: the job's three lists differ in length");
        if (Abandoned())
            return;
        total_ = TotalOfExistingSources();
        buffer_.resize(ChunkBytes);
        for (index = 0; index < count; ++index)
            CopyEntry(index);
        index = count;
        PassGate(); // a job paused after its last block ends when it is continued
        Send(WM_COPYDONE, 1, 1);
        return;
    } catch (const AbandonedJob&) {
        return;
    } catch (const std::exception& error) {
        stopReason_ = error.what();
    } catch (...) {
        stopReason_ = "Unknown error";
    }

    TLogClass::WriteErrorLog("Execute:" + stopReason_);
    if (index < count)
        SetResult(index, CopyOutcome::Failed, stopReason_);
    for (std::size_t later = index + 1; later < count; ++later)
        SetResult(later, CopyOutcome::NotReached, kNotReachedReason);
    try {
        Send(WM_COPYSTOPPED, index, 0);
    } catch (...) {
        // Abandoned meanwhile, or the main window is gone: nobody is left to tell.
    }
}

std::int64_t TCopyThread::TotalOfExistingSources() const {
    std::int64_t total = 0;
    for (const std::string& source : *CopySources) {
        auto entry = platform::Drives().Resolve(source);
        if (entry && entry->exists && !entry->folder)
            total += static_cast<std::int64_t>(entry->size);
    }
    return total;
}

void TCopyThread::CopyEntry(std::size_t index) {
    const std::string& source = (*CopySources)[index];
    if (!platform::files::FileExists(source)) {
        SetResult(index, CopyOutcome::MissingSource, "Source file not found: " + source);
        return;
    }
    PassGate(); // a paused job does not announce its next file
    ShowStatus("Copying " + (*CopyNames)[index] + "...");

    std::optional<platform::files::InputFile> input;
    input.emplace(source);
    const std::string& planned = (*CopyTargets)[index];
    std::optional<std::string> destination = ChooseDestination(planned);
    if (!destination) {
        SetResult(index, CopyOutcome::Failed, "No free numbered name for " + planned);
        return;
    }
    MadeFolders folders(MakeFolders
                            ? platform::files::CreateFolders(DestinationFolder(*destination))
                            : std::vector<std::string>());
    try {
        CopyBlocks(input, *destination);
    } catch (const ShortWrite& failure) {
        SetResult(index, CopyOutcome::Failed, failure.reason);
        return;
    }
    folders.Keep();

    written_.insert(WrittenKey(*destination));
    (*CopyTargets)[index] = std::move(*destination);
    SetResult(index, CopyOutcome::Copied, {});
}

std::optional<std::string> TCopyThread::ChooseDestination(const std::string& planned) const {
    const bool overwrite = overwriteExisting_.load();
    if (!platform::files::FileExists(planned))
        return planned;
    // A file this job wrote is never replaced by a later one of the same job.
    if (overwrite && !written_.contains(WrittenKey(planned)))
        return planned;
    return CreateNewOutputPathName(planned);
}

void TCopyThread::CopyBlocks(std::optional<platform::files::InputFile>& input,
                             const std::string& destination) {
    const std::uint64_t sourceSize = input->Size();
    TemporaryFile temporary(TemporaryPathFor(destination));
    {
        std::optional<platform::files::OutputFile> output;
        try {
            output.emplace(temporary.Path());
        } catch (const platform::OsError&) {
            // The user knows the file by its own name, not by the temporary one.
            throw platform::OsError(platform::FormatMessage("Cannot create file %s", destination));
        }
        // Bytes go to the temporary file a chunk at a time, ahead of their blocks' progress
        // messages; nobody sees that file before it is complete. Blocks are counted over the
        // whole file, so however the chunks fall, a file of n bytes is ceil(n / 2048) blocks
        // and one message more for the final empty read.
        std::uint64_t copied = 0;   // bytes in the temporary file
        std::uint64_t reported = 0; // of those, the bytes already reported as blocks
        bool atEnd = false;
        for (;;) {
            PassGate();
            if (!atEnd && copied - reported < BlockBytes) {
                const auto chunk = output->CopyFrom(*input, ChunkBytes, buffer_.data());
                if (chunk.stored < chunk.read)
                    throw ShortWrite{"Only " + std::to_string(copied + chunk.stored) + " of " +
                                     std::to_string(sourceSize) + " bytes could be written to " +
                                     destination};
                copied += chunk.read;
                atEnd = chunk.read == 0;
                continue;
            }
            const std::uint64_t block = std::min<std::uint64_t>(BlockBytes, copied - reported);
            reported += block;
            Send(WM_COPYPROGRESS, BlockBytes, static_cast<platform::LPARAM>(total_));
            if (block == 0)
                break;
        }
        input.reset();
        output->Close();
    }
    if (!platform::files::RenameFile(temporary.Path(), destination))
        throw platform::OsError(platform::FormatMessage("Cannot create file %s", destination));
    temporary.Keep();
}

void TCopyThread::PassGate() {
    CheckHold();
    if (Abandoned())
        throw AbandonedJob{};
}

void TCopyThread::Send(unsigned message, platform::WPARAM wParam, platform::LPARAM lParam) {
    if (Abandoned())
        throw AbandonedJob{};
    mainWindow_.SendMessage(message, wParam, lParam);
}

void TCopyThread::ShowStatus(const std::string& text) {
    if (Abandoned())
        throw AbandonedJob{};
    if (showStatus_)
        mainWindow_.RunOnTargetThread([&] { showStatus_(text); });
}

void TCopyThread::SetResult(std::size_t index, CopyOutcome outcome, std::string reason) {
    if (CopyResults && index < CopyResults->size())
        (*CopyResults)[index] = CopyResult{outcome, std::move(reason)};
}

std::string TCopyThread::WrittenKey(const std::string& path) {
    return platform::text::FoldCase(platform::Drives().ToHostPath(path).value_or(path));
}
