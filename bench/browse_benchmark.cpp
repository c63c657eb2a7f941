#include "bench/browse_benchmark.h"

#include "app/FrmMain.h"
#include "app/component/ITunesStringGrid.h"
#include "bench/bench_ipod.h"
#include "bench/stopwatch.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QTest>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

constexpr int TitleColumn = 1;
// Two words that occur together in some titles, so that the search fills a short table.
constexpr const char* SearchText = "Love Night";

// A step's time includes the events it leaves queued, its repaint above all: the time until
// the window shows the result.
template <typename Step> void TimeStep(const char* name, Step step) {
    const Stopwatch stopwatch;
    step();
    QCoreApplication::processEvents();
    PrintFigure(name, stopwatch.Seconds());
}

QPoint HeaderCentre(const TITunesStringGrid& grid, int col) {
    int left = 0;
    for (int c = 0; c < col; ++c)
        left += grid.ColWidths(c);
    return QPoint(left + grid.ColWidths(col) / 2, grid.RowHeights(0) / 2);
}

} // namespace

void RunBrowseBenchmark(BenchMachine& machine, int tracks) {
    const std::filesystem::path ipod = machine.MakeFolder("ipod");
    WriteGeneratedIpod(ipod, tracks);
    std::printf("tracks %d\n", tracks);

    TFormMain window;
    // Shown before the iPod is attached, so that its first showing finds nothing to load.
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        throw std::runtime_error("the main window was never shown");
    machine.AttachDrive('e', ipod);
    window.GetiPodDriver(); // lists e: and sets PodReady, as plugging the iPod in would

    TimeStep("load", [&] {
        window.SelectedDrive = u"e:";
        window.LoadSelectedPod();
    });
    if (window.iPod.GetSongCount() != tracks)
        throw std::runtime_error("the catalogue holds " +
                                 std::to_string(window.iPod.GetSongCount()) + " songs, not " +
                                 std::to_string(tracks));
    TimeStep("display_songs", [&] { window.DisPlaySongs(0); });
    TimeStep("display_other", [&] { window.DisPlayOther(); });
    TimeStep("search", [&] {
        window.Edit1->setText(SearchText);
        window.Edit1KeyDown(Qt::Key_Return);
    });

    // The sort is to reorder every song, not the few the search found.
    window.DisPlaySongs(0);
    QCoreApplication::processEvents();
    TITunesStringGrid& songs = *window.AdvStringGridSong;
    TimeStep("sort_title", [&] {
        QTest::mouseClick(songs.viewport(), Qt::LeftButton, Qt::NoModifier,
                          HeaderCentre(songs, TitleColumn));
    });
    if (songs.SortColumn() != TitleColumn)
        throw std::runtime_error("the click on the Title header did not sort");

    TimeStep("pane_filter", [&] {
        window.ArtistList->SetRowMarked(2, true);
        window.DisPlayCurrentArtistSongs();
    });

    // Closed as the program ends: a shown window's destructor would hide the iPod selector, whose
    // close-up handler then runs on a half-destroyed window.
    window.close();
}
