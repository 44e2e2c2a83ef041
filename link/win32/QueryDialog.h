// The device query dialog (template 120): asks the device for its value
// ('I') and its four lines ('S') over the open capture link and shows the
// answers that the receive thread finds in the stream.
//
// The receive thread never touches the dialog's controls: it posts
// UM_QUERY_REPLY (control id, packed text) to the registered dialog, and
// UM_END_QUERY when the link fails.  The dialog registers with the main
// window (UM_QUERY_DIALOG) when it starts and unregisters however it ends.
#pragma once
#include <windows.h>

#include "app/win32/CaptureState.h"

namespace orv {

// The dialog procedure; lParam of WM_INITDIALOG is the run record.
INT_PTR CALLBACK queryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// CMD_QUERY_DEVICE: the modal dialog, owned by the main window.
void runQueryDialog(CaptureState& state);

}  // namespace orv
