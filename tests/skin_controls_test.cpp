#include "app/component/SkinBitmaps.h"
#include "app/component/SkinnedWindow.h"
#include "app/component/StretchSkinBitmap.h"
#include "app/component/SunCheckListBox.h"
#include "app/component/SunImage.h"
#include "app/component/XP_Button.h"
#include "app/component/XP_ButtonSmall.h"
#include "app/component/XP_GroupBox.h"
#include "platform/ui/shell.h"

#include <QApplication>
#include <QCheckBox>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

QImage Render(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QImage Rgb32(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGB32);
}

// Frame `index` (1 to 5) of a face strip, fitted to `size` as the buttons fit it.
QImage FittedFrame(const QImage& strip, int index, QSize size) {
    const int width = strip.width() / 5;
    return Rgb32(
        StretchedSkinImage(strip.copy((index - 1) * width, 0, width, strip.height()), size));
}

void ShowAndActivate(QWidget& window) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

// ---- Push buttons ----

// A window with a captionless button (so that its whole face can be compared) and a second
// button to take the focus away.
class ButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(300, 120);
        button.setGeometry(10, 10, 89, 28);
        other.setGeometry(150, 70, 89, 28);
        QObject::connect(&button, &TXP_Button::clicked, [this] { ++clicks; });
        ShowAndActivate(window);
        other.setFocus();
        QTest::mouseMove(&window, QPoint(280, 110));
    }

    QImage Face(int index) const { return FittedFrame(button.FaceStrip(), index, button.size()); }
    void ExpectFace(int index) {
        EXPECT_EQ(button.FaceFrame(), index);
        EXPECT_EQ(Render(button), Face(index)) << "frame " << index;
    }

    QWidget window;
    TXP_Button button{&window};
    TXP_Button other{"Other", &window};
    int clicks = 0;
};

TEST_F(ButtonTest, ShowsTheFrameOfItsState) {
    const QPoint over(40, 14);
    const QPoint away(280, 110);
    struct Case {
        const char* name;
        std::function<void()> arrange;
        int frame;
        std::function<void()> undo;
    };
    const auto nothing = []() {};
    const std::vector<Case> cases = {
        {"normal", nothing, TXP_Button::Normal, nothing},
        {"focused", [this] { button.setFocus(); }, TXP_Button::Focused, nothing},
        {"under the mouse", [&] { QTest::mouseMove(&button, over); }, TXP_Button::Hot, nothing},
        {"focused and under the mouse",
         [&] {
             button.setFocus();
             QTest::mouseMove(&button, over);
         },
         TXP_Button::Hot, nothing},
        {"mouse button held", [&] { QTest::mousePress(&button, Qt::LeftButton, {}, over); },
         TXP_Button::Pressed,
         [&] {
             QTest::mouseMove(&window, away);
             QTest::mouseRelease(&window, Qt::LeftButton, {}, away);
         }},
        {"Space held",
         [this] {
             button.setFocus();
             QTest::keyPress(&button, Qt::Key_Space);
         },
         TXP_Button::Pressed, [this] { QTest::keyRelease(&button, Qt::Key_Space); }},
        {"Enter held",
         [this] {
             button.setFocus();
             QTest::keyPress(&button, Qt::Key_Return);
         },
         TXP_Button::Pressed, [this] { QTest::keyRelease(&button, Qt::Key_Return); }},
        {"disabled under the mouse",
         [&] {
             button.setEnabled(false);
             QTest::mouseMove(&button, over);
         },
         TXP_Button::Disabled, [this] { button.setEnabled(true); }},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        test.arrange();
        ExpectFace(test.frame);
        test.undo();
        other.setFocus();
        QTest::mouseMove(&window, away);
        ASSERT_EQ(button.FaceFrame(), TXP_Button::Normal);
    }
}

TEST_F(ButtonTest, FrameFitsTheButtonSize) {
    button.resize(120, 40);
    ExpectFace(TXP_Button::Normal);
    button.resize(60, 20);
    ExpectFace(TXP_Button::Normal);
}

TEST_F(ButtonTest, ClicksWhenEnterOrSpaceIsReleased) {
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
        button.setFocus();
        const int before = clicks;
        QTest::keyPress(&button, key);
        EXPECT_EQ(clicks, before) << "no click while the key is held";
        QTest::keyRelease(&button, key);
        EXPECT_EQ(clicks, before + 1);
        EXPECT_FALSE(button.isDown());
    }
}

TEST_F(ButtonTest, ClicksWhenTheMouseIsReleasedOverIt) {
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(40, 14));
    EXPECT_EQ(clicks, 0);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(40, 14));
    EXPECT_EQ(clicks, 1);

    // Pressed over it, released elsewhere: no click.
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(40, 14));
    QTest::mouseMove(&button, QPoint(200, 80));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(200, 80));
    EXPECT_EQ(clicks, 1);
}

TEST_F(ButtonTest, DisabledButtonIgnoresKeysAndMouse) {
    button.setFocus();
    button.setEnabled(false);
    QTest::keyClick(&button, Qt::Key_Return);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(40, 14));
    EXPECT_EQ(clicks, 0);
}

TEST_F(ButtonTest, CaptionIsCentredOnTheFace) {
    button.setText("Save");
    const QImage face = Face(TXP_Button::Normal);
    const QImage shown = Render(button);
    QRect inked;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (shown.pixel(x, y) != face.pixel(x, y))
                inked |= QRect(x, y, 1, 1);
    ASSERT_FALSE(inked.isEmpty());
    EXPECT_LE(std::abs((inked.left() + inked.right()) - (shown.width() - 1)), 2);
    EXPECT_LE(std::abs((inked.top() + inked.bottom()) - (shown.height() - 1)), 4);
}

// ---- Title-bar buttons ----

TEST(SmallButtonTest, PictureCentredAboveEmptyCaptionWithRedTransparent) {
    QWidget window;
    TXP_ButtonSmall button(&window);
    EXPECT_EQ(button.size(), QSize(18, 18));
    // Red everywhere except two pixels of ink.
    QImage picture(10, 10, QImage::Format_RGB32);
    picture.fill(qRgb(255, 0, 0));
    picture.setPixel(0, 0, qRgb(1, 2, 3));
    picture.setPixel(9, 9, qRgb(4, 5, 6));
    button.SetPicture(picture);
    button.move(0, 0);

    QImage expected = FittedFrame(SkinBitmap("XP_BUTTONSMALL"), 1, QSize(18, 18));
    ASSERT_EQ(SkinBitmap("XP_BUTTONSMALL").size(), QSize(80, 16));
    // 10 x 10 picture, 2 pixels spacing, no caption: left (18 - 10) / 2, top (18 - 12) / 2.
    expected.setPixel(4, 3, qRgb(1, 2, 3));
    expected.setPixel(13, 12, qRgb(4, 5, 6));
    EXPECT_EQ(Render(button), expected);
}

TEST(SmallButtonTest, TitleBarPicturesAreTenByTenOnPureRed) {
    for (const char* name : {"GLYPH_MINIMIZE", "GLYPH_CLOSE", "GLYPH_HELP"}) {
        SCOPED_TRACE(name);
        const QImage picture = SkinBitmap(name);
        ASSERT_EQ(picture.size(), QSize(10, 10));
        int red = 0;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                red += picture.pixel(x, y) == qRgb(255, 0, 0);
        EXPECT_GT(red, 50);
        EXPECT_LT(red, 100);
    }
}

// ---- Group box ----

class GroupBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        box.setGeometry(0, 0, 217, 201);
        box.SetColor(Box);
        box.SetBorderColor(Border);
        box.SetCaptionColor(Qt::black);
        const QFontMetrics metrics(box.font());
        textHeight = metrics.height();
        textWidth = metrics.horizontalAdvance(box.Caption());
    }

    // The darkest channel of any pixel in the caption's band.
    int DarkestInBand(const QImage& image) const {
        int darkest = 255;
        for (int y = 0; y < textHeight; ++y)
            for (int x = 10; x < textWidth + 16; ++x)
                darkest = std::min(darkest, qGreen(image.pixel(x, y)));
        return darkest;
    }

    const QColor Box{224, 224, 224};
    const QColor Border{160, 160, 164};
    TXP_GroupBox box{"Display"};
    int textHeight = 0;
    int textWidth = 0;
};

TEST_F(GroupBoxTest, PaintsBoxBorderAndCaptionBand) {
    const QImage image = Render(box);
    const int borderTop = textHeight / 2;
    struct Point {
        const char* where;
        int x;
        int y;
        QColor colour;
    };
    const std::vector<Point> points = {
        {"above the border", 100, 0, Box},
        {"top edge left of the band", 6, borderTop, Border},
        {"band start, border cleared", 10, borderTop, Box},
        {"band end, border cleared", textWidth + 15, borderTop, Box},
        {"top edge right of the band", textWidth + 16, borderTop, Border},
        {"left edge", 0, 100, Border},
        {"right edge, last column", 216, 100, Border},
        {"bottom edge, last row", 108, 200, Border},
        {"rounded corner cut", 0, borderTop, Box},
        {"rounded bottom corner cut", 216, 200, Box},
        {"inside", 108, 100, Box},
    };
    for (const Point& point : points)
        EXPECT_EQ(QColor(image.pixel(point.x, point.y)), point.colour) << point.where;
    EXPECT_LT(DarkestInBand(image), 60) << "caption drawn in black";
}

TEST_F(GroupBoxTest, DisabledCaptionIsGrey) {
    box.setEnabled(false);
    const QImage image = Render(box);
    EXPECT_EQ(DarkestInBand(image), 128);
    EXPECT_EQ(QColor(image.pixel(0, 100)), Border);
}

TEST(GroupBoxDragTest, MovesHeldFromTheBoxNeverDragTheWindow) {
    QWidget window;
    window.resize(300, 250);
    TXP_GroupBox box("Display", &window);
    box.setGeometry(0, 0, 217, 201);
    SkinnedWindow skin(window);
    int windowMoves = 0;
    skin.OnDragMouseMove = [&](QMouseEvent*) { ++windowMoves; };
    ShowAndActivate(window);

    // Through the window, so that the press grabs the mouse for the box as a real one does.
    QWindow* handle = window.windowHandle();
    QTest::mouseMove(handle, QPoint(280, 230));
    ASSERT_EQ(windowMoves, 1) << "the background drags";
    QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(150, 100));
    QTest::mouseMove(handle, QPoint(280, 230));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(280, 230));
    EXPECT_EQ(windowMoves, 1);
}

// ---- Check list ----

class CheckListTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.setGeometry(0, 0, 105, 145);
        list.OnClickCheck = [this] { checks.push_back(Ticks()); };
        for (const char* text : {"Title", "File Size", "Album"})
            list.AddItem(text);
        list.SetChecked(0, true);
        ShowAndActivate(list);
    }

    std::string Ticks() const {
        std::string ticks;
        for (int i = 0; i < list.count(); ++i)
            ticks += list.Checked(i) ? 'x' : '-';
        return ticks;
    }

    QPoint CheckBoxOf(int index) {
        QStyleOptionViewItem option;
        option.initFrom(list.viewport());
        option.rect = list.visualItemRect(list.item(index));
        option.features =
            QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        option.text = list.item(index)->text();
        return list.style()
            ->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list.viewport())
            .center();
    }

    TSunCheckListBox list;
    std::vector<std::string> checks; // the ticks seen by each OnClickCheck
};

TEST_F(CheckListTest, FillingAndTickingInCodeRunsNoHandler) {
    list.SetChecked(1, true);
    list.SetChecked(1, false);
    list.clear();
    list.AddItem("Genre");
    list.SetChecked(0, true);
    EXPECT_TRUE(checks.empty());
}

TEST_F(CheckListTest, UserTickOrClearRunsHandlerAfterTheChange) {
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, CheckBoxOf(1));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, CheckBoxOf(0));
    list.setCurrentRow(2);
    QTest::keyClick(&list, Qt::Key_Space);
    EXPECT_EQ(checks, (std::vector<std::string>{"xx-", "-x-", "-xx"}));
}

TEST_F(CheckListTest, ClickOnTheTextSelectsWithoutTicking) {
    const QRect row = list.visualItemRect(list.item(1));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      QPoint(row.right() - 5, row.center().y()));
    EXPECT_EQ(list.currentRow(), 1);
    EXPECT_TRUE(checks.empty());
    EXPECT_EQ(Ticks(), "x--");
}

TEST_F(CheckListTest, TicksMadeByTheHandlerAreNotUserClicks) {
    list.OnClickCheck = [this] {
        checks.push_back(Ticks());
        list.SetChecked(2, true);
    };
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, CheckBoxOf(1));
    EXPECT_EQ(checks, (std::vector<std::string>{"xx-"}));
    EXPECT_EQ(Ticks(), "xxx");
}

TEST_F(CheckListTest, FlatEdgeInBorderColourThenOwnColour) {
    list.SetColor(QColor(224, 224, 224));
    list.SetBorderColor(QColor(10, 20, 30));
    const QImage image = Render(list);
    for (const QPoint corner : {QPoint(0, 0), QPoint(104, 0), QPoint(0, 144), QPoint(104, 144),
                                QPoint(50, 0), QPoint(0, 70)})
        EXPECT_EQ(QColor(image.pixel(corner)), QColor(10, 20, 30))
            << corner.x() << "," << corner.y();
    for (const QPoint inner : {QPoint(1, 1), QPoint(103, 143), QPoint(50, 1), QPoint(1, 70)})
        EXPECT_EQ(QColor(image.pixel(inner)), QColor(224, 224, 224))
            << inner.x() << "," << inner.y();
}

// ---- Picture pieces ----

TEST(SunImageTest, DrawsAtOwnSizeOrStretchedNearestNeighbour) {
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.setPixel(0, 0, qRgb(10, 0, 0));
    picture.setPixel(1, 0, qRgb(20, 0, 0));
    picture.setPixel(0, 1, qRgb(30, 0, 0));
    picture.setPixel(1, 1, qRgb(40, 0, 0));
    QWidget window;
    window.setAutoFillBackground(true);
    QPalette colours = window.palette();
    colours.setColor(QPalette::Window, QColor(224, 224, 224));
    window.setPalette(colours);
    TSunImage piece(&window);
    piece.setGeometry(0, 0, 6, 4);
    piece.SetPicture(picture);

    QImage atOwnSize = Render(window).copy(0, 0, 6, 4);
    EXPECT_EQ(QColor(atOwnSize.pixel(1, 1)), QColor(40, 0, 0));
    EXPECT_EQ(QColor(atOwnSize.pixel(2, 0)), QColor(224, 224, 224));

    piece.SetStretch(true);
    const QImage stretched = Render(window).copy(0, 0, 6, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(stretched.pixel(x, y), picture.pixel(x / 3, y / 2)) << x << "," << y;
}

TEST(SunImageTest, PassesMouseMovesOnWithOrWithoutAButton) {
    QWidget window;
    window.resize(100, 100);
    TSunImage piece(&window);
    piece.setGeometry(0, 0, 50, 50);
    std::vector<Qt::MouseButtons> moves;
    QObject::connect(&piece, &TSunImage::mouseMoved,
                     [&](QMouseEvent* event) { moves.push_back(event->buttons()); });
    ShowAndActivate(window);
    QTest::mouseMove(&piece, QPoint(10, 10));
    QTest::mousePress(&piece, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(&piece, QPoint(20, 20));
    QTest::mouseRelease(&piece, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(moves, (std::vector<Qt::MouseButtons>{Qt::NoButton, Qt::LeftButton}));
}

// ---- Skinned windows ----

TEST(SkinnedWindowTest, RoundedRegionCutsCornersAndStopsShortOfTheFarEdges) {
    const QRegion region = SkinnedWindow::RoundRectRegion(497, 379, 6, 6);
    struct Pixel {
        int x;
        int y;
        bool inside;
    };
    const std::vector<Pixel> pixels = {
        // Top-left corner: two pixels cut in the first row, one in the second.
        {0, 0, false},
        {1, 0, false},
        {2, 0, true},
        {0, 1, false},
        {1, 1, true},
        {0, 2, true},
        // Top-right corner, mirrored; column 496 is outside.
        {495, 2, true},
        {495, 1, false},
        {494, 1, true},
        {494, 0, false},
        {493, 0, true},
        {496, 100, false},
        // Bottom corners: row 377 is the last one inside.
        {0, 375, true},
        {0, 376, false},
        {1, 376, true},
        {1, 377, false},
        {2, 377, true},
        {495, 376, false},
        {494, 377, false},
        {493, 377, true},
        {100, 378, false},
        {248, 189, true}};
    for (const Pixel& pixel : pixels)
        EXPECT_EQ(region.contains(QPoint(pixel.x, pixel.y)), pixel.inside)
            << pixel.x << "," << pixel.y;
}

TEST(SkinnedWindowTest, RoundedRegionOfTinySizes) {
    EXPECT_TRUE(SkinnedWindow::RoundRectRegion(1, 1, 6, 6).isEmpty());
    EXPECT_EQ(SkinnedWindow::RoundRectRegion(3, 3, 1, 1), QRegion(0, 0, 2, 2));
    const QRegion narrow = SkinnedWindow::RoundRectRegion(4, 40, 6, 6);
    EXPECT_TRUE(narrow.contains(QPoint(1, 20)));
    EXPECT_FALSE(narrow.contains(QPoint(3, 20)));
}

TEST(SkinnedWindowTest, WindowIsFramelessGreyAndMasked) {
    QWidget window;
    window.resize(433, 288);
    SkinnedWindow skin(window);
    skin.SetRoundedRegion();
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(window.palette().color(QPalette::Window), QColor(224, 224, 224));
    EXPECT_EQ(window.mask(), SkinnedWindow::RoundRectRegion(433, 288, 6, 6));
}

TEST(SkinnedWindowTest, DragHandlerSeesBackgroundAndBoundPiecesOnly) {
    QWidget window;
    window.resize(300, 200);
    SkinnedWindow skin(window);
    const SkinPiece top{"SunImage1", 0, 0, 300, 40, "FRAME_TOP", true};
    TSunImage* band = skin.PlacePiece(top);
    skin.BindDrag(band);
    TXP_Button button("Save", &window);
    button.setGeometry(100, 100, 89, 28);
    TSunImage unbound(&window);
    unbound.setGeometry(0, 160, 50, 20);
    std::vector<std::string> moves;
    skin.OnDragMouseMove = [&](QMouseEvent* event) {
        moves.push_back(event->buttons() == Qt::NoButton ? "free" : "held");
    };
    ShowAndActivate(window);
    EXPECT_EQ(band->objectName(), "SunImage1");
    EXPECT_EQ(band->geometry(), QRect(0, 0, 300, 40));
    EXPECT_TRUE(band->Stretch());

    QTest::mouseMove(band, QPoint(10, 10));     // bound piece
    QTest::mouseMove(&window, QPoint(250, 80)); // background
    QTest::mouseMove(&button, QPoint(20, 10));  // a button does not drag
    QTest::mouseMove(&unbound, QPoint(10, 10)); // nor a piece that was not bound
    QTest::mousePress(band, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseMove(band, QPoint(30, 20));
    QTest::mouseRelease(band, Qt::LeftButton, {}, QPoint(30, 20));
    EXPECT_EQ(moves, (std::vector<std::string>{"free", "free", "held"}));
}

TEST(SkinnedWindowTest, MoveCommandGoesToTheWindowSystemStarter) {
    QWidget window;
    SkinnedWindow skin(window);
    std::vector<QWidget*> started;
    SkinnedWindow::SetMoveStarter([&](QWidget& which) {
        started.push_back(&which);
        return true;
    });
    EXPECT_TRUE(skin.MoveWindow());
    SkinnedWindow::SetMoveStarter(nullptr);
    EXPECT_EQ(started, std::vector<QWidget*>{&window});
    // The window system's own: with no button held there is nothing to follow.
    EXPECT_FALSE(skin.MoveWindow());
}

TEST(SkinnedWindowTest, MinimiseMinimisesEveryShownWindowOnly) {
    QWidget first;
    QWidget second;
    QWidget hidden;
    first.show();
    second.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&second));
    SkinnedWindow::MinimizeApplication();
    EXPECT_TRUE(first.isMinimized());
    EXPECT_TRUE(second.isMinimized());
    EXPECT_FALSE(hidden.isVisible());
}

class RecordingShell : public platform::ui::ShellService {
public:
    struct Call {
        QWidget* owner;
        std::string verb;
        std::string file;
    };
    bool ShellExecute(QWidget* owner, const std::string& verb, const std::string& file) override {
        calls.push_back({owner, verb, file});
        return true;
    }
    std::vector<Call> calls;
};

TEST(SkinnedWindowTest, AddressGoesToTheShellWithNoVerb) {
    RecordingShell shell;
    platform::ui::SetShell(&shell);
    QWidget owner;
    SkinnedWindow::OpenAddress(&owner, "file:///usr/share/doc/quillmere/guide.html#help");
    platform::ui::SetShell(nullptr);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].owner, &owner);
    EXPECT_EQ(shell.calls[0].verb, "");
    EXPECT_EQ(shell.calls[0].file, "file:///usr/share/doc/quillmere/guide.html#help");
}

} // namespace
