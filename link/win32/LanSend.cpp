// The LAN link's writes: a send's chunks, the end of its data, and the
// query's command bytes.
#include <winsock2.h>

#include <cstdint>

#include "link/win32/LanLink.h"
#include "link/win32/ReceivePath.h"
#include "link/win32/SendThread.h"

namespace orv {
namespace {

// While the socket is full, how often a send is tried again.  Readiness is
// not waited for alone: the platform reports a full socket writable only
// once much of it has drained, which a slow reader may take long to do.
constexpr DWORD kRetryMs = 20;
// How long a LAN peer may take to close after our end.
constexpr DWORD kPeerCloseMs = 1000;

SOCKET socketOf(const std::atomic<std::uintptr_t>& slot) { return static_cast<SOCKET>(slot.load()); }

// True when the socket takes more bytes within ms milliseconds.
bool waitWritable(SOCKET sock, DWORD ms) {
    fd_set writable;
    FD_ZERO(&writable);
    FD_SET(sock, &writable);
    timeval limit{static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
    return select(0, nullptr, &writable, nullptr, &limit) > 0 && FD_ISSET(sock, &writable);
}

// Sends all n bytes over a non-blocking socket, as long as the peer takes
// them, until no byte went for stallMs; the stop ends it within kRetryMs.
Write lanSend(const CaptureState& s, SOCKET sock, const char* data, int n, DWORD stallMs, int& error) {
    error = 0;
    DWORD movedAt = GetTickCount();
    while (n > 0) {
        int sent = send(sock, data, n, 0);
        if (sent > 0) {
            data += sent;
            n -= sent;
            movedAt = GetTickCount();
            continue;
        }
        error = sent == 0 ? WSAECONNRESET : WSAGetLastError();
        if (error != WSAEWOULDBLOCK) return Write::Failed;
        if (stopAsked(s)) return Write::Stopped;
        if (GetTickCount() - movedAt >= stallMs) {
            error = WSAETIMEDOUT;
            return Write::Failed;
        }
        waitWritable(sock, kRetryMs);
    }
    return Write::Done;
}

Write writeSendChunk(CaptureState& s, const std::uint8_t* data, std::uint32_t size) {
    int error = 0;
    Write sent = lanSend(s, socketOf(s.lanSocket), reinterpret_cast<const char*>(data), static_cast<int>(size),
                         kSendStallMs, error);
    if (sent == Write::Failed) traceWriteError(static_cast<unsigned long>(error));
    return sent;
}

// After the last chunk: tell the device that the data is complete and
// give it a moment to take it and close its end.
bool endLanData(CaptureState& s) {
    SOCKET sock = socketOf(s.lanSocket);
    shutdown(sock, SD_SEND);
    const DWORD start = GetTickCount();
    char sink[512];
    while (GetTickCount() - start < kPeerCloseMs) {
        if (stopAsked(s)) break;
        int n = recv(sock, sink, sizeof sink, 0);
        if (n == 0 || (n < 0 && WSAGetLastError() != WSAEWOULDBLOCK)) break;
        if (n < 0) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(sock, &readable);
            timeval limit{0, static_cast<long>(kRetryMs * 1000)};
            select(0, &readable, nullptr, nullptr, &limit);
        }
    }
    return true;
}

// Reads and drops what the device sent, until nothing is waiting.  Input
// left unread when a socket is closed makes the platform reset the
// connection, which throws away what the device has not taken yet.
void discardInput(SOCKET sock) {
    char sink[512];
    for (int rounds = 0; rounds < 4096; ++rounds) {
        u_long waiting = 0;
        if (ioctlsocket(sock, FIONREAD, &waiting) != 0 || waiting == 0) return;
        if (recv(sock, sink, sizeof sink, 0) <= 0) return;
    }
}

const SendWriter kLanWriter{writeSendChunk, endLanData};

}  // namespace

int openLanSend(CaptureState& s, HWND owner, const std::uint8_t* data, std::uint32_t size, SendObserver* observer) {
    std::unique_ptr<std::uint8_t[]> copy = prepareSend(s, data, size);
    if (!copy) return 0;
    WaitCursor wait;
    u_long nonBlocking = 1;
    if (!connectLan(s, owner, s.lanSocket) || ioctlsocket(socketOf(s.lanSocket), FIONBIO, &nonBlocking) != 0 ||
        !startSend(s, std::move(copy), size, observer, kLanWriter)) {
        closeLanSocket(s, s.lanSocket);
        takeSendingFlag(s);
        return 0;
    }
    return 1;
}

int closeLanSend(CaptureState& s, HWND) {
    if (!takeSendingFlag(s)) return 1;
    s.lanState.store(1);
    stopSendThread(s);
    SOCKET sock = socketOf(s.lanSocket);
    if (sock != INVALID_SOCKET) discardInput(sock);
    closeLanSocket(s, s.lanSocket);
    return 1;
}

int writeLanCommand(CaptureState& s, const char* bytes, int count) {
    SOCKET sock = socketOf(s.lanSocket);
    if (sock == INVALID_SOCKET) return 0;
    int error = 0;
    // The capture socket is non-blocking: its receive thread waits on its
    // readiness event, not in recv.
    if (lanSend(s, sock, bytes, count, kCommandStallMs, error) == Write::Done) return 1;
    HWND owner = s.queryDialog.load();
    tellUser(s, owner ? owner : s.mainWindow, IDS_LAN_SEND_CAPTION, IDS_LAN_SEND_FAILED, error, MB_OK);
    // A link that takes no command is broken: the run stops as for a
    // failed receive, with the socket left to the stop to close.
    reportLinkFailure(s);
    return 0;
}

}  // namespace orv
