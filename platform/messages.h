#pragma once

#include <cstdint>
#include <functional>

// The window messages the program exchanges, with their Windows numbers.
namespace platform {

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

constexpr unsigned WM_USER = 0x0400;
constexpr unsigned WM_DEVICECHANGE = 0x0219;
constexpr WPARAM DBT_DEVICEARRIVAL = 0x8000;
constexpr WPARAM DBT_DEVICEREMOVECOMPLETE = 0x8004;

// Something that handles window messages: a window of the program.
class MessageTarget {
public:
    virtual ~MessageTarget() = default;
    virtual LRESULT WndProc(unsigned message, WPARAM wParam, LPARAM lParam) = 0;
};

// The synchronous SendMessage: returns after the target has handled the message on its own
// thread. The GUI's implementation is a blocking cross-thread call; a headless one calls
// straight through.
class MessageSender {
public:
    virtual ~MessageSender() = default;
    virtual LRESULT SendMessage(unsigned message, WPARAM wParam, LPARAM lParam) = 0;
    // Runs `task` on the target's thread and returns when it is done.
    virtual void RunOnTargetThread(const std::function<void()>& task) = 0;
};

} // namespace platform
