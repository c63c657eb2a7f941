#pragma once

class BenchMachine;

// Copies `megabytes` of 4 MiB song files off a generated iPod once through the main window (every
// song marked, "Copy", the real worker and its per-block messages) and once with cp -r, checks
// both copies byte for byte, and prints both times and their ratio.
void RunCopyBenchmark(BenchMachine& machine, int megabytes);
