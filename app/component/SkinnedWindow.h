#pragma once

#include <QIcon>
#include <QObject>
#include <QRegion>
#include <functional>
#include <string>

class QMouseEvent;
class QWidget;
class TSunImage;
class TXP_ButtonSmall;

// One frame piece of a skinned window: a picture at its design place (window coordinates).
struct SkinPiece {
    const char* name; // the control's name, given to it as object name
    int left;
    int top;
    int width;
    int height;
    const char* bitmap; // skin resource name
    bool stretched;     // scaled to the piece, else drawn at its own size
};

// What the borderless windows share: no system frame, the application's icon, the grey
// background, the frame pieces, the rounded outline, dragging by the frame, minimising the whole
// application and handing web addresses to the shell. Owned by its window (a child QObject).
class SkinnedWindow : public QObject {
    Q_OBJECT

public:
    static constexpr int CornerEllipse = 6;

    // Makes the window frameless (keeping its kind: window or dialog) with the skin's
    // background, and binds its own background for dragging.
    explicit SkinnedWindow(QWidget& window);

    // The window's drag handler: runs for every mouse move over its background and over each
    // bound piece, a button held or not. Whether to move is the handler's choice.
    std::function<void(QMouseEvent*)> OnDragMouseMove;

    TSunImage* PlacePiece(const SkinPiece& piece);

    // The title-bar buttons minimise, close and help, at top 10 and 24 pixels apart from
    // `minimizeLeft`; the help button's hint is the address it stands for.
    struct TitleButtons {
        TXP_ButtonSmall* minimize;
        TXP_ButtonSmall* close;
        TXP_ButtonSmall* help;
    };
    TitleButtons PlaceTitleButtons(int minimizeLeft, const QString& helpHint);
    void BindDrag(QWidget* piece);

    // The move command: releases the mouse grab and starts the window system's interactive
    // move. False when the window system did not take it.
    bool MoveWindow();

    // Cuts the corners as a round-rectangle region of the window's current size would.
    void SetRoundedRegion();

    // The pixels of a round-rectangle region from (0, 0) to (width, height): like the system's,
    // it stops one pixel short of the right and bottom coordinates, and each corner follows the
    // digital outline of an ellipse of ellipseWidth x ellipseHeight.
    static QRegion RoundRectRegion(int width, int height, int ellipseWidth, int ellipseHeight);

    // The application's icon, at every size it was drawn; each skinned window carries it in
    // its title bar and task switcher entry.
    static QIcon ApplicationIcon();

    // Minimises every shown top-level window of the application.
    static void MinimizeApplication();

    // Hands a web address to the shell with no verb (the browser, normally); the result is not
    // examined.
    static void OpenAddress(QWidget* owner, const std::string& address);

    // How the interactive move is started; tests install their own to see the move commands.
    // An empty function restores the window system's.
    using MoveStarter = std::function<bool(QWidget& window)>;
    static void SetMoveStarter(MoveStarter starter);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
};
