// What a console program needs to run unattended on Windows: no freeze
// from a click in its console, and a clean end at log-off or shutdown.
#pragma once
#include <windows.h>

#include <functional>

#include "base/win32/Owned.h"

namespace orv::companion {

// While it lives, the console's quick-edit selection is off: a click in the
// console window would otherwise hold every console write, and with it the
// program, until the selection ends.  Does nothing without a console.
class QuickEditOff {
public:
    QuickEditOff();
    ~QuickEditOff();
    QuickEditOff(const QuickEditOff&) = delete;
    QuickEditOff& operator=(const QuickEditOff&) = delete;

private:
    FileHandle input_;
    DWORD previous_ = 0;
};

// A console program that uses user32 gets no log-off or shutdown control
// event; a hidden top-level window gets WM_ENDSESSION instead.  This one,
// on a thread of its own, calls onEnd when the session ends and then waits
// (a few seconds at most) for done to be set before it returns, as Windows
// ends the process once it has.
class SessionEndWatch {
public:
    static constexpr char kWindowClass[] = "OrvantideSessionEndWatch";

    SessionEndWatch(std::function<void()> onEnd, HANDLE done);
    ~SessionEndWatch();
    SessionEndWatch(const SessionEndWatch&) = delete;
    SessionEndWatch& operator=(const SessionEndWatch&) = delete;

private:
    static DWORD WINAPI threadMain(void* self);
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void endSession();

    std::function<void()> onEnd_;
    HANDLE done_;
    KernelHandle ready_;
    KernelHandle thread_;
    HWND window_ = nullptr;
};

}  // namespace orv::companion
