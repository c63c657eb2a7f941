#pragma once

#include <cstddef>
#include <string>
#include <vector>

class TiPod;
struct TSong;

using TStringList = std::vector<std::string>;

// What became of one entry of a copy job.
enum class CopyOutcome {
    NotReached,    // the job stopped or was abandoned before this entry
    Copied,        // complete, at the entry's CopyTargets path
    MissingSource, // no file at the source path; skipped
    Failed,        // this entry's error (the reason says which)
};

struct CopyResult {
    CopyOutcome Outcome = CopyOutcome::NotReached;
    std::string Reason; // empty for Copied
};

// Appends one entry for `song` to the three parallel lists: its file on the iPod, its planned
// destination in `destinationFolder`, and its title as shown.
void AppendCopyEntry(const TiPod& pod, const TSong& song, const std::string& destinationFolder,
                     TStringList& sources, TStringList& targets, TStringList& names);

// A copy job's parallel lists with a result per entry, for callers that own no lists of their
// own (the headless copy).
struct CopyJob {
    TStringList Sources;
    TStringList Targets;
    TStringList Names;
    std::vector<CopyResult> Results;

    void Add(const TiPod& pod, const TSong& song, const std::string& destinationFolder);
    std::size_t Count() const { return Names.size(); }
};
