// What each kind of link does, behind one table: serial and LAN fill one
// each, and the run record's linkKind picks it here and nowhere else.
#pragma once
#include <windows.h>

#include <cstdint>

#include "app/win32/CaptureState.h"
#include "link/win32/SendThread.h"

namespace orv {

struct LinkDriver {
    // A capture run's link and its receive thread: 1 when open.
    int (*openCapture)(CaptureState& state, HWND view);
    int (*closeCapture)(CaptureState& state, HWND view);
    // A send's link and its thread, with a copy of data: 1 when it runs.
    int (*openSend)(CaptureState& state, HWND owner, const std::uint8_t* data, std::uint32_t size,
                    SendObserver* observer);
    int (*closeSend)(CaptureState& state, HWND owner);
    // The query's command bytes over the open capture link.
    int (*writeCommand)(CaptureState& state, const char* bytes, int count);
};

// The driver of the link kind the settings chose.
const LinkDriver& linkDriver(const CaptureState& state);

// Writes count bytes over the open capture link.  1 when they went out; 0
// when no capture link is open (silently) or the write failed.
int sendCommandBytes(CaptureState& state, const char* bytes, int count);

}  // namespace orv
