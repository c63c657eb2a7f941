#include "app/FrmMain.h"

#include "app/FrmOption.h"
#include "app/FrmReport.h"
#include "app/component/CloseUpComboBox.h"
#include "app/component/ITunesStringGrid.h"
#include "app/component/SkinBitmaps.h"
#include "app/component/SkinnedWindow.h"
#include "app/component/XP_ProgressBar_Itunes.h"
#include "app/layout_file.h"
#include "app/product_addresses.h"
#include "platform/registry.h"
#include "platform/ui/design_fonts.h"
#include "tests/support/main_window_fixture.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <gmock/gmock.h>
#include <memory>
#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testsupport::MainWindowFixture;


// Notes the order in which watched widgets are painted.
class PaintRecorder : public QObject {
public:
    std::vector<QObject*> painted;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted.push_back(watched);
        return false;
    }
};

class MainWindowSkinTest : public MainWindowFixture {
protected:
    void SetUp() override {
        InstallSettings(false, true);
        std::vector<itunesdb::SongFields> songs;
        for (int i = 0; i < 30; ++i) {
            const std::u16string n = u"Song " + std::u16string(1, static_cast<char16_t>(u'A' + i));
            songs.push_back(SongOf(n, i % 2 ? u"Night Drive" : u"Late Set",
                                   i % 3 ? u"Harbor Lights" : u"Dora Blue Trio",
                                   u":iPod_Control:Music:F00:S" +
                                       std::u16string(1, static_cast<char16_t>(u'A' + i)) +
                                       u".mp3"));
        }
        AttachIPod('e', "IPOD", songs);
        main = &Start();
        SkinnedWindow::SetMoveStarter([this](QWidget& window) {
            moves.push_back(&window);
            return true;
        });
    }

    void TearDown() override {
        SkinnedWindow::SetMoveStarter(nullptr);
        MainWindowFixture::TearDown();
    }

    // A mouse move delivered to `widget` as the window system delivers it: event filters first,
    // then up through the parents while nobody takes it.
    static void MoveOver(QWidget* widget, QPoint at, Qt::MouseButtons held) {
        QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(widget->mapToGlobal(at)),
                         Qt::NoButton, held, Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    }

    // What a table shows and holds: texts, marks, widths and the first row in view.
    static std::string Snapshot(TITunesStringGrid* grid) {
        std::string text = std::to_string(grid->RowCount()) + "|" + std::to_string(grid->TopRow()) +
                           "|" + std::to_string(grid->MarkedRowCount()) + "|";
        for (int col = 0; col < grid->ColCount(); ++col)
            text += std::to_string(grid->ColWidths(col)) + ",";
        for (int row = 0; row < grid->RowCount(); ++row) {
            text += grid->IsRowMarked(row) ? "\n*" : "\n ";
            for (int col = 0; col < grid->ColCount(); ++col)
                text += grid->GetCell(col, row) + "\t";
        }
        return text;
    }

    TFormMain* main = nullptr;
    std::vector<QWidget*> moves;
};

TEST_F(MainWindowSkinTest, IsABorderlessGreyWindowWithTheRoundedRegion) {
    EXPECT_TRUE(main->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(main->size(), QSize(704, 499));
    EXPECT_EQ(main->palette().color(QPalette::Window), QColor(224, 224, 224));
    const QRegion region = main->mask();
    EXPECT_EQ(region, SkinnedWindow::RoundRectRegion(704, 499, 6, 6));
    // The corners are cut, the edges kept; the region stops short of the last column and row.
    EXPECT_FALSE(region.contains(QPoint(0, 0)));
    EXPECT_FALSE(region.contains(QPoint(702, 498)));
    EXPECT_TRUE(region.contains(QPoint(0, 249)));
    EXPECT_TRUE(region.contains(QPoint(702, 249)));
    EXPECT_FALSE(region.contains(QPoint(703, 249)));
    EXPECT_TRUE(region.contains(QPoint(351, 0)));
}

TEST_F(MainWindowSkinTest, EveryWindowCarriesTheApplicationIconAsDrawnForTheDesktop) {
    TFormOption options(*main);
    TFormReport report(*main);
    const std::string theme = QUILLMERE_ICON_FOLDER "/hicolor/";
    for (QWidget* window : std::vector<QWidget*>{main, &options, &report}) {
        SCOPED_TRACE(window->metaObject()->className());
        const QIcon icon = window->windowIcon();
        for (const int size : {16, 32, 48, 64, 128, 256}) {
            // The very picture installed into the desktop's icon theme, at each of its sizes.
            const std::string sized = std::to_string(size) + "x" + std::to_string(size);
            const QImage installed(QString::fromStdString(theme + sized + "/apps/" +
                                                          QUILLMERE_APP_ID ".png"));
            ASSERT_FALSE(installed.isNull()) << sized;
            EXPECT_EQ(icon.pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32),
                      installed.convertToFormat(QImage::Format_ARGB32))
                << sized;
        }
    }
}

TEST_F(MainWindowSkinTest, FramePiecesSitAtTheirPlacesWithTheirBitmaps) {
    struct Piece {
        TSunImage* image;
        const char* name;
        QRect place;
        const char* bitmap;
        bool stretched;
    };
    const std::vector<Piece> pieces = {
        {main->SunImage3, "SunImage3", {0, 0, 6, 78}, "FRAME_TOPLEFT", false},
        {main->SunImage1, "SunImage1", {6, 0, 213, 78}, "FRAME_TOP", true},
        {main->SunImage8, "SunImage8", {219, 0, 6, 78}, "DISPLAY_LEFT", false},
        {main->SunImage6, "SunImage6", {225, 0, 253, 78}, "DISPLAY_MIDDLE", true},
        {main->SunImage7, "SunImage7", {478, 0, 6, 78}, "DISPLAY_RIGHT", false},
        {main->SunImage5, "SunImage5", {484, 0, 213, 78}, "FRAME_TOP", true},
        {main->SunImage4, "SunImage4", {697, 0, 6, 78}, "FRAME_TOPRIGHT", false},
        {main->SunImage9, "SunImage9", {0, 78, 3, 387}, "FRAME_LEFT", true},
        {main->SunImage10, "SunImage10", {700, 78, 3, 387}, "FRAME_RIGHT", true},
        {main->ImageB1, "ImageB1", {0, 465, 6, 33}, "FRAME_BOTTOMLEFT", false},
        {main->ImageB2, "ImageB2", {6, 465, 691, 33}, "FRAME_BOTTOM", true},
        {main->ImageB3, "ImageB3", {697, 465, 6, 33}, "FRAME_BOTTOMRIGHT", false},
        {main->Image1, "Image1", {40, 465, 185, 32}, "PRODUCT_NAME", false},
        {main->Image2, "Image2", {496, 465, 171, 32}, "HOME_PAGE", false},
        // The picture frames and words, as laid out once the window is shown.
        {main->iPodSelector, "iPodSelector", {55, 36, 130, 24}, "SELECTOR_FRAME", false},
        {main->SearchBox, "SearchBox", {526, 36, 130, 26}, "SEARCH_FRAME", false},
        {main->Image3, "Image3", {104, 61, 22, 17}, "WORD_IPOD", false},
        {main->Image4, "Image4", {569, 61, 38, 17}, "WORD_SEARCH", false},
    };
    for (const Piece& piece : pieces) {
        SCOPED_TRACE(piece.name);
        ASSERT_NE(piece.image, nullptr);
        EXPECT_EQ(piece.image->objectName(), piece.name);
        EXPECT_EQ(piece.image->geometry(), piece.place);
        EXPECT_EQ(piece.image->Stretch(), piece.stretched);
        const QImage bitmap = SkinBitmap(piece.bitmap);
        ASSERT_FALSE(bitmap.isNull());
        EXPECT_EQ(piece.image->Picture(), bitmap);
        // Pictures drawn at their own size are made at the size of their place.
        if (!piece.stretched) {
            EXPECT_EQ(bitmap.size(), piece.place.size());
        }
        EXPECT_TRUE(piece.image->isVisible());
    }
    // The frame is the bottom layer: the controls on it take the mouse.
    for (QWidget* control : std::initializer_list<QWidget*>{
             main->Notifier, main->ProgressBarItunes, main->iPodSelectorCom, main->Edit1,
             main->XP_ButtonSmall2, main->ButtonCopy, main->Image3})
        EXPECT_EQ(main->childAt(control->geometry().center()), control)
            << control->metaObject()->className();
}

TEST_F(MainWindowSkinTest, ListAndSearchFieldLieInsideTheirPictureFrames) {
    EXPECT_EQ(main->iPodSelectorCom->geometry(), QRect(57, 38, 126, 21));
    EXPECT_TRUE(main->iPodSelector->geometry().contains(main->iPodSelectorCom->geometry()));
    EXPECT_EQ(main->Edit1->geometry(), QRect(550, 44, 93, 14));
    EXPECT_TRUE(main->SearchBox->geometry().contains(main->Edit1->geometry()));
    // Neither draws a face of its own: where they show no text, their frame's field shows.
    const QImage window = main->grab().toImage();
    const auto frameShowsThrough = [&](QWidget* control, QPoint inControl, TSunImage* frame) {
        const QPoint inWindow = control->mapTo(main, inControl);
        const QPoint inFrame = inWindow - frame->pos();
        return window.pixel(inWindow) == frame->Picture().pixel(inFrame);
    };
    EXPECT_TRUE(frameShowsThrough(main->iPodSelectorCom, {100, 2}, main->iPodSelector));
    EXPECT_TRUE(frameShowsThrough(main->iPodSelectorCom, {100, 18}, main->iPodSelector));
    EXPECT_TRUE(frameShowsThrough(main->Edit1, {80, 1}, main->SearchBox));
    EXPECT_TRUE(frameShowsThrough(main->Edit1, {3, 12}, main->SearchBox));
    // The status line and the bar sit on the recessed display.
    const QRect display(219, 0, 6 + 253 + 6, 78);
    EXPECT_EQ(main->Notifier->geometry(), QRect(233, 32, 232, 17));
    EXPECT_TRUE(display.contains(main->Notifier->geometry()));
    EXPECT_EQ(main->ProgressBarItunes->geometry(), QRect(240, 54, 225, 11));
    EXPECT_TRUE(display.contains(main->ProgressBarItunes->geometry()));
}

TEST_F(MainWindowSkinTest, PushAndTitleBarButtonsAreSkinnedInTheDialogFont) {
    const std::vector<std::pair<TXP_Button*, QString>> pushButtons = {
        {main->XP_Button5, "WebSite"}, {main->XP_Button3, "Options"}, {main->ButtonCopy, "Copy"}};
    int left = 384;
    for (const auto& [button, caption] : pushButtons) {
        EXPECT_EQ(button->geometry(), QRect(left, 429, 89, 27));
        EXPECT_EQ(button->text(), caption);
        EXPECT_EQ(button->FaceStrip().size(), QSize(90, 27));
        left += 104;
    }
    const std::vector<std::tuple<TXP_ButtonSmall*, const char*, QString>> titleButtons = {
        {main->XP_ButtonSmall1, "GLYPH_MINIMIZE", "Minimize"},
        {main->XP_ButtonSmall3, "GLYPH_CLOSE", "Close"},
        {main->XP_ButtonSmall2, "GLYPH_HELP", QString::fromStdString(HomePageAddress())}};
    left = 616;
    for (const auto& [button, picture, hint] : titleButtons) {
        EXPECT_EQ(button->geometry(), QRect(left, 10, 18, 18));
        EXPECT_EQ(button->Picture().size(), QSize(10, 10));
        EXPECT_EQ(button->Picture().pixel(0, 0), qRgba(0, 0, 0, 0)) << picture;
        EXPECT_EQ(button->Hint(), hint);
        EXPECT_TRUE(button->toolTip().isEmpty());
        left += 24;
    }
    const QString dialogFamily = platform::ui::DialogFont().family();
    for (QWidget* widget : std::initializer_list<QWidget*>{main->Notifier, main->ButtonCopy,
                                                           main->XP_Button5, main->Edit1})
        EXPECT_EQ(widget->font().family(), dialogFamily) << widget->metaObject()->className();
    EXPECT_EQ(main->AdvStringGridSong->font().family(), platform::ui::TableFont().family());
}

TEST_F(MainWindowSkinTest, FrameDragsOnlyWithTheLeftButtonHeld) {
    struct Place {
        const char* what;
        QWidget* widget;
        QPoint at;
    };
    const std::vector<Place> dragging = {
        {"top-left corner", main->SunImage3, {3, 40}},
        {"top band", main->SunImage1, {100, 10}},
        {"display left end", main->SunImage8, {2, 5}},
        {"display", main->SunImage6, {120, 74}},
        {"display right end", main->SunImage7, {2, 5}},
        {"right top band", main->SunImage5, {60, 70}},
        {"top-right corner", main->SunImage4, {3, 40}},
        {"left edge", main->SunImage9, {1, 100}},
        {"right edge", main->SunImage10, {1, 100}},
        {"bottom-left corner", main->ImageB1, {3, 10}},
        {"bottom band", main->ImageB2, {300, 10}},
        {"bottom-right corner", main->ImageB3, {3, 10}},
        {"product name", main->Image1, {20, 10}},
        {"home-page picture", main->Image2, {20, 10}},
        {"selector frame", main->iPodSelector, {1, 1}},
        {"search frame", main->SearchBox, {8, 12}},
        {"word iPod", main->Image3, {5, 5}},
        {"word Search", main->Image4, {5, 5}},
        {"progress bar", main->ProgressBarItunes, {100, 5}},
        {"status line", main->Notifier, {100, 8}},
        {"background", main, {12, 300}},
    };
    for (const Place& place : dragging) {
        moves.clear();
        MoveOver(place.widget, place.at, Qt::NoButton);
        MoveOver(place.widget, place.at, Qt::RightButton);
        EXPECT_TRUE(moves.empty()) << place.what << ": no left button, no move";
        MoveOver(place.widget, place.at, Qt::LeftButton);
        EXPECT_THAT(moves, ElementsAre(main)) << place.what;
    }

    const std::vector<Place> staying = {
        {"song table", main->AdvStringGridSong->viewport(), {100, 40}},
        {"artist pane", main->ArtistList->viewport(), {50, 30}},
        {"push button", main->ButtonCopy, {40, 14}},
        {"title-bar button", main->XP_ButtonSmall3, {9, 9}},
        {"search field", main->Edit1, {20, 7}},
        {"iPod list", main->iPodSelectorCom, {40, 10}},
    };
    for (const Place& place : staying) {
        moves.clear();
        MoveOver(place.widget, place.at, Qt::LeftButton);
        EXPECT_TRUE(moves.empty()) << place.what;
    }
}

TEST_F(MainWindowSkinTest, TablesAreRedrawnAfterADragWithEverythingKept) {
    std::vector<TITunesStringGrid*> tables = {main->AdvStringGridSong, main->AlbumList,
                                              main->ArtistList, main->FileTypeList};
    ASSERT_GT(main->AdvStringGridSong->RowCount(), 20);
    ClickCell(main->AdvStringGridSong, 1, 3);
    ClickCell(main->AdvStringGridSong, 1, 6, Qt::ControlModifier);
    main->AdvStringGridSong->SetColWidths(2, 133);
    main->AdvStringGridSong->Refresh();
    main->AdvStringGridSong->verticalScrollBar()->setValue(5);
    main->ArtistList->SetRowMarked(2, true);
    main->AlbumList->SetRowMarked(1, true);
    main->AlbumList->SetRowMarked(3, true);
    QApplication::processEvents();

    std::vector<std::string> before;
    for (TITunesStringGrid* table : tables)
        before.push_back(Snapshot(table));
    ASSERT_GT(main->AdvStringGridSong->TopRow(), 1);

    PaintRecorder recorder;
    for (TITunesStringGrid* table : tables)
        table->viewport()->installEventFilter(&recorder);
    MoveOver(main->SunImage1, {50, 20}, Qt::LeftButton);
    for (TITunesStringGrid* table : tables)
        table->viewport()->removeEventFilter(&recorder);

    ASSERT_THAT(moves, ElementsAre(main));
    // Redrawn at once, in the order song table, albums, artists, file types.
    EXPECT_THAT(recorder.painted,
                ElementsAre(main->AdvStringGridSong->viewport(), main->AlbumList->viewport(),
                            main->ArtistList->viewport(), main->FileTypeList->viewport()));
    for (std::size_t i = 0; i < tables.size(); ++i)
        EXPECT_EQ(Snapshot(tables[i]), before[i]) << "table " << i;
}

TEST_F(MainWindowSkinTest, MinimiseTakesTheWholeApplicationDown) {
    TFormOption options(*main);
    options.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&options));
    QTest::mouseClick(main->XP_ButtonSmall1, Qt::LeftButton);
    EXPECT_TRUE(main->isMinimized());
    EXPECT_TRUE(options.isMinimized());
    EXPECT_TRUE(main->isVisible()) << "minimised, not closed";
    options.close();
}

TEST_F(MainWindowSkinTest, HelpAndWebSiteOpenTheirPagesOwnedByTheMainWindow) {
    QTest::mouseClick(main->XP_ButtonSmall2, Qt::LeftButton);
    QTest::mouseClick(main->XP_Button5, Qt::LeftButton);
    main->XP_Button5->setFocus();
    QTest::keyClick(main->XP_Button5, Qt::Key_Space);
    const std::string pages[] = {SupportPageAddress(), HomePageAddress(), HomePageAddress()};
    ASSERT_EQ(ui_.shell.calls.size(), std::size(pages));
    for (std::size_t i = 0; i < std::size(pages); ++i) {
        EXPECT_EQ(ui_.shell.calls[i].owner, main) << i;
        EXPECT_EQ(ui_.shell.calls[i].verb, "") << i;
        EXPECT_EQ(ui_.shell.calls[i].file, pages[i]) << i;
    }
    EXPECT_TRUE(main->isVisible());
}

TEST_F(MainWindowSkinTest, CloseWhileIdleClosesAndSavesLayoutAndSettings) {
    main->FileTypeList->hide();
    main->AdvStringGridSong->SetColWidths(4, 0);
    main->SetPlayOnDoubleClick(true);
    QTest::mouseClick(main->XP_ButtonSmall3, Qt::LeftButton);
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(ui_.boxes.shown.empty()) << "nothing to ask while no job runs";

    const TWindowLayout saved = TLayoutFile("c:\\app").Read();
    EXPECT_FALSE(saved.FileTypeList);
    EXPECT_TRUE(saved.AlbumList);
    ASSERT_GT(saved.ColumnWidths.size(), 4u);
    EXPECT_EQ(saved.ColumnWidths[4], "0");
    EXPECT_EQ(
        platform::CurrentUser().QueryValue("Software\\Quillmere", "DBClickPlaySong")->AsDword(),
        1u);
}

} // namespace
