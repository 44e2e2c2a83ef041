#include "link/win32/QueryDialog.h"

#include "link/win32/LinkDriver.h"
#include "link/win32/ReceivePath.h"

namespace orv {
namespace {

CaptureState* stateOf(HWND dialog) { return reinterpret_cast<CaptureState*>(GetWindowLongPtrA(dialog, DWLP_USER)); }

bool isReplyField(WPARAM id) { return id == IDC_I_REPLY || (id >= IDC_S_BIT3 && id <= IDC_S_BIT0); }

// Registered before any command can be sent, so that the answer finds it.
void registerDialog(CaptureState& s, HWND dialog) {
    SendMessageA(s.mainWindow, UM_QUERY_DIALOG, 0, reinterpret_cast<LPARAM>(dialog));
}

// Once, whichever way the dialog ends: no receive thread may address a
// dialog that no longer exists.
void unregisterDialog(CaptureState& s, HWND dialog) {
    if (s.queryDialog.load() == dialog) SendMessageA(s.mainWindow, UM_QUERY_DIALOG, 0, 0);
}

void endQuery(CaptureState& s, HWND dialog, INT_PTR result) {
    unregisterDialog(s, dialog);
    EndDialog(dialog, result);
}

void query(CaptureState& s, HWND dialog, char command) {
    if (command == 'I') {
        SetDlgItemTextA(dialog, IDC_I_REPLY, "");
    } else {
        for (int id : {IDC_S_BIT3, IDC_S_BIT2, IDC_S_BIT1, IDC_S_BIT0}) SetDlgItemTextA(dialog, id, "");
    }
    // With no link open the command goes nowhere and the fields stay empty.
    sendCommandBytes(s, &command, 1);
}

INT_PTR onCommand(CaptureState& s, HWND dialog, WPARAM wParam) {
    switch (LOWORD(wParam)) {
    case IDCANCEL: endQuery(s, dialog, 0); return TRUE;
    case IDC_QUERY_I: query(s, dialog, 'I'); return TRUE;
    case IDC_QUERY_S: query(s, dialog, 'S'); return TRUE;
    default: return FALSE;
    }
}

INT_PTR dispatch(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* s = reinterpret_cast<CaptureState*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        if (s) registerDialog(*s, dialog);
        return TRUE;
    }
    CaptureState* s = stateOf(dialog);
    if (!s) return FALSE;
    switch (message) {
    case WM_COMMAND: return onCommand(*s, dialog, wParam);
    case UM_QUERY_REPLY:
        if (isReplyField(wParam)) {
            char text[5];
            unpackReplyText(static_cast<std::uint32_t>(lParam), text);
            SetDlgItemTextA(dialog, static_cast<int>(wParam), text);
        }
        return TRUE;
    case UM_END_QUERY: endQuery(*s, dialog, 1); return TRUE;
    case WM_DESTROY: unregisterDialog(*s, dialog); return FALSE;
    default: return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK queryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return dispatch(dialog, message, wParam, lParam);
    } catch (...) {
        // An exception must not unwind through user32.
        return FALSE;
    }
}

void runQueryDialog(CaptureState& s) {
    DialogBoxParamA(s.resourceLibrary, MAKEINTRESOURCEA(IDD_QUERY), s.mainWindow, queryDialogProc,
                    reinterpret_cast<LPARAM>(&s));
}

}  // namespace orv
