#pragma once

class BenchMachine;

// Copies `megabytes` of 4 MiB files once with the copy worker, driven as the main window drives
// it, and once with cp, and prints both times and their ratio.
void RunCopyBenchmark(BenchMachine& machine, int megabytes);
