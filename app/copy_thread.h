#pragma once

#include "app/copy_job.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/thread.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

// Copies a job's files from the iPod on a thread of its own, reporting each 2048-byte block to
// the main window. Each file is written to a temporary file beside its destination and renamed
// into place only when complete, so a failure or an abandoned job never leaves a partial file
// under a song's name nor harms a file it was to replace.
class TCopyThread : public platform::TThread {
public:
    static constexpr std::size_t BlockBytes = 2048;
    // The file I/O size; progress and pauses still go block by block. Small enough that the
    // main window, awaiting the next block's message, does not give up and sleep meanwhile.
    static constexpr std::size_t ChunkBytes = std::size_t{128} << 10;

    // `showStatus` runs on the main window's thread; `overwriteExisting` is read before each
    // file and must outlive the worker.
    TCopyThread(platform::MessageSender& mainWindow, const std::atomic<bool>& overwriteExisting,
                std::function<void(const std::string&)> showStatus);

    // The caller's lists, set before Resume() and left alone until WM_COPYDONE or
    // WM_COPYSTOPPED. The worker writes into CopyTargets the path each file really went to
    // and, when CopyResults is set, one result per entry.
    TStringList* CopySources = nullptr;
    TStringList* CopyTargets = nullptr;
    TStringList* CopyNames = nullptr;
    std::vector<CopyResult>* CopyResults = nullptr;
    // The destinations lie in folders below the job's folder (a name template's): the missing
    // ones are made for each file, and removed again when its copy fails or is abandoned.
    bool MakeFolders = false;

    // The first numbered variant of `path` at which no file exists; nullopt (logged as
    // "CreateNewOutputPathName:") when the lookup fails.
    static std::optional<std::string> CreateNewOutputPathName(const std::string& path);

    // The job's body uses the lists and this object: it is ended and waited for.
    ~TCopyThread() override;

    // Ends the job at the worker's next step, even while it is held: it removes its temporary
    // file, sends nothing more and returns. Callable from any thread, the worker's own included;
    // call WaitFor() afterwards.
    void Abandon() { Terminate(); }
    bool Abandoned() const { return Terminated(); }

    // The error that ended the job; empty unless WM_COPYSTOPPED was sent.
    const std::string& StopReason() const { return stopReason_; }

protected:
    void Execute() override;

private:
    std::int64_t TotalOfExistingSources() const;
    void CopyEntry(std::size_t index);
    std::optional<std::string> ChooseDestination(const std::string& planned) const;
    void CopyBlocks(std::optional<platform::files::InputFile>& input,
                    const std::string& destination);
    void PassGate();
    void Send(unsigned message, platform::WPARAM wParam, platform::LPARAM lParam);
    void ShowStatus(const std::string& text);
    void SetResult(std::size_t index, CopyOutcome outcome, std::string reason);
    static std::string WrittenKey(const std::string& path);

    platform::MessageSender& mainWindow_;
    const std::atomic<bool>& overwriteExisting_;
    std::function<void(const std::string&)> showStatus_;
    std::string stopReason_;
    std::int64_t total_ = 0;
    std::vector<std::byte> buffer_;
    // Destinations this job has written, folded as a case-insensitive file system compares.
    std::unordered_set<std::string> written_;
};
