#pragma once

#include "app/FrmMain.h"
#include "tests/support/scoped_platform.h"
#include "tests/support/scripted_ui.h"
#include "tools/itunesdb_writer.h"

#include <QPoint>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

class TITunesStringGrid;

namespace testsupport {

// A main window on a private platform: c: and the registry in a temporary folder, iPods as
// folders attached to drive letters, and scripted dialogs, message boxes and shell.
class MainWindowFixture : public ::testing::Test {
protected:
    void TearDown() override;

    // An iPod named `label` (its volume label) at `letter` with these songs; each song with a
    // location gets a file of `fileSize` bytes unless its title is in `missingFiles`.
    std::filesystem::path AttachIPod(char letter, const std::string& label,
                                     const std::vector<itunesdb::SongFields>& songs,
                                     std::uint64_t fileSize = 1000);
    // Creates Software\Quillmere with ExeFile = c:\app (created) and the given flags.
    void InstallSettings(bool playOnDoubleClick = false, bool overwrite = true);

    // Constructs the main window and shows it (which searches the drives).
    TFormMain& Start();
    void Stop(); // closes and destroys the window

    std::string AppDirFile(const std::string& name) const; // c:\app or c:\ as installed
    std::vector<std::string> SelectorEntries() const;
    std::vector<std::string> Column(TITunesStringGrid* grid, int col) const;

    // The user picks entry `index` of the iPod list in the list's own view: opened with a click
    // and picked with a click, or opened with Alt+Down and picked with Down or Up and Return.
    // The events the close leaves behind are handled before this returns.
    enum class PickBy { Mouse, Keys };
    void PickSelectorEntry(int index, PickBy by = PickBy::Keys);
    // The user opens the iPod list with Alt+Down and closes it with Escape.
    void OpenAndDismissSelector();

    // Mouse actions on a grid's cell, in its viewport's coordinates.
    QPoint CellCenter(TITunesStringGrid* grid, int col, int row) const;
    void ClickCell(TITunesStringGrid* grid, int col, int row, Qt::KeyboardModifiers modifiers = {});
    void RightClickCell(TITunesStringGrid* grid, int col, int row);

    // `count` songs titled prefix + "A", prefix + "B"..., of one album and artist, each with a
    // file named after its title in F00.
    static std::vector<itunesdb::SongFields> Songs(const std::u16string& prefix, int count);
    static itunesdb::SongFields SongOf(const std::u16string& title, const std::u16string& album,
                                       const std::u16string& artist, const std::u16string& location,
                                       const std::u16string& fileType = u"MPEG audio file");

    ScopedPlatform platform_;
    ScriptedUi ui_;
    std::unique_ptr<TFormMain> window_;
    bool installed_ = false;
};

} // namespace testsupport
