#include "app/component/SkinnedWindow.h"

#include "app/component/SkinBitmaps.h"
#include "app/component/SunImage.h"
#include "app/component/XP_ButtonSmall.h"
#include "platform/ui/shell.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDirIterator>
#include <QGuiApplication>
#include <QIcon>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <utility>

namespace {

const QColor SkinBackground(224, 224, 224);

// Notes whether the window system has been asked to move a window since the last mouse button
// went down; any press or release starts afresh.
class PressWatcher : public QObject {
public:
    bool moveRequested = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease)
            moveRequested = false;
        return false;
    }
};

PressWatcher& Presses() {
    static PressWatcher* watcher = [] {
        auto* created = new PressWatcher;
        created->setParent(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(created);
        return created;
    }();
    return *watcher;
}

// The system's move follows the pointer only while a button is held and ends at once without
// one; window managers that are asked to move with no button held would instead keep the window
// on the pointer until the next click, so such a request is not passed on. Nor is a second
// request for the same press: the move already running takes the pointer, and a window manager
// asked again loses the button's release and leaves the window stuck to the pointer.
bool StartSystemMove(QWidget& window) {
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    QWindow* handle = window.windowHandle();
    PressWatcher& presses = Presses();
    if (handle == nullptr || QGuiApplication::mouseButtons() == Qt::NoButton ||
        presses.moveRequested)
        return false;
    presses.moveRequested = handle->startSystemMove();
    return presses.moveRequested;
}

SkinnedWindow::MoveStarter& CurrentMoveStarter() {
    static SkinnedWindow::MoveStarter starter = StartSystemMove;
    return starter;
}

// Columns cut off the corner in the row `row` pixels from the top or bottom edge (row < b):
// the scan line of the midpoint outline of an ellipse with semi-axes a and b, taken at the
// height b - row from its centre, with the outline's outermost point on that line kept inside.
int CornerInset(int a, int b, int row) {
    const int y = b - row;
    const auto outlineX = [&](int atY) {
        const double ratio = static_cast<double>(atY) / b;
        return static_cast<int>(std::lround(a * std::sqrt(std::max(0.0, 1.0 - ratio * ratio))));
    };
    const auto outlineY = [&](int atX) {
        const double ratio = static_cast<double>(atX) / a;
        return static_cast<int>(std::lround(b * std::sqrt(std::max(0.0, 1.0 - ratio * ratio))));
    };
    int halfWidth = outlineX(y);
    for (int x = halfWidth + 1; x <= a && outlineY(x) >= y; ++x)
        halfWidth = x;
    return a - halfWidth;
}

} // namespace

SkinnedWindow::SkinnedWindow(QWidget& window) : QObject(&window), window_(window) {
    window.setWindowFlags(window.windowFlags() | Qt::FramelessWindowHint);
    window.setAutoFillBackground(true);
    QPalette colours = window.palette();
    colours.setColor(QPalette::Window, SkinBackground);
    window.setPalette(colours);
    BindDrag(&window);
    window.setWindowIcon(ApplicationIcon());
}

QIcon SkinnedWindow::ApplicationIcon() {
    static const QIcon icon = [] {
        QIcon pictures;
        QDirIterator each(":/icon", {"*.png"}, QDir::Files, QDirIterator::Subdirectories);
        while (each.hasNext())
            pictures.addFile(each.next());
        return pictures;
    }();
    return icon;
}

TSunImage* SkinnedWindow::PlacePiece(const SkinPiece& piece) {
    auto* image = new TSunImage(&window_);
    image->setObjectName(QString::fromLatin1(piece.name));
    image->setGeometry(piece.left, piece.top, piece.width, piece.height);
    image->SetPicture(SkinBitmap(piece.bitmap));
    image->SetStretch(piece.stretched);
    return image;
}

SkinnedWindow::TitleButtons SkinnedWindow::PlaceTitleButtons(int minimizeLeft,
                                                           const QString& helpHint) {
    const auto place = [this](int left, const char* picture, const QString& hint) {
        auto* button = new TXP_ButtonSmall(&window_);
        button->move(left, 10);
        button->SetPicture(SkinBitmap(picture));
        button->SetHint(hint);
        return button;
    };
    return {place(minimizeLeft, "GLYPH_MINIMIZE", "Minimize"),
            place(minimizeLeft + 24, "GLYPH_CLOSE", "Close"),
            place(minimizeLeft + 48, "GLYPH_HELP", helpHint)};
}

void SkinnedWindow::BindDrag(QWidget* piece) {
    piece->setMouseTracking(true);
    piece->installEventFilter(this);
}

bool SkinnedWindow::MoveWindow() {
    return CurrentMoveStarter()(window_);
}

void SkinnedWindow::SetRoundedRegion() {
    window_.setMask(
        RoundRectRegion(window_.width(), window_.height(), CornerEllipse, CornerEllipse));
    window_.update();
}

QRegion SkinnedWindow::RoundRectRegion(int width, int height, int ellipseWidth, int ellipseHeight) {
    const int right = width - 1; // exclusive, as the system's region has it
    const int bottom = height - 1;
    if (right <= 0 || bottom <= 0)
        return QRegion();
    const int cornerWidth = std::min(std::abs(ellipseWidth), right);
    const int cornerHeight = std::min(std::abs(ellipseHeight), bottom);
    if (cornerWidth < 2 || cornerHeight < 2)
        return QRegion(0, 0, right, bottom);

    const int a = cornerWidth / 2;
    const int b = cornerHeight / 2;
    QRegion region(0, b, right, bottom - 2 * b);
    for (int row = 0; row < b; ++row) {
        const int inset = CornerInset(a, b, row);
        region += QRect(inset, row, right - 2 * inset, 1);
        region += QRect(inset, bottom - 1 - row, right - 2 * inset, 1);
    }
    return region;
}

void SkinnedWindow::MinimizeApplication() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        const Qt::WindowType kind = window->windowType();
        if (window->isVisible() && kind != Qt::Popup && kind != Qt::ToolTip)
            window->showMinimized();
    }
}

void SkinnedWindow::OpenAddress(QWidget* owner, const std::string& address) {
    platform::ui::Shell().ShellExecute(owner, "", address);
}

void SkinnedWindow::SetMoveStarter(MoveStarter starter) {
    CurrentMoveStarter() = starter ? std::move(starter) : MoveStarter(StartSystemMove);
}

bool SkinnedWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseMove || !OnDragMouseMove)
        return false;
    auto* move = static_cast<QMouseEvent*>(event);
    // On the window itself only its background drags: a move passed up from a child that
    // did not want it is not the background's.
    if (watched == &window_ && window_.childAt(move->position().toPoint()) != nullptr)
        return false;
    OnDragMouseMove(move);
    return false;
}
