// A hidden top-level window that stands in for the main window of the
// program in the send and query tests: the language library's menu, a
// toolbar with the command buttons and a two-part status bar, so that the
// run-state controls and status texts can be read back.  It answers the
// messages that the main window answers for sends and queries
// (UM_SEND_ENDED, UM_QUERY_DIALOG) and records everything private.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/win32/CaptureState.h"
#include "tests/link/win32/LinkHarness.h"

namespace orv::test {

class MainStandIn {
public:
    explicit MainStandIn(LinkRun& run);
    ~MainStandIn();
    MainStandIn(const MainStandIn&) = delete;
    MainStandIn& operator=(const MainStandIn&) = delete;

    HWND window() const { return window_; }
    // The menu item is enabled / the toolbar button is enabled.
    bool menuEnabled(UINT command) const;
    bool buttonEnabled(UINT command) const;
    std::string statusText() const;
    // Every text that was set in status part 0, in order.
    std::vector<std::string> statusTexts;
    int count(UINT message, WPARAM wParam) const;
    std::vector<Posted> posted;
    // Called when a query dialog registers (with its handle) and unregisters (null).
    std::function<void(HWND)> onQueryDialog;
    // Called on every WM_TIMER, also while a modal dialog runs.
    std::function<void()> onTimer;

private:
    static LRESULT CALLBACK proc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK statusProc(HWND, UINT, WPARAM, LPARAM);
    LinkRun& run_;
    HWND window_ = nullptr;
    WNDPROC statusDefault_ = nullptr;
};

}  // namespace orv::test
