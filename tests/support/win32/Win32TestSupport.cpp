#include "tests/support/win32/Win32TestSupport.h"

#include <commctrl.h>

namespace orv::test {

void pumpMessages(HWND window, HACCEL accelerators) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        if (accelerators && TranslateAcceleratorA(window, accelerators, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool pumpUntil(const std::function<bool()>& done, DWORD ms, HWND window, HACCEL accelerators) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        pumpMessages(window, accelerators);
    }
    return true;
}

void pumpFor(DWORD ms, HWND window, HACCEL accelerators) {
    pumpUntil([] { return false; }, ms, window, accelerators);
}

bool waitUntil(const std::function<bool()>& done, DWORD ms, DWORD pollMs) {
    for (const DWORD start = GetTickCount(); !done(); Sleep(pollMs))
        if (GetTickCount() - start > ms) return false;
    return true;
}

bool menuEnabled(HWND window, unsigned command, bool* present) {
    const UINT state = GetMenuState(GetMenu(window), command, MF_BYCOMMAND);
    if (present) *present = state != UINT(-1);
    return state != UINT(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

bool buttonEnabled(HWND toolbar, unsigned command, bool* present) {
    const LRESULT state = SendMessageA(toolbar, TB_GETSTATE, command, 0);
    if (present) *present = state != -1;
    return state != -1 && (state & TBSTATE_ENABLED) && !(state & TBSTATE_INDETERMINATE);
}

std::string statusText(HWND statusBar, int pane) {
    std::string text(LOWORD(SendMessageA(statusBar, SB_GETTEXTLENGTHA, pane, 0)) + 1, '\0');
    SendMessageA(statusBar, SB_GETTEXTA, pane, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(text.find('\0'));
    return text;
}

std::string windowText(HWND window) {
    std::string text(GetWindowTextLengthA(window) + 1, '\0');
    text.resize(GetWindowTextA(window, &text[0], static_cast<int>(text.size())));
    return text;
}

std::string className(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

RECT screenRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

int countMessages(const std::vector<Posted>& log, UINT message, WPARAM kind) {
    int n = 0;
    for (const Posted& p : log)
        if (p.message == message && LOWORD(p.wParam) == kind) ++n;
    return n;
}

MessageWatch::MessageWatch(HWND window) : window_(window) {
    SetWindowSubclass(window_, proc, 0, reinterpret_cast<DWORD_PTR>(this));
}

MessageWatch::~MessageWatch() { RemoveWindowSubclass(window_, proc, 0); }

LRESULT CALLBACK MessageWatch::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    if (message >= WM_APP) reinterpret_cast<MessageWatch*>(self)->received.push_back({message, wParam, lParam});
    return DefSubclassProc(window, message, wParam, lParam);
}

StatusWatch::StatusWatch(HWND statusBar) : window_(statusBar) {
    SetWindowSubclass(window_, proc, 0, reinterpret_cast<DWORD_PTR>(this));
}

StatusWatch::~StatusWatch() { RemoveWindowSubclass(window_, proc, 0); }

LRESULT CALLBACK StatusWatch::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    if (message == SB_SETTEXTA && LOBYTE(LOWORD(wParam)) == 0 && lParam)
        reinterpret_cast<StatusWatch*>(self)->texts.push_back(reinterpret_cast<const char*>(lParam));
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace orv::test
