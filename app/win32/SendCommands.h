// The main window's send commands: choosing and sending a stored file to
// the device over the configured link, cancelling it, and the end of a
// send.  User-interface thread only.
#pragma once
#include <windows.h>

#include "app/win32/CaptureState.h"
#include "link/Sender.h"

namespace orv {

// CMD_SEND_FILE: choose a file, read it and send it over the configured
// link on the worker's thread; progress (optional) is told of every chunk.
void sendFileToDevice(CaptureState& state, SendProgress* progress = nullptr);
// CMD_CANCEL_SEND: asks, then ends the send and restores the idle controls.
void cancelSend(CaptureState& state);
// The user-interface side of a send's end: ends the worker, once, and
// shows the idle state.  Nothing happens while no send runs.
void endSend(CaptureState& state);
// UM_SEND_ENDED (lParam: the worker's number): a send that ended by itself;
// a failure to open its link is told here.
void finishSend(CaptureState& state, LPARAM id);
// Ends the send's worker (after its current chunk) and leaves the controls
// alone: the window may be closing.  0 when no send ran.
int closeSend(CaptureState& state);

}  // namespace orv
