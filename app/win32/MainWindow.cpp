#include "app/win32/MainWindow.h"

#include <winsock2.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "Version.h"
#include "app/win32/DocumentCommands.h"
#include "app/win32/PrintCommands.h"
#include "app/win32/QueryDialog.h"
#include "app/win32/RunControl.h"
#include "app/win32/RunDisplay.h"
#include "app/win32/SendCommands.h"
#include "app/win32/ViewCommands.h"
#include "base/Text.h"
#include "base/win32/WindowRecord.h"
#include "settings/win32/Folders.h"
#include "settings/win32/SettingsDialog.h"
#include "settings/win32/Win32IniStore.h"
#include "view/win32/ViewWindow.h"

namespace orv {
namespace {

// Status bar parts' right edges; the last runs to the window's edge.
// The run state, the byte count, the page view's position (jobs of
// thousands of pages: "Seite 9999 von 9999..."), a print's progress and the
// printer units the auto mode chose for the last document.
const int kStatusParts[] = {100, 220, 370, 600, -1};

TBBUTTON toolbarButton(int image, unsigned command, BYTE state, BYTE style) {
    TBBUTTON button{};
    button.iBitmap = image;
    button.idCommand = static_cast<int>(command);
    button.fsState = state;
    button.fsStyle = style;
    return button;
}

TBBUTTON separator() { return toolbarButton(0, 0, 0, TBSTYLE_SEP); }

HWND createToolbar(CaptureState& s, HWND window) {
    const BYTE on = TBSTATE_ENABLED, off = TBSTATE_INDETERMINATE;
    const TBBUTTON buttons[] = {
        toolbarButton(0, CMD_OPEN_FILE, on, TBSTYLE_BUTTON),
        toolbarButton(1, CMD_SAVE_AS, off, TBSTYLE_BUTTON),
        separator(),
        toolbarButton(2, CMD_START, on, TBSTYLE_BUTTON),
        toolbarButton(3, CMD_STOP, off, TBSTYLE_BUTTON),
        separator(),
        toolbarButton(4, CMD_SEND_FILE, on, TBSTYLE_BUTTON),
        toolbarButton(5, CMD_CANCEL_SEND, off, TBSTYLE_BUTTON),
        separator(),
        toolbarButton(6, CMD_SETTINGS, on, TBSTYLE_BUTTON),
        separator(),
        toolbarButton(7, CMD_VIEW_HEX, off, TBSTYLE_CHECKGROUP),
        toolbarButton(8, CMD_VIEW_FILTERED, off, TBSTYLE_CHECKGROUP),
        toolbarButton(9, CMD_VIEW_TEXT, off, TBSTYLE_CHECKGROUP),
    };
    HWND toolbar =
        CreateToolbarEx(window, WS_CHILD | WS_VISIBLE | TBSTYLE_TOOLTIPS, ID_TOOLBAR, TOOLBAR_IMAGES, s.appInstance,
                        IDB_TOOLBAR, buttons, sizeof buttons / sizeof buttons[0], 0, 0, 16, 15, sizeof(TBBUTTON));
    if (toolbar) SetWindowLongA(toolbar, GWL_STYLE, GetWindowLongA(toolbar, GWL_STYLE) | TBSTYLE_FLAT);
    return toolbar;
}

HWND createStatusBar(HWND window) {
    HWND status = CreateStatusWindowA(WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | CCS_BOTTOM, "", window, ID_STATUSBAR);
    if (status)
        SendMessageA(status, SB_SETPARTS, sizeof kStatusParts / sizeof kStatusParts[0],
                     reinterpret_cast<LPARAM>(kStatusParts));
    return status;
}

// The view font: a fixed-pitch face named by the language library.
void fillViewLogFont(CaptureState& s) {
    LOGFONTA& font = s.view.logFont;
    font = LOGFONTA{};
    font.lfHeight = -15;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    std::string face = s.strings->load(IDS_FONT_FACE, 1023);
    std::strncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    font.lfFaceName[LF_FACESIZE - 1] = '\0';
}

// The socket layer for the LAN links; a failure is told and the program
// goes on (the serial link needs none).
void startSockets(CaptureState& s, HWND owner) {
    WSADATA data;
    const int r = WSAStartup(MAKEWORD(2, 0), &data);
    if (r == 0) return;
    char text[64];
    std::snprintf(text, sizeof text, "SockInitialize error %d", r);
    s.messages->show(owner, text, "Error", MB_ICONERROR);
}

// The folders and the profile, read before the run record's defaults.
void loadSettings(CaptureState& s) {
    locateFolders(s.profile);
    setProfilePath(s.profile);
    Win32IniStore store;
    loadProfile(s.profile, store, s.startFlags);
}

// Between the toolbar and the status bar; WM_SIZE keeps it there.
RECT viewArea(const CaptureState& s, HWND window) {
    RECT frame{}, toolbar{}, status{};
    GetWindowRect(window, &frame);
    if (s.toolbarWindow) GetWindowRect(s.toolbarWindow, &toolbar);
    if (s.statusWindow) GetWindowRect(s.statusWindow, &status);
    const LONG top = toolbar.bottom - toolbar.top;
    return RECT{0, top, frame.right - frame.left - 10, frame.bottom - frame.top - (status.bottom - status.top)};
}

// WM_CREATE: the defaults of the whole program, in order.
LRESULT initMainWindow(HWND window, CaptureState& s) {
    s.mainWindow = window;
    s.view.mode = VIEW_TEXT;
    InitCommonControls();
    s.toolbarWindow = createToolbar(s, window);
    s.statusWindow = createStatusBar(window);
    s.view.grid.lineCount.store(0);
    s.view.grid.usedWidth.store(0);
    s.viewRun = ViewRunHalves{[&s] { openCaptureLink(s); }, [&s] { closeCaptureLink(s); }};
    createViewWindow(s.view, s.appInstance, SW_SHOW, window, viewArea(s, window), s.viewRun);
    createPageView(s.pages, s.appInstance, window, viewArea(s, window));
    loadSettings(s);
    setCaptureStateDefaults(s);
    clearGrid(s.view.grid);
    s.byteCount.store(0);
    s.stateFlags.store(0);
    startSockets(s, window);
    fillViewLogFont(s);
    createViewFont(s.view, window);  // ends in WM_SIZE here, which lays the children out
    SetMenu(window, LoadMenuA(s.resourceLibrary, MAKEINTRESOURCEA(IDM_MAIN)));
    setRunControls(s, false);
    showStatusText(s, IDS_STATE_IDLE);
    if (s.startFlags & START_AT_ONCE) {
        // The delay runs on a timer: the window answers meanwhile.
        const bool delayed = (s.startFlags & START_DELAYED) && s.startDelayMs > 0;
        s.startFlags = 0;
        if (!delayed || !SetTimer(window, TIMER_START_DELAY, s.startDelayMs, nullptr))
            PostMessageA(window, WM_COMMAND, CMD_START, 0);
    }
    return 1;
}

void layoutChildren(CaptureState& s, WPARAM wParam, LPARAM lParam) {
    if (s.toolbarWindow) SendMessageA(s.toolbarWindow, WM_SIZE, wParam, lParam);
    if (s.statusWindow) SendMessageA(s.statusWindow, WM_SIZE, wParam, lParam);
    RECT toolbar{}, status{};
    if (s.toolbarWindow) GetWindowRect(s.toolbarWindow, &toolbar);
    if (s.statusWindow) GetWindowRect(s.statusWindow, &status);
    const int top = toolbar.bottom - toolbar.top;
    const int height = static_cast<int>(HIWORD(lParam)) - top - (status.bottom - status.top);
    for (HWND view : {s.view.window, s.pages.window})
        if (view) MoveWindow(view, 0, top, LOWORD(lParam), height > 0 ? height : 0, TRUE);
}

void supplyTooltipText(CaptureState& s, LPARAM lParam) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->code != TTN_GETDISPINFOA) return;
    static const struct {
        unsigned command, text;
    } tips[] = {
        {CMD_OPEN_FILE, IDS_TIP_OPEN},
        {CMD_SAVE_AS, IDS_TIP_SAVE_AS},
        {CMD_START, IDS_TIP_START},
        {CMD_STOP, IDS_TIP_STOP},
        {CMD_SETTINGS, IDS_TIP_SETTINGS},
        {CMD_VIEW_HEX, IDS_TIP_VIEW_HEX},
        {CMD_VIEW_FILTERED, IDS_TIP_VIEW_FILTERED},
        {CMD_VIEW_TEXT, IDS_TIP_VIEW_TEXT},
        {CMD_SEND_FILE, IDS_TIP_SEND_FILE},
        {CMD_CANCEL_SEND, IDS_TIP_CANCEL_SEND},
    };
    auto* info = reinterpret_cast<NMTTDISPINFOA*>(lParam);
    for (const auto& tip : tips) {
        if (tip.command != header->idFrom) continue;
        info->hinst = s.resourceLibrary;
        info->lpszText = MAKEINTRESOURCEA(tip.text);
        return;
    }
}

// One line per wheel message, whatever its distance; the page view takes
// the message as it is.
void forwardWheel(CaptureState& s, WPARAM wParam, LPARAM lParam) {
    if (pagesShown(s.pages)) {
        SendMessageA(s.pages.window, WM_MOUSEWHEEL, wParam, lParam);
        return;
    }
    if (!s.view.window) return;
    const short distance = static_cast<short>(HIWORD(wParam));
    SendMessageA(s.view.window, WM_VSCROLL, distance < 0 ? SB_LINEDOWN : SB_LINEUP, 0);
}

// The settings never change under a running capture or send: the command
// is greyed then, and this holds even if it arrives anyway.
void changeSettings(CaptureState& s) {
    if (linkOpen(s)) return;
    const SettingsDialogSeams seams{s.mainWindow, s.resourceLibrary, s.strings, s.messages, s.fileDialogs};
    // The pages shown follow the document settings (paper, code page, printer).
    if (editSettings(seams, s.profile, s.startFlags) && pagesShown(s.pages)) runViewCommand(s, CMD_VIEW_PAGES);
}

INT_PTR aboutDispatch(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        auto* s = reinterpret_cast<CaptureState*>(lParam);
        if (s) {
            // The version is the build's, not the translator's.
            std::string text = s->strings->load(IDS_ABOUT_TEXT, 63) + "\n" +
                               formatWithText(s->strings->load(IDS_ABOUT_VERSION, 63), ORV_VERSION);
            SetDlgItemTextA(dialog, IDC_ABOUT_TEXT, text.c_str());
        }
        return FALSE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    default: return FALSE;
    }
}

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return aboutDispatch(dialog, message, wParam, lParam);
    } catch (...) {
        // An exception must not unwind through user32.
        return FALSE;
    }
}

void onCommand(CaptureState& s, WPARAM wParam) {
    const unsigned command = LOWORD(wParam);
    // A start or stop by hand takes over from a pending delayed start.
    if (command == CMD_START || command == CMD_STOP) KillTimer(s.mainWindow, TIMER_START_DELAY);
    switch (command) {
    case CMD_START: startCapture(s, wParam); break;
    case CMD_STOP: stopCapture(s, wParam); break;
    case CMD_EXIT: PostMessageA(s.mainWindow, WM_CLOSE, 0, 0); break;
    case CMD_SETTINGS: changeSettings(s); break;
    case CMD_ABOUT:
        DialogBoxParamA(s.resourceLibrary, MAKEINTRESOURCEA(IDD_ABOUT), s.mainWindow, aboutDialogProc,
                        reinterpret_cast<LPARAM>(&s));
        break;
    case CMD_SEND_FILE: sendFileToDevice(s); break;
    case CMD_QUERY_DEVICE: runQueryDialog(s); break;
    case CMD_VIEW_TEXT:
    case CMD_VIEW_HEX:
    case CMD_VIEW_FILTERED:
    case CMD_VIEW_PAGES:
    case CMD_OPEN_FILE: runViewCommand(s, command); break;
    case CMD_SAVE_AS: saveCurrentFileAs(s); break;
    case CMD_EXPORT_PDF: exportAsPdf(s); break;
    case CMD_PRINT: printFromDialog(s); break;
    case CMD_CANCEL_PRINT: cancelPrint(s); break;
    case CMD_CANCEL_SEND: cancelSend(s); break;
    default: break;
    }
}

LRESULT dispatch(HWND window, CaptureState& s, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: return initMainWindow(window, s);
    case WM_DESTROY:
        endPrint(s);
        closePages(s.pages);
        releaseResources(s);
        WSACleanup();
        PostQuitMessage(0);
        return 0;
    case WM_SIZE: layoutChildren(s, wParam, lParam); return 0;
    case WM_CLOSE: requestClose(s); return 0;
    case WM_QUERYENDSESSION: return TRUE;
    case WM_ENDSESSION:
        if (wParam) endSession(s);
        return 0;
    case WM_NOTIFY: supplyTooltipText(s, lParam); return 0;
    case WM_COMMAND: onCommand(s, wParam); return 0;
    case WM_TIMER:
        if (wParam == TIMER_START_DELAY) {
            KillTimer(window, TIMER_START_DELAY);
            PostMessageA(window, WM_COMMAND, CMD_START, 0);
        } else {
            refreshRunDisplay(s);
        }
        return 0;
    case WM_MOUSEWHEEL: forwardWheel(s, wParam, lParam); return 0;
    case WM_SETFOCUS:
        // The keys of the page view are the page view's.
        if (pagesShown(s.pages)) SetFocus(s.pages.window);
        return 0;
    case UM_LINK_ERROR: handleLinkError(s, wParam, lParam); return 0;
    case UM_LINK_OPENED: linkOpened(s, lParam); return 0;
    case UM_LINK_OPEN_FAILED: linkOpenFailed(s, lParam); return 0;
    case UM_QUERY_DIALOG: s.queryDialog.store(reinterpret_cast<HWND>(lParam)); return 0;
    case UM_CAPTURE_WRITE_FAILED: reportCaptureWriteFailed(s, lParam); return 0;
    case UM_SEND_ENDED: finishSend(s, lParam); return 0;
    case UM_DOCUMENT_DONE: captureDocumentsDone(s); return 0;
    case UM_PAGES_CHANGED: pagesChanged(s); return 0;
    case UM_PRINT_PROGRESS: printProgressed(s); return 0;
    case UM_PRINT_ENDED: printEnded(s); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

CaptureState* captureStateOf(HWND window) { return windowRecord<CaptureState>(window); }

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return dispatchToRecord(dispatch, window, message, wParam, lParam);
}

}  // namespace orv
