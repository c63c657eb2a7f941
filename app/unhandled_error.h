#pragma once

#include <exception>

class QWidget;

// The application's default handling of an error that escapes a window's handler: a message box
// captioned with the application title. Nothing is logged.
void ShowUnhandledError(QWidget* owner, const std::exception& error);

// Runs a handler that catches nothing itself, reporting what escapes it. A template, so that the
// copy's per-block progress handler costs no allocation.
template <typename Handler> void RunHandler(QWidget* owner, Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        ShowUnhandledError(owner, error);
    }
}
