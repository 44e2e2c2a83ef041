// The LAN link: a TCP client to the device's host and port, the receive
// thread of a capture that passes chunks of at most 81 bytes to the chunk
// hand-off, and the writes of a send and of the query.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include "app/win32/CaptureState.h"
#include "link/win32/SendThread.h"

namespace orv {

// Starts the socket layer; shows "SockInitialize error %d" on failure.
int startSockets(CaptureState& state, HWND owner, WSADATA& data);
// Connects a new socket in slot to the run record's host and port; shows
// its own messages.  On failure the slot may hold a socket to close.
int connectLan(CaptureState& state, HWND owner, std::atomic<std::uintptr_t>& slot);
int closeLanSocket(CaptureState& state, std::atomic<std::uintptr_t>& slot);
int openLanCapture(CaptureState& state, HWND view);
int closeLanCapture(CaptureState& state, HWND view);

// A send over a new connection, as openSerialSend over the port.
int openLanSend(CaptureState& state, HWND owner, const std::uint8_t* data, std::uint32_t size,
                SendObserver* observer = nullptr);
// Ends the send, reads what the device sent back, closes the connection.
int closeLanSend(CaptureState& state, HWND owner);
// The query's command bytes over the capture socket: 1 when they went.  A
// failed write is told and reported as a broken link, so that the run
// stops; the socket is left to the stop to close.
int writeLanCommand(CaptureState& state, const char* bytes, int count);

}  // namespace orv
