// What only the system can tell about an open link: the port's settings
// as its driver holds them, the options of the socket.  For checks; a
// link's user has no business with its handle.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include "link/DeviceLink.h"

namespace orv {

// INVALID_HANDLE_VALUE / INVALID_SOCKET unless link is an open link of
// that kind.
HANDLE serialPortHandle(const DeviceLink& link);
SOCKET tcpLinkSocket(const DeviceLink& link);

}  // namespace orv
