// The serial link of a capture run: the COM port with the fixed line
// settings, and the receive thread that drains it in chunks of at most
// 80 bytes into the chunk hand-off.
#pragma once
#include <windows.h>

#include "app/win32/CaptureState.h"
#include "link/ChunkHandoff.h"

namespace orv {

// 1 when the port is open and the receive thread runs, else 0 (with the
// settings message where the port refused its settings).
int openSerialCapture(CaptureState& state, HWND view);
// Nonzero when the port took the settings.
int applySerialSettings(CaptureState& state, HWND owner);
// Ends the receive thread, drops the modem lines and closes the port.
int closeSerialCapture(CaptureState& state, HWND view);

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
