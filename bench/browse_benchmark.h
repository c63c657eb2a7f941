#pragma once

class BenchMachine;

// Times the main window on a generated iPod of `tracks` songs: loading it, filling the song
// table and the panes, a search, a header-click sort and a pane filter.
void RunBrowseBenchmark(BenchMachine& machine, int tracks);
