#pragma once

#include <exception>
#include <functional>

class QWidget;

// The application's default handling of an error that escapes a window's handler: a message box
// captioned with the application title. Nothing is logged.
void ShowUnhandledError(QWidget* owner, const std::exception& error);

// Runs a handler that catches nothing itself, reporting what escapes it.
void RunHandler(QWidget* owner, const std::function<void()>& handler);
