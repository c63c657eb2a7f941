// quillmere-bench browse [TRACKS] | copy [MEGABYTES] | scan [TRACKS]
// Prints one "name seconds" line per figure. Everything it writes lives in a temporary folder
// that is removed at the end.

#include "bench/bench_ipod.h"
#include "bench/browse_benchmark.h"
#include "bench/copy_benchmark.h"
#include "bench/scan_benchmark.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

namespace {

constexpr int DefaultTracks = 50000;
constexpr int DefaultMegabytes = 1024;
constexpr int DefaultScanTracks = 40000;

int Usage() {
    std::fprintf(stderr, "usage: quillmere-bench browse [TRACKS]\n"
                         "       quillmere-bench copy [MEGABYTES]\n"
                         "       quillmere-bench scan [TRACKS]\n");
    return 2;
}

// A positive decimal number, or 0 for anything else.
int PositiveNumber(const char* text) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return (*text != '\0' && *end == '\0' && value > 0 && value <= 1000000)
               ? static_cast<int>(value)
               : 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3)
        return Usage();
    const std::string command = argv[1];
    const bool browse = command == "browse";
    const bool scan = command == "scan";
    if (!browse && !scan && command != "copy")
        return Usage();
    const int amount = argc == 3 ? PositiveNumber(argv[2])
                       : browse  ? DefaultTracks
                       : scan    ? DefaultScanTracks
                                 : DefaultMegabytes;
    if (amount == 0)
        return Usage();

    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    try {
        // Before the application, so that nothing reads the user's own data folder.
        BenchMachine machine;
        int qtArgc = 1;
        QApplication application(qtArgc, argv);
        if (browse)
            RunBrowseBenchmark(machine, amount);
        else if (scan)
            RunScanBenchmark(machine, amount);
        else
            RunCopyBenchmark(machine, amount);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quillmere-bench %s: %s\n", command.c_str(), error.what());
        return 1;
    }
    return 0;
}
