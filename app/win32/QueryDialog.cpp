#include "app/win32/QueryDialog.h"

#include "app/win32/LinkWorker.h"
#include "link/ReplyScanner.h"

namespace orv {
namespace {

CaptureState* stateOf(HWND dialog) { return reinterpret_cast<CaptureState*>(GetWindowLongPtrA(dialog, DWLP_USER)); }

// Which field a reply goes to follows from the reply alone, not from the
// command that was sent last.
void showReply(HWND dialog, const DeviceReply& reply) {
    if (reply.command == 'I') {
        SetDlgItemTextA(dialog, IDC_I_REPLY, valueText(reply.bits).c_str());
    } else if (reply.command == 'S') {
        const int fields[4] = {IDC_S_BIT3, IDC_S_BIT2, IDC_S_BIT1, IDC_S_BIT0};
        for (int k = 0; k < 4; ++k) SetDlgItemTextA(dialog, fields[k], lineText(reply.bits, 3 - k));
    }
}

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
        showReply(dialog, {static_cast<char>(wParam), static_cast<std::uint8_t>(lParam & 0x0F)});
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

int sendCommandBytes(CaptureState& s, const char* bytes, int count) {
    // Only over a capture link: a send's thread owns its link.
    if (count <= 0 || !capturing(s) || !s.worker) return 0;
    LinkError error;
    if (s.worker->writeCommand(reinterpret_cast<const std::uint8_t*>(bytes), static_cast<std::size_t>(count), error))
        return 1;
    if (s.worker->isLan()) {
        HWND owner = s.queryDialog.load();
        tellUser(s, owner ? owner : s.mainWindow, IDS_LAN_SEND_CAPTION, IDS_LAN_SEND_FAILED, error.code, MB_OK);
    }
    // A link that takes no command is broken: the run stops as for a
    // failed receive.
    if (HWND dialog = s.queryDialog.load()) PostMessageA(dialog, UM_END_QUERY, 0, 0);
    PostMessageA(s.mainWindow, UM_LINK_ERROR, LINK_ERROR_RECEIVE, static_cast<LPARAM>(s.worker->id()));
    return 0;
}

void runQueryDialog(CaptureState& s) {
    DialogBoxParamA(s.resourceLibrary, MAKEINTRESOURCEA(IDD_QUERY), s.mainWindow, queryDialogProc,
                    reinterpret_cast<LPARAM>(&s));
}

}  // namespace orv
