// The LAN link of a capture run: a TCP client to the device's host and
// port, and the receive thread that passes chunks of at most 81 bytes to
// the chunk hand-off.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include "app/win32/CaptureState.h"

namespace orv {

// Starts the socket layer; shows "SockInitialize error %d" on failure.
int startSockets(CaptureState& state, HWND owner, WSADATA& data);
// Connects a new socket in slot to the run record's host and port; shows
// its own messages.  On failure the slot may hold a socket to close.
int connectLan(CaptureState& state, HWND owner, std::atomic<std::uintptr_t>& slot);
int closeLanSocket(CaptureState& state, std::atomic<std::uintptr_t>& slot);
int openLanCapture(CaptureState& state, HWND view);
int closeLanCapture(CaptureState& state, HWND view);

}  // namespace orv
