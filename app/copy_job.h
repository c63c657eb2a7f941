#pragma once

#include "app/name_template.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class TiPod;
struct TSong;
struct TrackFacts;

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

// Where a job puts its files: below `Folder`, each named by `Naming`, or without one after its
// title alone, in the folder itself.
struct CopyDestination {
    std::string Folder; // a Windows path
    std::optional<NameTemplate> Naming = {};

    // Folder + "\" + the song's name, ending in the extension of its file on the iPod.
    std::string PlannedPath(const TSong& song, const TrackFacts& facts) const;
    // Whether a job's files may lie in folders below `Folder` that are still to be made.
    bool HasFolders() const { return Naming.has_value(); }
};

// Appends one entry for `song` to the three parallel lists: its file on the iPod, its planned
// destination, and its title as shown.
void AppendCopyEntry(const TiPod& pod, const TSong& song, const TrackFacts& facts,
                     const CopyDestination& destination, TStringList& sources, TStringList& targets,
                     TStringList& names);

// A copy job's parallel lists with a result per entry and the catalogue song of each, for
// callers that own no lists of their own (the headless copy).
struct CopyJob {
    TStringList Sources;
    TStringList Targets;
    TStringList Names;
    std::vector<CopyResult> Results;
    std::vector<std::size_t> Songs; // the index of each entry's song in the catalogue

    // Adds the catalogue's song at `index`.
    void Add(const TiPod& pod, std::size_t index, const CopyDestination& destination);
    std::size_t Count() const { return Names.size(); }
};
