// Sending a stored file to the device over the serial or LAN link, and the
// query dialog's command bytes over the open capture link.
//
// A send runs on its own worker thread, which writes the run record's copy
// of the data in chunks of 1024 bytes.  The thread never closes the link:
// when its data is out (or a chunk failed) it frees the copy, sets
// sendDoneEvent and posts UM_SEND_ENDED to the main window, whose
// finishSend closes the link on the user-interface thread.  A cancel takes
// effect after the chunk in progress.  FLAG_SENDING is set from the open
// until the link has been closed; the closers act only while it is set, so
// the link is closed exactly once whichever of cancel, finish and close
// comes first, and a late UM_SEND_ENDED cannot touch a later run.
#pragma once
#include <windows.h>

#include <cstdint>

#include "app/win32/CaptureState.h"

namespace orv {

constexpr std::uint32_t kSendChunk = 1024;

// Told of every chunk once the link has taken all of its bytes, on the
// send thread; it must not wait for the user-interface thread.
class SendObserver {
public:
    virtual void chunkSent(std::uint32_t offset, std::uint32_t size) = 0;

protected:
    ~SendObserver() = default;
};

// Open the link in its sending form and start the send thread with a copy
// of data (the caller may free its buffer at once).  1 when the send runs;
// 0 with the link's own message where it has one, nothing left open and
// FLAG_SENDING clear.  Nothing is opened while another link is open.
int openSerialSend(CaptureState& state, HWND owner, const std::uint8_t* data, std::uint32_t size,
                   SendObserver* observer = nullptr);
int openLanSend(CaptureState& state, HWND owner, const std::uint8_t* data, std::uint32_t size,
                SendObserver* observer = nullptr);

// End the send (after its current chunk), wait for the thread and close
// the link; clears FLAG_SENDING.  Nothing happens while FLAG_SENDING is
// clear.  They leave the controls alone: the window may be closing.
int closeSerialSend(CaptureState& state, HWND owner);
int closeLanSend(CaptureState& state, HWND owner);
// The one of the two that fits the configured link, owned by the main window.
int closeSend(CaptureState& state);

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

// Writes count bytes over the open capture link (serial or LAN).  1 when
// they went out; 0 when no capture link is open (silently) or the write
// failed.  A failed LAN send is told and ends the connection, so that the
// receive thread reports the broken link and the run stops.
int sendCommandBytes(CaptureState& state, const char* bytes, int count);

}  // namespace orv
