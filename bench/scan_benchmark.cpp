#include "bench/scan_benchmark.h"

#include "app/database/iPodcomponent.h"
#include "bench/bench_ipod.h"
#include "bench/stopwatch.h"

#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

void ExpectSongs(const TiPod& pod, int tracks, const char* how) {
    if (pod.GetSongCount() != tracks)
        throw std::runtime_error(std::string(how) + " found " + std::to_string(pod.GetSongCount()) +
                                 " songs, not " + std::to_string(tracks));
}

} // namespace

void RunScanBenchmark(BenchMachine& machine, int tracks) {
    const std::filesystem::path ipod = machine.MakeFolder("ipod");
    WriteGeneratedIpod(ipod, tracks, GeneratedSongFiles::Tagged);
    machine.AttachDrive('e', ipod);
    std::printf("tracks %d\n", tracks);

    TiPod pod;
    pod.DriveRoot = "e:";
    // The files were just written, so the cache is warm for both.
    const Stopwatch load;
    pod.LoadDatabase();
    PrintFigure("load", load.Seconds());
    ExpectSongs(pod, tracks, "the database");

    const Stopwatch scan;
    pod.LoadSongFiles();
    PrintFigure("scan", scan.Seconds());
    ExpectSongs(pod, tracks, "the scan");
}
