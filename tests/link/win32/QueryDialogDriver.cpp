#include "tests/link/win32/QueryDialogDriver.h"

#include <cstdio>

#include "app/win32/QueryDialog.h"
#include "tests/support/win32/Win32TestSupport.h"

namespace orv::test {
namespace {

const int kLineFields[4] = {IDC_S_BIT3, IDC_S_BIT2, IDC_S_BIT1, IDC_S_BIT0};

// The one script that runs: the timer procedure has no other way to it.
struct Script {
    CaptureState* state;
    const std::function<bool(HWND)>* step;
    DWORD start, limitMs;
    QueryDialogRun* run;
    bool done;
};
Script* running = nullptr;

struct Search {
    HWND owner;
    HWND found;
};

BOOL CALLBACK findDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    if (className(window) == "#32770" && GetWindow(window, GW_OWNER) == search->owner) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// Found among the thread's windows, not from its registration, so that a
// script can check the registration against it.
void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD) {
    Script* script = running;
    if (!script || script->done) return;
    Search search{script->state->mainWindow, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), findDialog, reinterpret_cast<LPARAM>(&search));
    if (!search.found) return;
    if ((*script->step)(search.found)) {
        script->run->endedByScript = script->done = true;
    } else if (GetTickCount() - script->start > script->limitMs) {
        script->run->timedOut = script->done = true;
    }
    if (script->done) press(search.found, IDCANCEL);
}

}  // namespace

std::string field(HWND dialog, int id) {
    char text[32] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

std::string lines(HWND dialog) {
    std::string all;
    for (int id : kLineFields) all += field(dialog, id).empty() ? "-" : field(dialog, id);
    return all;
}

void press(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

QueryDialogRun runQueryDialogScript(CaptureState& s, const std::function<bool(HWND)>& step, DWORD limitMs) {
    QueryDialogRun r;
    Script script{&s, &step, GetTickCount(), limitMs, &r, false};
    running = &script;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, onTimer);
    r.result = DialogBoxParamA(s.resourceLibrary, MAKEINTRESOURCEA(IDD_QUERY), s.mainWindow, queryDialogProc,
                               reinterpret_cast<LPARAM>(&s));
    if (r.result == -1) std::printf("DialogBoxParamA failed: error %lu\n", GetLastError());
    KillTimer(nullptr, timer);
    running = nullptr;
    return r;
}

}  // namespace orv::test
