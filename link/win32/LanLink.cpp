#include "link/win32/LanLink.h"

#include <ws2tcpip.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "link/ChunkHandoff.h"
#include "link/LinkRules.h"
#include "link/win32/LinkThread.h"
#include "link/win32/ReceivePath.h"

namespace orv {
namespace {

// Chunks reach the hand-off in pieces of at most 81 bytes, so that the
// view and the counter follow the stream closely.  The socket is read in
// larger blocks: under Wine every recv costs tens of microseconds, and
// 81-byte reads cap a link at under 2 MB/s, below what a fast device sends.
constexpr int kChunk = 81;
constexpr int kReceiveBlock = 64 * kChunk;
// A device on the LAN answers a connect in milliseconds; one that has not
// answered in this long is not there.
constexpr DWORD kConnectLimitMs = 10000;

SOCKET socketOf(const std::atomic<std::uintptr_t>& slot) { return static_cast<SOCKET>(slot.load()); }

void showSettingsError(CaptureState& s, HWND owner, unsigned textId) {
    tellUser(s, owner, IDS_SETTINGS_ERROR, textId, MB_ICONWARNING);
}

void showConnectFailure(CaptureState& s, HWND owner, long error) {
    tellUser(s, owner, IDS_LINK_CAPTION, IDS_LINK_FAILED, error, MB_ICONWARNING);
}

// The IPv4 address of host: dotted decimal as it stands, else looked up.
// Returns 0 with the address, or the resolver's error.
int resolveHost(const char* host, in_addr& address) {
    address.s_addr = inet_addr(host);
    if (address.s_addr != INADDR_NONE || std::strcmp(host, "255.255.255.255") == 0) return 0;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int error = getaddrinfo(host, nullptr, &hints, &found);
    if (error != 0) return error;
    if (!found) return WSAHOST_NOT_FOUND;
    address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return 0;
}

// Bytes received (1..size); 0 when nothing is waiting; -1 when the link
// has ended (the peer closed, or a receive failed), which is reported here,
// once, unless a stop is under way.
int lanReceive(CaptureState& s, std::uint8_t* buffer, int size) {
    int n = recv(socketOf(s.lanSocket), reinterpret_cast<char*>(buffer), size, 0);
    if (n > 0) return n;
    int error = n == 0 ? 0 : WSAGetLastError();
    if (error == WSAEWOULDBLOCK) return 0;
    if (linkOpen(s)) {
        s.lanState.store(error);
        reportLinkFailure(s);
    }
    return -1;
}

// The socket is non-blocking and signals lanReadyEvent when it has news;
// the thread sleeps on that and on the stop event, so a stop never needs
// the socket closed under a call that uses it.
unsigned receiveLoop(CaptureState& s) {
    ReceivePath path(s);
    ChunkHandoff& handoff = path.handoff();
    std::uint8_t buffer[kReceiveBlock];
    bool ended = false;
    while (linkOpen(s)) {
        int n = ended ? 0 : lanReceive(s, buffer, kReceiveBlock);
        if (n > 0) {
            for (int at = 0; at < n; at += kChunk)
                handoff.deliver(buffer + at, static_cast<std::size_t>(n - at < kChunk ? n - at : kChunk));
            keepCaptureDurable(handoff);
            continue;
        }
        // Reported once; after that no more receiving or reporting, only
        // the disk, until the stop that the main window sends in answer.
        if (n < 0) ended = true;
        HANDLE handles[2] = {s.linkStopEvent, s.lanReadyEvent};
        DWORD which = WaitForMultipleObjects(ended ? 1 : 2, handles, FALSE, keepCaptureDurable(handoff));
        if (which == WAIT_OBJECT_0 + 1) {
            WSANETWORKEVENTS news{};  // resets the event; recv tells the rest
            WSAEnumNetworkEvents(socketOf(s.lanSocket), s.lanReadyEvent, &news);
        }
    }
    // A connection that ended by itself stops the run; after a close
    // request there is nothing to stop.
    if (WaitForSingleObject(s.linkStopEvent, 0) != WAIT_OBJECT_0)
        PostMessageA(s.mainWindow, WM_COMMAND, CMD_STOP, reinterpret_cast<LPARAM>(&s));
    SetEvent(s.lanRxDoneEvent);
    return 1;
}

unsigned __stdcall lanReceiveThread(void* argument) {
    auto& s = *static_cast<CaptureState*>(argument);
    try {
        return receiveLoop(s);
    } catch (...) {
        SetEvent(s.lanRxDoneEvent);
        return 0;
    }
}

// Handles the messages that are waiting, as the message loop would.
void handleWaitingMessages(CaptureState& s) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // For the message loop: the connect is given up.
            PostQuitMessage(static_cast<int>(msg.wParam));
            s.connectAbandoned = true;
            return;
        }
        if (s.accelerators && s.mainWindow && TranslateAcceleratorA(s.mainWindow, s.accelerators, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Connects within kConnectLimitMs while the window keeps answering: the
// socket connects without blocking, and this thread handles its messages
// meanwhile.  A refused port takes a Windows client seconds, an unreachable
// host about twenty.  Stop, Cancel or a close give the connect up
// (connectAbandoned).  0 when connected, else the socket error, WSAETIMEDOUT
// when the time ran out.  The socket is left non-blocking.
int connectAnswering(CaptureState& s, SOCKET sock, const sockaddr_in& peer) {
    s.connectAbandoned = false;
    WSAEVENT ready = WSACreateEvent();
    if (ready == WSA_INVALID_EVENT) return WSAGetLastError();
    int error = 0;
    if (WSAEventSelect(sock, ready, FD_CONNECT) != 0) {
        error = WSAGetLastError();
    } else if (connect(sock, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == SOCKET_ERROR &&
               (error = WSAGetLastError()) == WSAEWOULDBLOCK) {
        error = WSAETIMEDOUT;
        s.linkOpening = true;
        for (const DWORD start = GetTickCount(); !s.connectAbandoned;) {
            const DWORD waited = GetTickCount() - start;
            if (waited >= kConnectLimitMs) break;
            DWORD woke = MsgWaitForMultipleObjects(1, &ready, FALSE, kConnectLimitMs - waited, QS_ALLINPUT);
            if (woke == WAIT_OBJECT_0 + 1) {
                handleWaitingMessages(s);
            } else if (woke == WAIT_OBJECT_0) {
                WSANETWORKEVENTS news{};
                if (WSAEnumNetworkEvents(sock, ready, &news) != 0) {
                    error = WSAGetLastError();
                    break;
                }
                if (news.lNetworkEvents & FD_CONNECT) {
                    error = news.iErrorCode[FD_CONNECT_BIT];
                    break;
                }
            }
        }
        s.linkOpening = false;
        if (s.connectAbandoned) error = WSAECONNABORTED;
        // A close asked for meanwhile comes now, after the failed start.
        if (s.closeWhenOpened) {
            s.closeWhenOpened = false;
            PostMessageA(s.mainWindow, WM_CLOSE, 0, 0);
        }
    }
    WSAEventSelect(sock, ready, 0);
    WSACloseEvent(ready);
    return error;
}

void closeReadyEvent(CaptureState& s) {
    if (s.lanReadyEvent && s.lanReadyEvent != WSA_INVALID_EVENT) WSACloseEvent(s.lanReadyEvent);
    s.lanReadyEvent = nullptr;
}

void enableCommand(CaptureState& s, UINT command, bool enabled) {
    if (HMENU menu = GetMenu(s.mainWindow))
        EnableMenuItem(menu, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

}  // namespace

int startSockets(CaptureState& s, HWND owner, WSADATA& data) {
    s.lanState.store(0);
    int r = WSAStartup(MAKEWORD(2, 0), &data);
    if (r != 0) {
        char text[64];
        std::snprintf(text, sizeof text, "SockInitialize error %d", r);
        s.messages->show(owner, text, "Error", MB_ICONERROR);
        return 0;
    }
    return 1;
}

int connectLan(CaptureState& s, HWND owner, std::atomic<std::uintptr_t>& slot) {
    if (s.host[0] == '\0') {
        showSettingsError(s, owner, IDS_HOST_MISSING);
        return 0;
    }
    int port = parseDataPort(s.dataPort);
    if (port == 0) {
        showSettingsError(s, owner, IDS_PORT_INVALID);
        return 0;
    }
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(static_cast<u_short>(port));
    int lookup = resolveHost(s.host, peer.sin_addr);
    if (lookup != 0) {
        showConnectFailure(s, owner, lookup);
        return 0;
    }
    slot.store(static_cast<std::uintptr_t>(INVALID_SOCKET));
    SOCKET sock = socket(AF_INET, SOCK_STREAM, 0);
    if (sock == INVALID_SOCKET) {
        s.messages->show(owner, "Create socket failed.", "Error", MB_OK);
        return 0;
    }
    slot.store(static_cast<std::uintptr_t>(sock));
    int error = connectAnswering(s, sock, peer);
    if (error != 0) {
        if (!s.connectAbandoned) showConnectFailure(s, owner, error);
        return 0;
    }
    s.lanState.store(3);
    return 1;
}

int closeLanSocket(CaptureState& s, std::atomic<std::uintptr_t>& slot) {
    SOCKET sock = static_cast<SOCKET>(slot.exchange(static_cast<std::uintptr_t>(INVALID_SOCKET)));
    if (sock != INVALID_SOCKET) {
        shutdown(sock, SD_BOTH);
        closesocket(sock);
    }
    s.lanState.store(0);
    return 1;
}

int openLanCapture(CaptureState& s, HWND view) {
    WaitCursor wait;
    enableCommand(s, CMD_START, false);
    if (!connectLan(s, view, s.lanSocket)) {
        enableCommand(s, CMD_START, true);
        s.isOpen.store(0);
        closeLanSocket(s, s.lanSocket);
        return 0;
    }
    s.lanReadyEvent = WSACreateEvent();
    if (s.lanReadyEvent == WSA_INVALID_EVENT ||
        WSAEventSelect(socketOf(s.lanSocket), s.lanReadyEvent, FD_READ | FD_CLOSE) != 0) {
        enableCommand(s, CMD_START, true);
        closeLanSocket(s, s.lanSocket);
        closeReadyEvent(s);
        return 0;
    }
    ResetEvent(s.linkStopEvent);
    ResetEvent(s.lanRxDoneEvent);
    s.linkFailed.store(false);
    s.isOpen.store(1);
    if (!startLinkThread(s, lanReceiveThread)) {
        s.isOpen.store(0);
        closeLanSocket(s, s.lanSocket);
        closeReadyEvent(s);
        return 0;
    }
    enableCommand(s, CMD_STOP, true);
    enableCommand(s, CMD_START, false);
    return 1;
}

int closeLanCapture(CaptureState& s, HWND) {
    s.lanState.store(1);
    s.isOpen.store(0);
    // The worker sees the stop in its wait; only once it has ended is the
    // socket closed, so no call on it can still be running.
    SetEvent(s.linkStopEvent);
    joinLinkThread(s);
    closeLanSocket(s, s.lanSocket);
    closeReadyEvent(s);
    ResetEvent(s.lanRxDoneEvent);
    return 1;
}

}  // namespace orv
