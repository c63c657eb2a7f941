#include "tests/support/main_window_fixture.h"

#include "app/component/CloseUpComboBox.h"
#include "app/component/ITunesStringGrid.h"
#include "app/settings_store.h"
#include "platform/drives.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "tests/support/ipod_folder.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QTest>
#include <fstream>

namespace testsupport {

void MainWindowFixture::TearDown() {
    if (window_)
        Stop();
    platform::files::SetFaultHook(nullptr);
}

std::filesystem::path MainWindowFixture::AttachIPod(char letter, const std::string& label,
                                                    const std::vector<itunesdb::SongFields>& songs,
                                                    std::uint64_t fileSize) {
    const auto root = platform_.Root().Path() / "ipods" / label;
    std::filesystem::create_directories(root / "iPod_Control" / "iTunes");
    itunesdb::DatabaseSpec database;
    for (const auto& song : songs) {
        database.tracks.push_back(itunesdb::Song(song));
        if (song.location.empty())
            continue;
        std::string location;
        for (char16_t c : song.location)
            location += static_cast<char>(c);
        const auto file = HostPathOfLocation(root, location);
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << std::string(fileSize, 'x');
    }
    const auto bytes = itunesdb::WriteITunesDB(database);
    std::ofstream(root / "iPod_Control" / "iTunes" / "iTunesDB", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    platform::Drives().Attach(letter, root.string());
    return root;
}

void MainWindowFixture::InstallSettings(bool playOnDoubleClick, bool overwrite) {
    std::filesystem::create_directories(platform_.Root().Path() / "app");
    auto& registry = platform::CurrentUser();
    registry.CreateKey(TSettingsStore::Key);
    registry.SetValue(TSettingsStore::Key, "ExeFile", platform::RegValue::String(u"c:\\app"));
    registry.SetValue(TSettingsStore::Key, "DBClickPlaySong",
                      platform::RegValue::Dword(playOnDoubleClick));
    registry.SetValue(TSettingsStore::Key, "OverWriteExistFile",
                      platform::RegValue::Dword(overwrite));
    installed_ = true;
}

TFormMain& MainWindowFixture::Start() {
    window_ = std::make_unique<TFormMain>();
    window_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    return *window_;
}

void MainWindowFixture::Stop() {
    window_->close();
    window_.reset();
}

std::string MainWindowFixture::AppDirFile(const std::string& name) const {
    return ReadFile(platform_.Root().Path() / (installed_ ? "app" : "") / name);
}

std::vector<std::string> MainWindowFixture::SelectorEntries() const {
    std::vector<std::string> entries;
    for (int i = 0; i < window_->iPodSelectorCom->count(); ++i)
        entries.push_back(window_->iPodSelectorCom->itemText(i).toStdString());
    return entries;
}

std::vector<std::string> MainWindowFixture::Column(TITunesStringGrid* grid, int col) const {
    std::vector<std::string> texts;
    for (int row = 1; row < grid->RowCount(); ++row)
        texts.push_back(grid->GetCell(col, row));
    return texts;
}

void MainWindowFixture::PickSelectorEntry(int index, PickBy by) {
    TCloseUpComboBox* selector = window_->iPodSelectorCom;
    QAbstractItemView* list = selector->view();
    if (by == PickBy::Mouse) {
        QTest::mouseClick(selector, Qt::LeftButton, {}, selector->rect().center());
        ASSERT_TRUE(list->isVisible()) << "the click did not open the iPod list";
        // The pointer moves from the box down to the entry; Qt takes a release still at the
        // opening click's place for that click's own.
        const QRect entry = list->visualRect(list->model()->index(index, 0));
        QTest::mouseMove(list->viewport(), entry.center());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, entry.center());
    } else {
        QTest::keyClick(selector, Qt::Key_Down, Qt::AltModifier);
        ASSERT_TRUE(list->isVisible()) << "Alt+Down did not open the iPod list";
        for (int row = list->currentIndex().row(); row < index; ++row)
            QTest::keyClick(list, Qt::Key_Down);
        for (int row = list->currentIndex().row(); row > index; --row)
            QTest::keyClick(list, Qt::Key_Up);
        QTest::keyClick(list, Qt::Key_Return);
    }
    EXPECT_FALSE(list->isVisible()) << "the iPod list stayed open";
    QCoreApplication::processEvents();
}

void MainWindowFixture::OpenAndDismissSelector() {
    TCloseUpComboBox* selector = window_->iPodSelectorCom;
    QTest::keyClick(selector, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(selector->view()->isVisible()) << "Alt+Down did not open the iPod list";
    QTest::keyClick(selector->view(), Qt::Key_Escape);
    EXPECT_FALSE(selector->view()->isVisible()) << "the iPod list stayed open";
    QCoreApplication::processEvents();
}

QPoint MainWindowFixture::CellCenter(TITunesStringGrid* grid, int col, int row) const {
    int x = 0;
    for (int c = 0; c < col; ++c)
        x += grid->ColWidths(c);
    int y = 0;
    for (int r = 0; r < row; ++r)
        y += grid->RowHeights(r);
    return {x + grid->ColWidths(col) / 2, y + grid->RowHeights(row) / 2};
}

void MainWindowFixture::ClickCell(TITunesStringGrid* grid, int col, int row,
                                  Qt::KeyboardModifiers modifiers) {
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, CellCenter(grid, col, row));
}

void MainWindowFixture::RightClickCell(TITunesStringGrid* grid, int col, int row) {
    QTest::mousePress(grid->viewport(), Qt::RightButton, {}, CellCenter(grid, col, row));
    QTest::mouseRelease(grid->viewport(), Qt::RightButton, {}, CellCenter(grid, col, row));
    if (grid->PopupMenu())
        grid->PopupMenu()->hide();
}

std::vector<itunesdb::SongFields> MainWindowFixture::Songs(const std::u16string& prefix,
                                                           int count) {
    std::vector<itunesdb::SongFields> songs;
    for (int i = 0; i < count; ++i) {
        const std::u16string n(1, static_cast<char16_t>(u'A' + i));
        songs.push_back(SongOf(prefix + n, u"Album", u"Artist",
                               u":iPod_Control:Music:F00:" + prefix + n + u".mp3"));
    }
    return songs;
}

itunesdb::SongFields MainWindowFixture::SongOf(const std::u16string& title,
                                               const std::u16string& album,
                                               const std::u16string& artist,
                                               const std::u16string& location,
                                               const std::u16string& fileType) {
    itunesdb::SongFields song;
    song.title = title;
    song.album = album;
    song.artist = artist;
    song.location = location;
    song.fileType = fileType;
    return song;
}

} // namespace testsupport
