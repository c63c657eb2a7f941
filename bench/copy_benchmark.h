#pragma once

class BenchMachine;

// Copies `megabytes` of 4 MiB song files off a generated iPod once through the main window (every
// song marked, "Copy", the real worker and its per-block messages) and once with cp -r, checks
// both copies byte for byte, and prints both times and their ratio. Then times planning the
// destinations of 40,000 songs in artist and album folders, clash checks included.
void RunCopyBenchmark(BenchMachine& machine, int megabytes);
