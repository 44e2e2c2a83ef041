// The device query dialog (template 120): asks the device for its value
// ('I') and its four lines ('S') over the open capture link and shows the
// answers that the capture thread finds in the stream.
//
// The capture thread never touches the dialog's controls: it posts
// UM_QUERY_REPLY (the command, the reply's bits) to the registered dialog,
// and UM_END_QUERY when the link fails.  The dialog registers with the main
// window (UM_QUERY_DIALOG) when it starts and unregisters however it ends.
#pragma once
#include <windows.h>

#include <cstdint>

#include "app/win32/CaptureState.h"

namespace orv {

// The dialog procedure; lParam of WM_INITDIALOG is the run record.
INT_PTR CALLBACK queryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// CMD_QUERY_DEVICE: the modal dialog, owned by the main window.
void runQueryDialog(CaptureState& state);

// Writes count bytes over the open capture link.  1 when they went out; 0
// when no capture runs (silently) or the write failed, which is told and
// stops the run as a broken link does.
int sendCommandBytes(CaptureState& state, const char* bytes, int count);

}  // namespace orv
