#pragma once

#include "platform/messages.h"

// The copy worker's synchronous messages to the main window.
//
// WM_COPYPROGRESS: after every block; wParam the block size (2048), lParam the job's total.
// WM_COPYDONE: once, after the last entry; wParam 1, lParam 1.
// WM_COPYSTOPPED: once, when an error ended the job early; wParam the index of the entry that
// failed (the entry count when the error lay outside every entry), lParam 0. The worker's
// StopReason() holds the error text.
constexpr unsigned WM_COPYPROGRESS = platform::WM_USER + 6;
constexpr unsigned WM_COPYDONE = platform::WM_USER + 8;
constexpr unsigned WM_COPYSTOPPED = platform::WM_USER + 9;
