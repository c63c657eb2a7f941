#pragma once

#include <QFont>

namespace platform::ui {

// The windows are drawn for two Windows fonts, Tahoma (tables) and MS Sans Serif (dialogs).
// Debian's fonts-wine ships metric-compatible free versions of both outside the font path;
// this registers them for the process (once; the two fonts below call it). Without them the
// fonts fall back to similar families.
void RegisterDesignFonts();

// Tahoma at 8 points on a 96 dpi screen (11 pixels).
QFont TableFont();
// MS Sans Serif at 8 points (11 pixels).
QFont DialogFont();

} // namespace platform::ui
