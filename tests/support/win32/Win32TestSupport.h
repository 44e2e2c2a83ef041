// The small Win32 helpers of the tests (and of the screenshot tool, so no
// gtest here): message pumps and waits, what menus, toolbars, status bars
// and windows show, and watches that record what a window receives.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace orv::test {

// Handles this thread's queued messages as the program's loop does: keys
// go through the accelerator table of window when one is given.  A
// WM_QUIT (a destroyed main window posts one) is dropped.
void pumpMessages(HWND window = nullptr, HACCEL accelerators = nullptr);
// Pumps until done() or ms have passed; returns done().
bool pumpUntil(const std::function<bool()>& done, DWORD ms, HWND window = nullptr, HACCEL accelerators = nullptr);
void pumpFor(DWORD ms, HWND window = nullptr, HACCEL accelerators = nullptr);
// Polls done() without handling messages: for what another thread or
// process makes true.  Returns done().
bool waitUntil(const std::function<bool()>& done, DWORD ms, DWORD pollMs = 5);

// Whether the command's item in the window's menu, or its button on the
// toolbar, is enabled; *present tells whether there is one at all.
bool menuEnabled(HWND window, unsigned command, bool* present = nullptr);
bool buttonEnabled(HWND toolbar, unsigned command, bool* present = nullptr);
std::string statusText(HWND statusBar, int pane);
std::string windowText(HWND window);
std::string className(HWND window);
RECT screenRect(HWND window);

// A message as a window received it.
struct Posted {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
// How many messages of log are message with kind in the low word of wParam.
int countMessages(const std::vector<Posted>& log, UINT message, WPARAM kind);

// Records the private messages (WM_APP and up) that a window receives and
// hands every message on unchanged.  Ends with the window or the watch.
class MessageWatch {
public:
    explicit MessageWatch(HWND window);
    ~MessageWatch();
    MessageWatch(const MessageWatch&) = delete;
    MessageWatch& operator=(const MessageWatch&) = delete;
    int count(UINT message, WPARAM kind) const { return countMessages(received, message, kind); }
    std::vector<Posted> received;

private:
    static LRESULT CALLBACK proc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    HWND window_;
};

// Records every text set in pane 0 of a status bar, in order.
class StatusWatch {
public:
    explicit StatusWatch(HWND statusBar);
    ~StatusWatch();
    StatusWatch(const StatusWatch&) = delete;
    StatusWatch& operator=(const StatusWatch&) = delete;
    std::vector<std::string> texts;

private:
    static LRESULT CALLBACK proc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    HWND window_;
};

}  // namespace orv::test
