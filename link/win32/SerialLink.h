// The serial link: the COM port with the fixed line settings, the receive
// thread of a capture that drains it in chunks of at most 80 bytes into
// the chunk hand-off, and the writes of a send and of the query.
#pragma once
#include <windows.h>

#include "app/win32/CaptureState.h"
#include "link/ChunkHandoff.h"
#include "link/win32/SendThread.h"

namespace orv {

// 1 when the port is open and the receive thread runs, else 0 (with the
// settings message where the port refused its settings).
int openSerialCapture(CaptureState& state, HWND view);
// Nonzero when the port took the settings.
int applySerialSettings(CaptureState& state, HWND owner);
// Ends the receive thread, drops the modem lines and closes the port.
int closeSerialCapture(CaptureState& state, HWND view);

// Opens the port in its sending form and starts the send thread with a
// copy of data (the caller may free its buffer at once).  1 when the send
// runs; 0 with the port's own message where it has one, nothing left open
// and FLAG_SENDING clear.  Nothing is opened while another link is open.
int openSerialSend(CaptureState& state, HWND owner, const std::uint8_t* data, std::uint32_t size,
                   SendObserver* observer = nullptr);
// Ends the send (after its current chunk), waits for the thread and closes
// the port; clears FLAG_SENDING.  Nothing happens while it is clear.
int closeSerialSend(CaptureState& state, HWND owner);
// The query's command bytes over the open capture port: 1 when they went.
int writeSerialCommand(CaptureState& state, const char* bytes, int count);

// Opens and programs the port (no thread yet): 1 on success, else 0 with
// the port closed.  The first half of openSerialCapture.
int openSerialPort(CaptureState& state, HWND owner);
// Reads at most maxBytes of what the port has queued (0 when nothing is);
// read failures become "<CE-%u>" notes in the view.  failure (optional)
// gets the error of a port that did not answer, else keeps its value.
DWORD serialRead(CaptureState& state, ChunkHandoff& handoff, std::uint8_t* buffer, DWORD maxBytes,
                 DWORD* failure = nullptr);

// Raises (up) or drops DTR and RTS, each only while no handshake drives it:
// a line under handshake belongs to the driver, and setting it by hand is
// an error.  A pseudo-terminal refuses both; the link works without.
void driveModemLines(CaptureState& state, bool up);

// The device control block and time-outs the port gets.
void fillDeviceControlBlock(DCB& dcb, const CaptureState& state);
COMMTIMEOUTS serialTimeouts(const CaptureState& state);

}  // namespace orv
