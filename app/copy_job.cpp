#include "app/copy_job.h"

#include "app/database/iPodcomponent.h"
#include "app/output_naming.h"
#include "platform/text.h"

std::string CopyDestination::PlannedPath(const TSong& song, const TrackFacts& facts) const {
    const std::string location = platform::text::WideToAnsi(song.Location);
    if (!Naming)
        return PlannedDestination(Folder, platform::text::WideToAnsi(song.Title), location);
    return Folder + "\\" + Naming->Expand(song, facts, ExtensionPart(location));
}

void AppendCopyEntry(const TiPod& pod, const TSong& song, const TrackFacts& facts,
                     const CopyDestination& destination, TStringList& sources, TStringList& targets,
                     TStringList& names) {
    std::string target = destination.PlannedPath(song, facts);
    sources.push_back(pod.SongPath(song));
    targets.push_back(std::move(target));
    names.push_back(platform::text::WideToAnsi(song.Title));
}

void CopyJob::Add(const TiPod& pod, std::size_t index, const CopyDestination& destination) {
    AppendCopyEntry(pod, pod.Songs.at(index), pod.FactsAt(index), destination, Sources, Targets,
                    Names);
    Results.emplace_back();
    Songs.push_back(index);
}
