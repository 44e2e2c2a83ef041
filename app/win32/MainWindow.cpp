#include "app/win32/MainWindow.h"

#include <string>

#include "link/win32/LanLink.h"
#include "settings/win32/Folders.h"
#include "settings/win32/Win32IniStore.h"

namespace orv {
namespace {

// The folders and the profile, read before the run record's defaults.
void loadSettings(CaptureState& s) {
    locateFolders(s.profile);
    setProfilePath(s.profile);
    Win32IniStore store;
    loadProfile(s.profile, store, s.startFlags);
}

// WM_CREATE: the defaults of the whole program, in order.
LRESULT initMainWindow(HWND window, CaptureState& s) {
    s.mainWindow = window;
    s.viewMode = VIEW_TEXT;
    loadSettings(s);
    setCaptureStateDefaults(s);
    // The overlapped records' events and the stop event are needed by
    // every link; without them the window is not created.
    if (!createRunEvents(s)) return -1;
    clearGrid(s.view);
    s.byteCount.store(0);
    s.stateFlags.store(0);
    WSADATA sockets;
    startSockets(s, window, sockets);  // a failure is told; the program goes on
    SetMenu(window, LoadMenuA(s.resourceLibrary, MAKEINTRESOURCEA(IDM_MAIN)));
    applyToCaptureState(s, s.profile.connection);
    if (s.startFlags & START_AT_ONCE) {
        if (s.startFlags & START_DELAYED) Sleep(s.startDelayMs);
        s.startFlags = 0;
        PostMessageA(window, WM_COMMAND, CMD_START, 0);
    }
    return 1;
}

// A receive thread could not store what it received: once per run.
void reportCaptureWriteFailed(HWND window, CaptureState& s) {
    std::string caption = s.strings->load(IDS_FAILURE_CAPTION, 31);
    std::string text = s.strings->load(IDS_CLOSE_FAILED, 1023);
    s.messages->show(window, text.c_str(), caption.c_str(), MB_ICONWARNING);
}

// WM_DESTROY: release what the window's creation made.
void releaseResources(CaptureState& s) {
    closeRunEvents(s);
    WSACleanup();
    if (s.viewFont) DeleteObject(s.viewFont);
    s.viewFont = nullptr;
    s.viewMode = VIEW_TEXT;
}

// WM_CLOSE: ask, then destroy.
void requestClose(HWND window, CaptureState& s) {
    std::string caption = s.strings->load(IDS_QUESTION_CAPTION, 31);
    unsigned question = s.isOpen.load() ? IDS_CLOSE_RUNNING : IDS_CLOSE_IDLE;
    std::string text = s.strings->load(question, 1023);
    if (s.messages->show(window, text.c_str(), caption.c_str(), MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    DestroyWindow(window);
}

}  // namespace

CaptureState* captureStateOf(HWND window) {
    return reinterpret_cast<CaptureState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
            SetWindowLongPtrA(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        CaptureState* s = captureStateOf(window);
        if (!s) return DefWindowProcA(window, message, wParam, lParam);
        switch (message) {
        case WM_CREATE: return initMainWindow(window, *s);
        case WM_CLOSE: requestClose(window, *s); return 0;
        case WM_DESTROY:
            releaseResources(*s);
            PostQuitMessage(0);
            return 0;
        case UM_CAPTURE_WRITE_FAILED: reportCaptureWriteFailed(window, *s); return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == CMD_EXIT) PostMessageA(window, WM_CLOSE, 0, 0);
            return 0;
        default: return DefWindowProcA(window, message, wParam, lParam);
        }
    } catch (...) {
        // An exception must not unwind through user32: it would end the process.
        return 0;
    }
}

}  // namespace orv
