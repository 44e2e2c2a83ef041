// Owners of Winsock objects, in the form of base/win32/Owned.h: a socket
// (closesocket) and a socket event (WSACloseEvent).  A header of their
// own: winsock2.h must come before windows.h wherever it is used.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include "base/win32/Owned.h"

namespace orv {
namespace owned {

struct SocketTraits {
    using Type = SOCKET;
    static Type none() { return INVALID_SOCKET; }
    static bool close(Type s) { return closesocket(s) == 0; }
};

struct SocketEventTraits {
    using Type = WSAEVENT;
    static Type none() { return WSA_INVALID_EVENT; }
    static bool close(Type e) { return WSACloseEvent(e) != FALSE; }
};

}  // namespace owned

using OwnedSocket = Owned<owned::SocketTraits>;
using SocketEvent = Owned<owned::SocketEventTraits>;

}  // namespace orv
