#pragma once

#include <QImage>

// The pictures of the skinned windows, each at the size its place in a window needs. Pictures
// that sit on a frame band are painted on that band's own rows, so that they blend into it.
// Text is drawn with a Debian font, so a QGuiApplication must exist.

// Frame: corners, bands and edges.
QImage FrameTopLeft();     // 6 x 78
QImage FrameTop();         // 1 x 78
QImage FrameTopRight();    // 6 x 78
QImage FrameLeft();        // 3 x 65
QImage FrameRight();       // 3 x 65
QImage FrameBottomLeft();  // 6 x 33
QImage FrameBottom();      // 2 x 33
QImage FrameBottomRight(); // 6 x 33

// The main window's recessed status display in its top band.
QImage DisplayLeft();   // 6 x 78
QImage DisplayMiddle(); // 2 x 78
QImage DisplayRight();  // 6 x 78

// Words and names.
QImage ProductName();  // 185 x 32, on the bottom band
QImage ProductTitle(); // 239 x 22, red, on the top band at row 30
QImage HomePage();     // 171 x 32, on the bottom band
QImage WordIPod();     // 22 x 17, on the top band at row 61
QImage WordSearch();   // 38 x 17, on the top band at row 61

// Fields and the table header.
QImage GridHeader();    // 9 x 15
QImage SelectorFrame(); // 130 x 24, on the top band at row 36
QImage SearchFrame();   // 130 x 26, on the top band at row 36

// Button faces (five frames: normal, pressed, disabled, under the mouse, focused) and the
// title-bar buttons' pictures (pure red is transparent).
QImage ButtonFaces();      // 90 x 27
QImage SmallButtonFaces(); // 80 x 16
QImage MinimizePicture();  // 10 x 10
QImage ClosePicture();     // 10 x 10
QImage HelpPicture();      // 10 x 10

// The application's icon (see application_icon.cpp): a square of `size` pixels with a
// transparent surround, and the same drawing as a scalable SVG document.
QImage ApplicationIcon(int size);
QByteArray ApplicationIconSvg();
