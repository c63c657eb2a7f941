#pragma once

class BenchMachine;

// Times building the catalogue of a generated iPod of `tracks` tagged songs two ways: from its
// database, and from its song files (the rescue listing), both from a warm cache.
void RunScanBenchmark(BenchMachine& machine, int tracks);
