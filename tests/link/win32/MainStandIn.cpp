#include "tests/link/win32/MainStandIn.h"

#include <commctrl.h>


#include "link/win32/SendLink.h"

namespace orv::test {
namespace {

const UINT kCommands[] = {CMD_OPEN_FILE, CMD_SAVE_AS,   CMD_START,         CMD_STOP,
                          CMD_SETTINGS,  CMD_SEND_FILE, CMD_CANCEL_SEND,   CMD_VIEW_HEX,
                          CMD_VIEW_FILTERED, CMD_VIEW_TEXT, CMD_QUERY_DEVICE, CMD_ABOUT};

MainStandIn* standInOf(HWND window) {
    return reinterpret_cast<MainStandIn*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

}  // namespace

MainStandIn::MainStandIn(LinkRun& run) : run_(run) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.lpszClassName = "OrvMainStandIn";
    RegisterClassA(&wc);
    CaptureState& s = run.state();
    HMENU menu = LoadMenuA(s.resourceLibrary, MAKEINTRESOURCEA(IDM_MAIN));
    window_ = CreateWindowA("OrvMainStandIn", "stand-in", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, nullptr,
                            menu, instance, nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    HWND toolbar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window_,
                                   reinterpret_cast<HMENU>(ID_TOOLBAR), instance, nullptr);
    SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    std::vector<TBBUTTON> buttons;
    for (UINT command : kCommands) {
        TBBUTTON b{};
        b.iBitmap = I_IMAGENONE;
        b.idCommand = static_cast<int>(command);
        b.fsState = TBSTATE_ENABLED;
        b.fsStyle = TBSTYLE_BUTTON;
        buttons.push_back(b);
    }
    SendMessageA(toolbar, TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));

    HWND status = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window_,
                                  reinterpret_cast<HMENU>(ID_STATUSBAR), instance, nullptr);
    int parts[2] = {300, -1};
    SendMessageA(status, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    SetWindowLongPtrA(status, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    statusDefault_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(status, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(statusProc)));

    s.mainWindow = window_;
    s.toolbarWindow = toolbar;
    s.statusWindow = status;
}

MainStandIn::~MainStandIn() {
    CaptureState& s = run_.state();
    s.toolbarWindow = nullptr;
    s.statusWindow = nullptr;
    DestroyWindow(window_);
    s.mainWindow = nullptr;
}

bool MainStandIn::menuEnabled(UINT command) const {
    UINT state = GetMenuState(GetMenu(window_), command, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

bool MainStandIn::buttonEnabled(UINT command) const {
    LRESULT state = SendMessageA(run_.state().toolbarWindow, TB_GETSTATE, command, 0);
    return state != -1 && (state & TBSTATE_ENABLED) && !(state & TBSTATE_INDETERMINATE);
}

std::string MainStandIn::statusText() const {
    char text[256] = "";
    HWND status = run_.state().statusWindow;
    if (LOWORD(SendMessageA(status, SB_GETTEXTLENGTHA, 0, 0)) < sizeof text)
        SendMessageA(status, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    return text;
}

int MainStandIn::count(UINT message, WPARAM wParam) const {
    int n = 0;
    for (const Posted& p : posted)
        if (p.message == message && LOWORD(p.wParam) == wParam) ++n;
    return n;
}

LRESULT CALLBACK MainStandIn::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MainStandIn* self = standInOf(window);
    if (self && message == WM_TIMER && self->onTimer) {
        self->onTimer();
        return 0;
    }
    if (!self || message < WM_APP) return DefWindowProcA(window, message, wParam, lParam);
    self->posted.push_back({message, wParam, lParam});
    CaptureState& s = self->run_.state();
    switch (message) {
    case UM_SEND_ENDED: finishSend(s); break;
    case UM_QUERY_DIALOG:
        s.queryDialog.store(reinterpret_cast<HWND>(lParam));
        if (self->onQueryDialog) self->onQueryDialog(reinterpret_cast<HWND>(lParam));
        break;
    default: break;
    }
    return 0;
}

LRESULT CALLBACK MainStandIn::statusProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MainStandIn* self = standInOf(window);
    if (message == SB_SETTEXTA && LOBYTE(LOWORD(wParam)) == 0 && lParam)
        self->statusTexts.push_back(reinterpret_cast<const char*>(lParam));
    return CallWindowProcA(self->statusDefault_, window, message, wParam, lParam);
}

}  // namespace orv::test
