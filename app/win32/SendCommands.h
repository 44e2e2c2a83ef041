// The main window's send commands: choosing and sending a stored file to
// the device over the configured link, cancelling it, and the end of a
// send.  User-interface thread only.
#pragma once
#include <windows.h>

#include "app/win32/CaptureState.h"
#include "link/win32/SendThread.h"

namespace orv {

// CMD_SEND_FILE: choose a file, read it and send it over the configured
// link; observer (optional) is told of every chunk.
void sendFileToDevice(CaptureState& state, SendObserver* observer = nullptr);
// CMD_CANCEL_SEND: asks, then ends the send and restores the idle controls.
void cancelSend(CaptureState& state);
// The user-interface side of a send's end: closes the link, once, and
// shows the idle state.  Nothing happens while FLAG_SENDING is clear.
void endSend(CaptureState& state);
// UM_SEND_ENDED: closes the link of a send whose thread has finished and
// restores the idle controls; a message of an earlier send does nothing.
void finishSend(CaptureState& state);
// Closes the send's link (after its current chunk) and leaves the controls
// alone: the window may be closing.  Nothing happens while FLAG_SENDING is
// clear.
int closeSend(CaptureState& state);

}  // namespace orv
