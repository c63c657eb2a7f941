#include "app/copy_job.h"

#include "app/database/iPodcomponent.h"
#include "app/output_naming.h"
#include "platform/text.h"

void AppendCopyEntry(const TiPod& pod, const TSong& song, const std::string& destinationFolder,
                     TStringList& sources, TStringList& targets, TStringList& names) {
    std::string title = platform::text::WideToAnsi(song.Title);
    std::string target =
        PlannedDestination(destinationFolder, title, platform::text::WideToAnsi(song.Location));
    sources.push_back(pod.SongPath(song));
    targets.push_back(std::move(target));
    names.push_back(std::move(title));
}

void CopyJob::Add(const TiPod& pod, const TSong& song, const std::string& destinationFolder) {
    AppendCopyEntry(pod, song, destinationFolder, Sources, Targets, Names);
    Results.emplace_back();
}
