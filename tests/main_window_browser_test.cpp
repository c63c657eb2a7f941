// The library browser as a person meets it in the main window: the panes, the song table and
// its views, the search field, the selection commands with their menus, the status line, the
// layout file and playback by double-click.

#include "app/component/CloseUpComboBox.h"
#include "app/component/ITunesStringGrid.h"
#include "platform/files.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "tests/support/ipod_folder.h"
#include "tests/support/main_window_fixture.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testsupport::MainWindowFixture;
using Texts = std::vector<std::string>;

constexpr const char* All = "All ...";

class BrowserTest : public MainWindowFixture {
protected:
    static itunesdb::SongFields Song(const std::u16string& title, const std::u16string& album,
                                     const std::u16string& artist, const std::u16string& file,
                                     const std::u16string& fileType) {
        return SongOf(title, album, artist, u":iPod_Control:Music:F00:" + file, fileType);
    }

    // Two songs titled Intro (in two spellings), songs without album, artist or file type, and
    // the words Night and Drive spread over titles, a composer and a comment.
    static std::vector<itunesdb::SongFields> Catalogue() {
        auto morning = Song(u"Morning Song", u"Red", u"Bob", u"B.wav", u"WAV audio file");
        morning.composer = u"Night Writer";
        morning.eqSetting = u"Rock";
        morning.genre = u"Pop";
        morning.grouping = u"Singles";
        auto lonely = Song(u"Lonely Road", u"", u"ann", u"D.mp3", u"MPEG audio file");
        lonely.comment = u"Night Drive";
        return {Song(u"Intro", u"Blue", u"Ann", u"A.mp3", u"MPEG audio file"), morning,
                Song(u"INTRO", u"blue", u"", u"C.mp3", u""), lonely,
                Song(u"Night Drive", u"Green", u"Cy", u"E.m4a", u"AAC audio file")};
    }

    TFormMain& StartWithCatalogue(bool playOnDoubleClick = false) {
        InstallSettings(playOnDoubleClick);
        ipod_ = AttachIPod('e', "pod", Catalogue());
        return Start();
    }

    // The layout file as the previous run left it.
    void WriteLayoutFile(const std::string& content) {
        InstallSettings();
        platform_.Root().WriteFile("app/ipodpos.dll", content);
    }

    Texts Titles() const { return Column(window_->AdvStringGridSong, 1); }
    Texts Pane(TITunesStringGrid* pane) const { return Column(pane, 1); }
    static std::vector<int> Marks(TITunesStringGrid* grid) {
        std::vector<int> rows;
        for (int row = 0; row < grid->RowCount(); ++row)
            if (grid->IsRowMarked(row))
                rows.push_back(row);
        return rows;
    }

    void DoubleClickCell(TITunesStringGrid* grid, int col, int row) {
        const QPoint at = CellCenter(grid, col, row);
        QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, at);
    }

    // Opens the table's menu with a right click on a cell and clicks the item.
    void ChooseFromMenu(TITunesStringGrid* grid, int row, QAction* item) {
        const QPoint at = CellCenter(grid, 1, row);
        QTest::mousePress(grid->viewport(), Qt::RightButton, {}, at);
        QTest::mouseRelease(grid->viewport(), Qt::RightButton, {}, at);
        QMenu* menu = grid->PopupMenu();
        if (menu == nullptr)
            FAIL() << "the table has no menu";
        ASSERT_TRUE(menu->isVisible());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
        menu->hide();
    }

    void Search(const std::string& text) {
        window_->Edit1->clear();
        QTest::keyClicks(window_->Edit1, QString::fromStdString(text));
        QTest::keyClick(window_->Edit1, Qt::Key_Return);
    }

    std::filesystem::path ipod_;
};

// ---- Panes ----

TEST_F(BrowserTest, PanesListEachValueOnceUnderAllWithBlankFileTypesOnly) {
    TFormMain& main = StartWithCatalogue();
    EXPECT_EQ(main.AlbumList->GetCell(1, 0), "Album List");
    EXPECT_EQ(main.ArtistList->GetCell(1, 0), "Artist List");
    EXPECT_EQ(main.FileTypeList->GetCell(1, 0), "File Type List");
    // Blue and blue are one album, spelled as met first; no blank album or artist entry.
    EXPECT_THAT(Pane(main.AlbumList), ElementsAre(All, "Blue", "Green", "Red"));
    EXPECT_THAT(Pane(main.ArtistList), ElementsAre(All, "Ann", "Bob", "Cy"));
    EXPECT_THAT(Pane(main.FileTypeList),
                ElementsAre(All, "", "AAC audio file", "MPEG audio file", "WAV audio file"));
    for (TITunesStringGrid* pane : {main.AlbumList, main.ArtistList, main.FileTypeList}) {
        for (int row = 0; row < pane->RowCount(); ++row)
            EXPECT_EQ(pane->RowHeights(row), 16) << row;
        EXPECT_EQ(pane->ColWidths(0), 0);
        EXPECT_EQ(pane->ColWidths(1), 200);
    }
}

TEST_F(BrowserTest, PaneListsAreTheCataloguesNameLists) {
    // Letter case merges, accents do not; the first spelling in catalogue order stays.
    InstallSettings();
    std::vector<itunesdb::SongFields> songs;
    const std::u16string albums[] = {u"été", u"ÉTÉ", u"Ete", u"Zoë", u"zoe", u"ZOË", u"", u"b"};
    for (std::size_t i = 0; i < std::size(albums); ++i) {
        const std::u16string n(1, static_cast<char16_t>(u'a' + i));
        songs.push_back(Song(u"S" + n, albums[i], albums[(i + 3) % std::size(albums)], n + u".mp3",
                             i % 2 ? u"wav" : u"WAV"));
    }
    AttachIPod('e', "pod", songs);
    TFormMain& main = Start();
    const auto withoutBlank = [](std::vector<std::string> names) {
        std::erase(names, "");
        return names;
    };
    const auto values = [&](TITunesStringGrid* pane) {
        Texts texts = Pane(pane);
        texts.erase(texts.begin());
        return texts;
    };
    EXPECT_THAT(values(main.AlbumList), ElementsAreArray(withoutBlank(main.iPod.AlbumNames())));
    EXPECT_THAT(values(main.AlbumList), ElementsAre("b", "Ete", "été", "zoe", "Zoë"));
    EXPECT_THAT(values(main.ArtistList), ElementsAreArray(withoutBlank(main.iPod.ArtistNames())));
    EXPECT_THAT(values(main.FileTypeList), ElementsAreArray(main.iPod.FileTypeNames()));
    EXPECT_THAT(values(main.FileTypeList), ElementsAre("WAV"));
}

TEST_F(BrowserTest, AnEmptyCatalogueShowsHeadersAndAllOnly) {
    InstallSettings();
    AttachIPod('e', "empty", {});
    TFormMain& main = Start();
    for (TITunesStringGrid* pane : {main.AlbumList, main.ArtistList, main.FileTypeList})
        EXPECT_THAT(Pane(pane), ElementsAre(All));
    EXPECT_EQ(main.AdvStringGridSong->RowCount(), 1);
    EXPECT_EQ(main.AdvStringGridSong->GetCell(1, 0), "Title");
    EXPECT_EQ(main.StatusText(), "1 iPod detected.");
}

TEST_F(BrowserTest, ARefillKeepsRowsAndMarksOfTheEarlierCatalogue) {
    InstallSettings();
    std::vector<itunesdb::SongFields> many;
    for (int i = 0; i < 50; ++i) {
        const std::u16string n = platform::text::AnsiToWide(std::to_string(100 + i));
        many.push_back(Song(u"Song " + n, u"Album", u"Artist " + n, n + u".mp3", u"MP3"));
    }
    AttachIPod('e', "many", many);
    AttachIPod('f', "few", {Song(u"Lone", u"", u"", u"L.mp3", u"MP3")});
    TFormMain& main = Start();
    ASSERT_EQ(main.ArtistList->RowCount(), 52);
    RightClickCell(main.ArtistList, 1, 3);
    EXPECT_THAT(Titles(), ElementsAre("Song 101"));

    PickSelectorEntry(1);
    EXPECT_EQ(main.iPod.GetSongCount(), 1);
    EXPECT_EQ(main.ArtistList->RowCount(), 52);
    const Texts artists = Pane(main.ArtistList);
    EXPECT_EQ(artists.front(), All);
    EXPECT_TRUE(std::all_of(artists.begin() + 1, artists.end(),
                            [](const std::string& text) { return text.empty(); }));
    EXPECT_THAT(Marks(main.ArtistList), ElementsAre(3));
}

struct PlacementCase {
    const char* name;
    const char* visible;                     // the Visible section of the layout file
    int albumLeft, artistLeft, fileTypeLeft; // -1: hidden
    QRect songTable;
    friend void PrintTo(const PlacementCase& test, std::ostream* out) { *out << test.name; }
};

class PlacementTest : public BrowserTest, public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(PlacementTest, PanesAndTheSongTableArePlacedByWhatIsShown) {
    const PlacementCase& test = GetParam();
    WriteLayoutFile(std::string("[Visible]\r\n") + test.visible);
    TFormMain& main = Start();
    const auto expectPane = [&](TITunesStringGrid* pane, int left) {
        if (left < 0) {
            EXPECT_FALSE(pane->isVisible());
            return;
        }
        EXPECT_TRUE(pane->isVisible());
        EXPECT_EQ(pane->geometry(), QRect(left, 88, 217, 80));
    };
    expectPane(main.AlbumList, test.albumLeft);
    expectPane(main.ArtistList, test.artistLeft);
    expectPane(main.FileTypeList, test.fileTypeLeft);
    EXPECT_EQ(main.AdvStringGridSong->geometry(), test.songTable);
    EXPECT_EQ(main.SearchBox->pos(), QPoint(526, 36));
    EXPECT_EQ(main.Edit1->pos(), QPoint(550, 44));
    EXPECT_EQ(main.iPodSelector->pos(), QPoint(55, 36));
    EXPECT_EQ(main.iPodSelectorCom->pos(), QPoint(57, 38));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PlacementTest,
    ::testing::Values(
        PlacementCase{"AllShown", "", 24, 243, 462, QRect(24, 174, 660, 237)},
        // A hidden pane keeps the window definition's left, and its neighbour follows it.
        PlacementCase{"AlbumHidden", "AlbumList=0\r\n", -1, 227, 446, QRect(24, 174, 660, 237)},
        PlacementCase{"ArtistHidden", "ArtistList=0\r\n", 24, -1, 579, QRect(24, 174, 660, 237)},
        PlacementCase{"AllPanesHidden", "AlbumList=0\r\nArtistList=0\r\nFileTypeList=0\r\n", -1, -1,
                      -1, QRect(24, 88, 660, 323)}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

// ---- Song table ----

TEST_F(BrowserTest, TheSongTableShowsTenColumnsOfEverySongInCatalogueOrder) {
    TFormMain& main = StartWithCatalogue();
    TITunesStringGrid* songs = main.AdvStringGridSong;
    Texts header;
    for (int col = 0; col <= 10; ++col)
        header.push_back(songs->GetCell(col, 0));
    EXPECT_THAT(header, ElementsAre("", "Title", "File Size", "Album", "Artist", "Genre",
                                    "Filetype", "Comment", "EQSetting", "Composer", "Grouping"));
    EXPECT_THAT(Titles(),
                ElementsAre("Intro", "Morning Song", "INTRO", "Lonely Road", "Night Drive"));
    Texts morning;
    for (int col = 0; col <= 10; ++col)
        morning.push_back(songs->GetCell(col, 2));
    EXPECT_THAT(morning, ElementsAre("", "Morning Song", SizeTextOf(1000), "Red", "Bob", "Pop",
                                     "WAV audio file", "", "Rock", "Night Writer", "Singles"));
    EXPECT_EQ(songs->GetCell(7, 4), "Night Drive"); // the comment column
    EXPECT_EQ(main.StatusText(), "5 Files found in your iPod.");
    for (int row = 0; row < songs->RowCount(); ++row)
        EXPECT_EQ(songs->RowHeights(row), 16);
    EXPECT_EQ(songs->ColWidths(0), 0);
    EXPECT_EQ(songs->ColWidths(1), 80);
}

TEST_F(BrowserTest, SortingByAHeaderKeepsMarksInPlaceAndComparesSizesAsText) {
    InstallSettings();
    ipod_ = AttachIPod('e', "pod", Catalogue());
    std::filesystem::resize_file(
        testsupport::HostPathOfLocation(ipod_, ":iPod_Control:Music:F00:A.mp3"),
        10223616); // 9.75 MB
    std::filesystem::resize_file(
        testsupport::HostPathOfLocation(ipod_, ":iPod_Control:Music:F00:C.mp3"),
        11010048); // 10.5 MB
    TFormMain& main = Start();
    TITunesStringGrid* songs = main.AdvStringGridSong;
    ClickCell(songs, 1, 2);
    ClickCell(songs, 1, 3, Qt::ControlModifier);
    ASSERT_THAT(Marks(songs), ElementsAre(2, 3));

    QTest::mouseClick(songs->viewport(), Qt::LeftButton, {}, CellCenter(songs, 2, 0));
    const Texts sizes = Column(songs, 2);
    const auto position = [&](const std::string& size) {
        return std::find(sizes.begin(), sizes.end(), size) - sizes.begin();
    };
    EXPECT_LT(position("10.5MB"), position("9.75MB"));
    EXPECT_TRUE(std::is_sorted(sizes.begin(), sizes.end()));
    EXPECT_THAT(Marks(songs), ElementsAre(2, 3));
    EXPECT_EQ(main.StatusText(), "2 files Selected");

    // The next view returns to catalogue order.
    ClickCell(main.AlbumList, 1, 1);
    EXPECT_THAT(Titles(),
                ElementsAre("Intro", "Morning Song", "INTRO", "Lonely Road", "Night Drive"));
}

TEST_F(BrowserTest, LayoutFileSetsPanesAndWidthsAndClosingWritesWhatTheWindowShows) {
    WriteLayoutFile("[Visible]\r\nAlbumList=0\r\nSearchBox=0\r\niPodSelector=1\r\n"
                    "[COLWIDTH]\r\n0=120\r\n3=0x64\r\n5=0\r\n[Extra]\r\nkeep=me\r\n");
    AttachIPod('e', "pod", Catalogue());
    TFormMain& main = Start();
    EXPECT_FALSE(main.AlbumList->isVisible());
    for (QWidget* part : std::initializer_list<QWidget*>{main.SearchBox, main.Edit1, main.Image4})
        EXPECT_FALSE(part->isVisible());
    for (QWidget* part :
         std::initializer_list<QWidget*>{main.iPodSelector, main.iPodSelectorCom, main.Image3})
        EXPECT_TRUE(part->isVisible());
    TITunesStringGrid* songs = main.AdvStringGridSong;
    std::vector<int> widths;
    for (int col = 0; col <= 10; ++col)
        widths.push_back(songs->ColWidths(col));
    EXPECT_THAT(widths, ElementsAre(0, 80, 80, 100, 80, 0, 80, 80, 80, 80, 80));

    // The user drags the right border of Title; the next view restores the width of the file.
    const auto dragTitleBorderTo = [&](int x) {
        QTest::mousePress(songs->viewport(), Qt::LeftButton, {}, QPoint(80, 8));
        QTest::mouseMove(songs->viewport(), QPoint(x, 8));
        QTest::mouseRelease(songs->viewport(), Qt::LeftButton, {}, QPoint(x, 8));
    };
    dragTitleBorderTo(130);
    EXPECT_EQ(songs->ColWidths(1), 130);
    ClickCell(main.ArtistList, 1, 2);
    EXPECT_EQ(songs->ColWidths(1), 80);
    dragTitleBorderTo(125);
    Stop();

    const std::string file = AppDirFile("ipodpos.dll");
    EXPECT_EQ(file, "[Visible]\r\nAlbumList=0\r\nSearchBox=0\r\niPodSelector=1\r\n"
                    "ArtistList=1\r\nFileTypeList=1\r\n"
                    "[COLWIDTH]\r\n0=0\r\n3=100\r\n5=0\r\n1=125\r\n2=80\r\n4=80\r\n6=80\r\n"
                    "7=80\r\n8=80\r\n9=80\r\n10=80\r\n[Extra]\r\nkeep=me\r\n");
}

class RefuseLayoutFile : public platform::files::FaultHook {
public:
    bool FailCreate(const std::string& hostPath) override {
        return hostPath.find("ipodpos") != std::string::npos;
    }
};

TEST_F(BrowserTest, ALayoutFileThatCannotBeWrittenIsLoggedAndKept) {
    WriteLayoutFile("[Visible]\r\nAlbumList=0\r\n");
    TFormMain& main = Start();
    main.AlbumList->show();
    RefuseLayoutFile refuse;
    platform::files::SetFaultHook(&refuse);
    Stop();
    platform::files::SetFaultHook(nullptr);
    EXPECT_EQ(AppDirFile("ipodpos.dll"), "[Visible]\r\nAlbumList=0\r\n");
    EXPECT_THAT(AppDirFile("app.cnt"),
                HasSubstr("=WriteIniFile:Unable to write to c:\\app\\ipodpos.dll\r\n"));
}

// ---- Views ----

TEST_F(BrowserTest, PaneClicksChooseTheViewAndClearTheOtherPanes) {
    TFormMain& main = StartWithCatalogue();
    ClickCell(main.AlbumList, 1, 2); // Blue, which also finds the song on blue
    EXPECT_THAT(Titles(), ElementsAre("Intro", "INTRO"));
    EXPECT_EQ(main.StatusText(), "Files in album Blue");
    ClickCell(main.AlbumList, 1, 4, Qt::ControlModifier);
    EXPECT_THAT(Titles(), ElementsAre("Intro", "Morning Song", "INTRO"));
    EXPECT_EQ(main.StatusText(), "Files in album Blue,Red");
    ClickCell(main.AlbumList, 1, 1, Qt::ControlModifier); // "All ..." among them: all songs
    EXPECT_EQ(main.AdvStringGridSong->RowCount(), 6);
    EXPECT_EQ(main.StatusText(), "5 Files found in your iPod.");

    ClickCell(main.ArtistList, 1, 2); // Ann and ann
    EXPECT_THAT(Marks(main.AlbumList), IsEmpty());
    EXPECT_THAT(Titles(), ElementsAre("Intro", "Lonely Road"));
    EXPECT_EQ(main.StatusText(), "Files by artist Ann");

    // Three file types, the blank one on top: only the topmost is named.
    ClickCell(main.FileTypeList, 1, 2);
    ClickCell(main.FileTypeList, 1, 4, Qt::ShiftModifier);
    EXPECT_THAT(Marks(main.ArtistList), IsEmpty());
    EXPECT_THAT(Titles(), ElementsAre("Intro", "INTRO", "Lonely Road", "Night Drive"));
    EXPECT_EQ(main.StatusText(), " Files");
    ClickCell(main.FileTypeList, 1, 3);
    EXPECT_EQ(main.StatusText(), "AAC audio file Files");

    // The header row: the other panes are cleared and the pane's own range is marked again.
    ClickCell(main.ArtistList, 1, 3);
    ClickCell(main.FileTypeList, 1, 0);
    EXPECT_THAT(Marks(main.ArtistList), IsEmpty());
    EXPECT_THAT(Marks(main.FileTypeList), ElementsAre(3));
    EXPECT_THAT(Titles(), ElementsAre("Night Drive"));
}

TEST_F(BrowserTest, AHeaderClickNearAColumnEdgeOfAPaneWithoutSizingIsAClickAllTheSame) {
    TFormMain& main = StartWithCatalogue();
    for (TITunesStringGrid* pane : {main.AlbumList, main.FileTypeList}) {
        ASSERT_FALSE(pane->HasOption(TITunesStringGrid::goColSizing));
        ClickCell(main.ArtistList, 1, 2);
        ASSERT_THAT(Marks(main.ArtistList), ElementsAre(2));
        // Just inside the end of the pane's one visible column.
        const int x = std::min(pane->ColWidths(1), pane->viewport()->width()) - 2;
        QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, QPoint(x, pane->RowHeights(0) / 2));
        EXPECT_THAT(Marks(main.ArtistList), IsEmpty());
    }
}

TEST_F(BrowserTest, RightClicksAddToAPaneWithoutClearingTheOthers) {
    TFormMain& main = StartWithCatalogue();
    ClickCell(main.AlbumList, 1, 2);
    RightClickCell(main.ArtistList, 1, 3);
    RightClickCell(main.ArtistList, 1, 4);
    EXPECT_THAT(Marks(main.AlbumList), ElementsAre(2));
    EXPECT_THAT(Marks(main.ArtistList), ElementsAre(3, 4));
    EXPECT_THAT(Titles(), ElementsAre("Morning Song", "Night Drive"));
    EXPECT_EQ(main.StatusText(), "Files by artist Bob,Cy");
    RightClickCell(main.ArtistList, 1, 0); // the header: nothing
    EXPECT_THAT(Marks(main.ArtistList), ElementsAre(3, 4));
}

TEST_F(BrowserTest, KeysMoveThePaneMarksButOnlyAMouseReleaseChangesTheTable) {
    TFormMain& main = StartWithCatalogue();
    ClickCell(main.AlbumList, 1, 2);
    ClickCell(main.ArtistList, 1, 3);
    ASSERT_THAT(Titles(), ElementsAre("Morning Song"));
    QTest::keyClick(main.AlbumList, Qt::Key_Down);
    EXPECT_THAT(Marks(main.AlbumList), ElementsAre(3));
    EXPECT_THAT(Marks(main.ArtistList), IsEmpty());
    EXPECT_THAT(Titles(), ElementsAre("Morning Song"));
    QTest::mouseClick(main.AlbumList->viewport(), Qt::MiddleButton, {},
                      CellCenter(main.AlbumList, 1, 3));
    EXPECT_THAT(Titles(), ElementsAre("Night Drive"));
    EXPECT_EQ(main.StatusText(), "Files in album Green");
}

TEST_F(BrowserTest, WhileCopyingPaneClicksMarkButTheTableStays) {
    TFormMain& main = StartWithCatalogue();
    ClickCell(main.ArtistList, 1, 3);
    main.Copying = true;
    ClickCell(main.AlbumList, 1, 2);
    Search("Intro");
    EXPECT_THAT(Marks(main.AlbumList), ElementsAre(2));
    EXPECT_THAT(Marks(main.ArtistList), IsEmpty());
    EXPECT_THAT(Titles(), ElementsAre("Morning Song"));
    EXPECT_EQ(main.StatusText(), "Files by artist Bob");
    main.Copying = false;
}

TEST_F(BrowserTest, AStatusTextOfMoreThan46CharactersIsCut) {
    InstallSettings();
    std::vector<itunesdb::SongFields> songs;
    for (char16_t letter = u'A'; letter < u'A' + 8; ++letter) {
        const std::u16string n(1, letter);
        songs.push_back(Song(n, n + u" Very Long Album Name", u"X", n + u".mp3", u"MP3"));
    }
    AttachIPod('e', "pod", songs);
    TFormMain& main = Start();
    ChooseFromMenu(main.AlbumList, 2, main.SelectAllAlbum);
    EXPECT_EQ(main.AdvStringGridSong->RowCount(), 9);
    const std::string full = "Files in album A Very Long Album Name,B Very Long Album Name";
    EXPECT_EQ(main.StatusText(), full.substr(0, 46) + "...");
}

struct SearchCase {
    const char* name;
    const char* text;
    Texts titles; // empty: the table keeps the view it had
    friend void PrintTo(const SearchCase& test, std::ostream* out) { *out << test.name; }
};

class SearchTest : public BrowserTest, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(SearchTest, EnterInTheSearchFieldShowsTheSongsWithEveryWordInOneField) {
    const SearchCase& test = GetParam();
    TFormMain& main = StartWithCatalogue();
    ClickCell(main.ArtistList, 1, 3); // Bob: the view before the search
    Search(test.text);
    EXPECT_THAT(Titles(),
                ElementsAreArray(test.titles.empty() ? Texts{"Morning Song"} : test.titles));
    EXPECT_EQ(main.StatusText(), "Files by artist Bob"); // a search never writes the status
    EXPECT_THAT(Marks(main.ArtistList), ElementsAre(3));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SearchTest,
    ::testing::Values(
        // Title, then album, artist, composer, comment; both words in one field, any order.
        SearchCase{"TwoWordsInTitleOrComment", "Night Drive", {"Lonely Road", "Night Drive"}},
        SearchCase{"AnyOrderInsideWords", "rive Nig", {"Lonely Road", "Night Drive"}},
        SearchCase{"OneWordInTheComposer", "Writer", {"Morning Song"}},
        SearchCase{"OneLetter", "I", {"Intro", "INTRO"}},
        SearchCase{"OneTrailingSpace", "Road ", {"Lonely Road"}},
        // Words spread over title and album, or in another letter case: header and one empty
        // row.
        SearchCase{"WordsInTwoFields", "Intro Blue", {""}},
        SearchCase{"ExactLetterCase", "night", {""}},
        // Ignored on Enter.
        SearchCase{"EndsInAOneLetterWord", "Night D", {}},
        SearchCase{"EndsInTwoSpaces", "Road  ", {}}, SearchCase{"Empty", "", {}}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

// ---- Selection commands ----

TEST_F(BrowserTest, SongSelectionCommandsAndRightClicksCountTheMarkedSongs) {
    TFormMain& main = StartWithCatalogue();
    TITunesStringGrid* songs = main.AdvStringGridSong;
    QTest::keyClick(songs, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_THAT(Marks(songs), ElementsAre(1, 2, 3, 4, 5));
    EXPECT_EQ(main.StatusText(), "5 files Selected");
    ClickCell(songs, 1, 2);
    EXPECT_EQ(main.StatusText(), "1 file Selected");
    ChooseFromMenu(songs, 4, main.InvertSelectSong); // the right click marks row 4 first
    EXPECT_THAT(Marks(songs), ElementsAre(1, 3, 5));
    EXPECT_EQ(main.StatusText(), "3 files Selected");
    ChooseFromMenu(songs, 1, main.ClearSelectSong);
    EXPECT_THAT(Marks(songs), IsEmpty());
    EXPECT_EQ(main.StatusText(), "0 file Selected");
    RightClickCell(songs, 1, 4);
    EXPECT_EQ(main.StatusText(), "1 file Selected");
    RightClickCell(songs, 1, 2);
    EXPECT_THAT(Marks(songs), ElementsAre(2, 4));
    EXPECT_EQ(main.StatusText(), "2 files Selected");
    main.ShowStatus("something else");
    RightClickCell(songs, 3, 0); // the header marks nothing but counts again
    EXPECT_THAT(Marks(songs), ElementsAre(2, 4));
    EXPECT_EQ(main.StatusText(), "2 files Selected");

    // After a search without result the one empty row may be marked, but it is no song.
    Search("nothing at all");
    QTest::keyClick(songs, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(songs->IsRowMarked(1));
    EXPECT_EQ(main.StatusText(), "0 file Selected");
}

TEST_F(BrowserTest, PaneSelectionCommandsLeaveAllAloneExceptClearSelect) {
    TFormMain& main = StartWithCatalogue();
    ChooseFromMenu(main.AlbumList, 2, main.SelectAllAlbum);
    EXPECT_THAT(Marks(main.AlbumList), ElementsAre(2, 3, 4));
    EXPECT_THAT(Titles(), ElementsAre("Intro", "Morning Song", "INTRO", "Night Drive"));
    EXPECT_EQ(main.StatusText(), "Files in album Blue,Green,Red");

    ClickCell(main.AlbumList, 1, 1);
    ClickCell(main.AlbumList, 1, 3, Qt::ControlModifier);
    ChooseFromMenu(main.AlbumList, 0, main.InvertSelectAlbum);
    EXPECT_THAT(Marks(main.AlbumList), ElementsAre(1, 2, 4));
    EXPECT_EQ(main.AdvStringGridSong->RowCount(), 6); // "All ..." still marked: every song

    ClickCell(main.AlbumList, 1, 3);
    ChooseFromMenu(main.AlbumList, 0, main.ClearSelectAlbum);
    EXPECT_THAT(Marks(main.AlbumList), IsEmpty());
    EXPECT_THAT(Titles(), ElementsAre("Night Drive"));

    QTest::keyClick(main.ArtistList, Qt::Key_A, Qt::ControlModifier);
    EXPECT_THAT(Marks(main.ArtistList), ElementsAre(2, 3, 4));
    EXPECT_THAT(Titles(), ElementsAre("Intro", "Morning Song", "Lonely Road", "Night Drive"));
}

TEST_F(BrowserTest, MenusAreEnabledWhenTheyOpenOnceAniPodIsThere) {
    InstallSettings();
    TFormMain& main = Start();
    const auto enabled = [](std::initializer_list<QAction*> items) {
        std::vector<bool> states;
        for (QAction* item : items)
            states.push_back(item->isEnabled());
        return states;
    };
    const auto songItems = {main.CopyoutSong, main.SelectAllSong, main.InvertSelectSong,
                            main.ClearSelectSong};
    const auto artistItems = {main.SelectAllArtist, main.InvertSelectArtist,
                              main.ClearSelectArtist};
    EXPECT_THAT(enabled(artistItems), ElementsAre(true, true, true)); // until a menu opens
    RightClickCell(main.ArtistList, 1, 1);
    RightClickCell(main.AdvStringGridSong, 1, 1);
    EXPECT_THAT(enabled(artistItems), ElementsAre(false, false, false));
    EXPECT_THAT(enabled(songItems), ElementsAre(false, false, false, false));
    EXPECT_TRUE(main.SelectAllAlbum->isEnabled()); // its menu has not opened

    AttachIPod('e', "pod", Catalogue());
    main.WndProc(platform::WM_DEVICECHANGE, platform::DBT_DEVICEARRIVAL, 0);
    ASSERT_TRUE(main.PodReady);
    EXPECT_THAT(enabled(artistItems), ElementsAre(false, false, false));
    RightClickCell(main.ArtistList, 1, 1);
    EXPECT_THAT(enabled(artistItems), ElementsAre(true, true, true));

    // During a copy the song menu closes down, and so does Ctrl+A until the menu opens again.
    main.Copying = true;
    RightClickCell(main.AdvStringGridSong, 1, 0);
    RightClickCell(main.FileTypeList, 1, 0);
    EXPECT_THAT(enabled(songItems), ElementsAre(false, false, false, false));
    EXPECT_TRUE(main.SelectAllFileType->isEnabled());
    main.Copying = false;
    QTest::keyClick(main.AdvStringGridSong, Qt::Key_A, Qt::ControlModifier);
    EXPECT_THAT(Marks(main.AdvStringGridSong), IsEmpty());
    RightClickCell(main.AdvStringGridSong, 1, 0);
    EXPECT_THAT(enabled(songItems), ElementsAre(true, true, true, true));
    QTest::keyClick(main.AdvStringGridSong, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(main.StatusText(), "5 files Selected");
}

// ---- Playback ----

TEST_F(BrowserTest, ADoubleClickPlaysTheSongOfItsRowWhateverItsTitle) {
    TFormMain& main = StartWithCatalogue(true);
    TITunesStringGrid* songs = main.AdvStringGridSong;
    const auto played = [&](int row) {
        ui_.shell.calls.clear();
        DoubleClickCell(songs, 1, row);
        Texts files;
        for (const auto& call : ui_.shell.calls) {
            EXPECT_EQ(call.verb, "open");
            files.push_back(call.file);
        }
        return files;
    };
    EXPECT_THAT(played(1), ElementsAre("e:\\iPod_Control\\Music\\F00\\A.mp3"));
    EXPECT_THAT(played(3), ElementsAre("e:\\iPod_Control\\Music\\F00\\C.mp3"));

    // Sorted by title the two rows of Intro swap places and keep their songs.
    QTest::mouseClick(songs->viewport(), Qt::LeftButton, {}, CellCenter(songs, 1, 0));
    ASSERT_THAT(Titles(),
                ElementsAre("INTRO", "Intro", "Lonely Road", "Morning Song", "Night Drive"));
    EXPECT_THAT(played(1), ElementsAre("e:\\iPod_Control\\Music\\F00\\C.mp3"));
    EXPECT_THAT(played(2), ElementsAre("e:\\iPod_Control\\Music\\F00\\A.mp3"));

    // The empty row a search without result leaves has no song: the drive itself opens.
    Search("no such song");
    EXPECT_THAT(played(1), ElementsAre("e:"));
    EXPECT_THAT(played(0), IsEmpty()); // the header
}

TEST_F(BrowserTest, WithPlayingOffADoubleClickOnlyMarks) {
    TFormMain& main = StartWithCatalogue(false);
    DoubleClickCell(main.AdvStringGridSong, 1, 2);
    EXPECT_THAT(ui_.shell.calls, IsEmpty());
    EXPECT_THAT(Marks(main.AdvStringGridSong), ElementsAre(2));
    EXPECT_EQ(main.StatusText(), "1 file Selected");
}

} // namespace
