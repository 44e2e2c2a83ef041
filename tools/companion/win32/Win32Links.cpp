// The device links on Windows: a TCP client over Winsock and a COM port,
// each waiting on its own readiness and the stop together.
#include <winsock2.h>
#include <windows.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "tools/companion/DeviceLinks.h"
#include "tools/companion/win32/StopEvent.h"

namespace orv::companion {
namespace {

constexpr ULONGLONG kPeerCloseMs = 1000;
constexpr DWORD kBaudRate = 921600;

std::string systemText(DWORD error) {
    char text[256] = "";
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                             sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == '.')) text[--n] = '\0';
    return n ? std::string(text) + " (" + std::to_string(error) + ")" : "error " + std::to_string(error);
}

bool startSockets() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

// Waits for the socket's news (events) or the stop: 1 ready, 0 time-out or
// stop, -1 failed.
int waitSocket(SOCKET sock, WSAEVENT ready, long events, DWORD ms) {
    if (WSAEventSelect(sock, ready, events) != 0) return -1;
    HANDLE handles[2] = {ready, stopEvent()};
    const DWORD which = WaitForMultipleObjects(stopEvent() ? 2 : 1, handles, FALSE, ms);
    return which == WAIT_OBJECT_0 ? 1 : which == WAIT_TIMEOUT || which == WAIT_OBJECT_0 + 1 ? 0 : -1;
}

class TcpLink final : public DeviceLink {
public:
    TcpLink(std::string host, int port) : host_(std::move(host)), port_(port) {}
    ~TcpLink() override { TcpLink::close(); }

    bool open(std::string& why) override {
        if (!startSockets()) {
            why = "the socket layer did not start";
            return false;
        }
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        const std::string service = std::to_string(port_);
        const std::string where = host_ + ":" + service;
        if (int e = getaddrinfo(host_.c_str(), service.c_str(), &hints, &found); e != 0 || !found) {
            why = host_ + ": " + systemText(static_cast<DWORD>(e));
            return false;
        }
        sockaddr_in peer{};
        std::memcpy(&peer, found->ai_addr, sizeof peer);
        freeaddrinfo(found);
        sock_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        ready_ = WSACreateEvent();
        if (sock_ == INVALID_SOCKET || ready_ == WSA_INVALID_EVENT) return failed(where, WSAGetLastError(), why);
        u_long nonBlocking = 1;
        ioctlsocket(sock_, FIONBIO, &nonBlocking);
        if (connect(sock_, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
            if (WSAGetLastError() != WSAEWOULDBLOCK) return failed(where, WSAGetLastError(), why);
            const int r = waitSocket(sock_, ready_, FD_CONNECT, static_cast<DWORD>(connectLimitMs));
            WSANETWORKEVENTS news{};
            if (r <= 0 || WSAEnumNetworkEvents(sock_, ready_, &news) != 0 || !(news.lNetworkEvents & FD_CONNECT))
                return failed(where, r == 0 ? WSAETIMEDOUT : WSAGetLastError(), why);
            if (news.iErrorCode[FD_CONNECT_BIT] != 0) return failed(where, news.iErrorCode[FD_CONNECT_BIT], why);
        }
        return true;
    }

    long read(std::uint8_t* buffer, std::size_t size, int ms, std::string& why) override {
        for (int round = 0; round < 2; ++round) {
            const int n = recv(sock_, reinterpret_cast<char*>(buffer), static_cast<int>(size), 0);
            if (n > 0) return n;
            if (n == 0) {
                why = "the device closed the connection";
                return -1;
            }
            if (WSAGetLastError() != WSAEWOULDBLOCK) {
                why = systemText(static_cast<DWORD>(WSAGetLastError()));
                return -1;
            }
            if (round == 0 && waitSocket(sock_, ready_, FD_READ | FD_CLOSE, static_cast<DWORD>(ms)) != 1) return 0;
            WSANETWORKEVENTS news{};
            WSAEnumNetworkEvents(sock_, ready_, &news);  // resets the event; recv tells the rest
        }
        return 0;
    }

    bool write(const std::uint8_t* data, std::size_t size, int stallMs, std::string& why) override {
        ULONGLONG movedAt = GetTickCount64();
        while (size > 0) {
            const int n = send(sock_, reinterpret_cast<const char*>(data), static_cast<int>(size), 0);
            if (n > 0) {
                data += n;
                size -= static_cast<std::size_t>(n);
                movedAt = GetTickCount64();
                continue;
            }
            if (WSAGetLastError() != WSAEWOULDBLOCK) {
                why = systemText(static_cast<DWORD>(WSAGetLastError()));
                return false;
            }
            const ULONGLONG idle = GetTickCount64() - movedAt;
            if (idle >= static_cast<ULONGLONG>(stallMs)) {
                why = "the device took no byte for " + std::to_string(stallMs / 1000) + " s";
                return false;
            }
            // A full socket is tried again often: Windows reports it
            // writable only once much of it has drained.
            waitSocket(sock_, ready_, FD_WRITE | FD_CLOSE, 20);
            if (stopAsked()) {
                why = "stopped";
                return false;
            }
        }
        return true;
    }

    // Our side ends; what the device still sends is read and dropped until
    // it closes, so that the close is no reset that loses data in flight.
    bool finishWrites(int, std::string& why) override {
        if (shutdown(sock_, SD_SEND) != 0) {
            why = systemText(static_cast<DWORD>(WSAGetLastError()));
            return false;
        }
        std::uint8_t sink[4096];
        const ULONGLONG endAt = GetTickCount64() + kPeerCloseMs;
        for (ULONGLONG now = GetTickCount64(); now < endAt; now = GetTickCount64()) {
            std::string ignored;
            if (read(sink, sizeof sink, static_cast<int>(endAt - now), ignored) < 0) break;
        }
        return true;
    }

    void close() override {
        if (sock_ != INVALID_SOCKET) closesocket(sock_);
        sock_ = INVALID_SOCKET;
        if (ready_ != WSA_INVALID_EVENT) WSACloseEvent(ready_);
        ready_ = WSA_INVALID_EVENT;
    }

private:
    bool failed(const std::string& where, int error, std::string& why) {
        why = where + ": " + (stopAsked() ? std::string("stopped") : systemText(static_cast<DWORD>(error)));
        close();
        return false;
    }

    std::string host_;
    int port_;
    SOCKET sock_ = INVALID_SOCKET;
    WSAEVENT ready_ = WSA_INVALID_EVENT;
};

// A COM port, read with overlapped I/O so that a read waits on the port
// and the stop together.
class ComLink final : public DeviceLink {
public:
    explicit ComLink(std::string device) : device_(std::move(device)) {}
    ~ComLink() override { ComLink::close(); }

    bool open(std::string& why) override {
        // "\\.\COMn" reaches ports above COM9 too.
        const std::string path = device_.rfind("\\\\.\\", 0) == 0 ? device_ : "\\\\.\\" + device_;
        port_ = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                            nullptr);
        if (port_ == INVALID_HANDLE_VALUE) return failed(why);
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        GetCommState(port_, &dcb);
        dcb.BaudRate = kBaudRate;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fParity = FALSE;
        dcb.fOutxCtsFlow = TRUE;
        dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fOutX = dcb.fInX = FALSE;
        dcb.fErrorChar = dcb.fNull = dcb.fAbortOnError = FALSE;
        // Bytes already waiting on the line are kept: no purge.
        COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 0};  // a read returns what is there at once
        event_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        io_ = OVERLAPPED{};
        io_.hEvent = event_;
        if (!SetCommState(port_, &dcb) || !SetCommTimeouts(port_, &timeouts) || !SetCommMask(port_, EV_RXCHAR) ||
            !event_)
            return failed(why);
        return true;
    }

    long read(std::uint8_t* buffer, std::size_t size, int ms, std::string& why) override {
        for (int round = 0; round < 2; ++round) {
            DWORD errors = 0;
            COMSTAT status{};
            if (!ClearCommError(port_, &errors, &status)) return gone(why);
            if (status.cbInQue > 0) {
                DWORD got = 0;
                if (!overlapped(ReadFile(port_, buffer, static_cast<DWORD>(std::min<std::size_t>(size, status.cbInQue)),
                                         nullptr, &io_),
                                got, INFINITE))
                    return gone(why);
                return static_cast<long>(got);
            }
            if (round == 1) return 0;
            DWORD events = 0, ignored = 0;
            if (!overlapped(WaitCommEvent(port_, &events, &io_), ignored, static_cast<DWORD>(ms))) return gone(why);
        }
        return 0;
    }

    bool write(const std::uint8_t* data, std::size_t size, int stallMs, std::string& why) override {
        ULONGLONG movedAt = GetTickCount64();
        while (size > 0) {
            COMMTIMEOUTS t{MAXDWORD, 0, 0, 0, 200};  // a write ends after 200 ms, short if the device holds CTS
            SetCommTimeouts(port_, &t);
            DWORD wrote = 0;
            const bool ok =
                overlapped(WriteFile(port_, data, static_cast<DWORD>(size), nullptr, &io_), wrote, INFINITE);
            if (!ok && GetLastError() != ERROR_TIMEOUT && GetLastError() != ERROR_SEM_TIMEOUT) {
                why = systemText(GetLastError());
                return false;
            }
            data += wrote;
            size -= wrote;
            if (wrote > 0) movedAt = GetTickCount64();
            if (stopAsked()) {
                why = "stopped";
                return false;
            }
            if (size > 0 && GetTickCount64() - movedAt >= static_cast<ULONGLONG>(stallMs)) {
                why = "the device took no byte for " + std::to_string(stallMs / 1000) + " s";
                return false;
            }
        }
        return true;
    }

    bool finishWrites(int stallMs, std::string& why) override {
        DWORD queued = MAXDWORD;
        ULONGLONG movedAt = GetTickCount64();
        for (;;) {
            DWORD errors = 0;
            COMSTAT status{};
            if (!ClearCommError(port_, &errors, &status)) {
                why = systemText(GetLastError());
                return false;
            }
            if (status.cbOutQue == 0) break;
            if (status.cbOutQue != queued) {
                queued = status.cbOutQue;
                movedAt = GetTickCount64();
            } else if (GetTickCount64() - movedAt >= static_cast<ULONGLONG>(stallMs)) {
                why = "the device took no byte for " + std::to_string(stallMs / 1000) + " s";
                return false;
            }
            if (waitForStop(10)) {
                why = "stopped";
                return false;
            }
        }
        FlushFileBuffers(port_);
        return true;
    }

    void close() override {
        if (port_ != INVALID_HANDLE_VALUE) CloseHandle(port_);
        port_ = INVALID_HANDLE_VALUE;
        if (event_) CloseHandle(event_);
        event_ = nullptr;
    }

private:
    // Finishes an overlapped call: waits up to ms (and for the stop); false
    // when it failed.  A wait that ran out or was stopped is cancelled and
    // counts as done with nothing.
    bool overlapped(BOOL started, DWORD& done, DWORD ms) {
        done = 0;
        if (!started && GetLastError() != ERROR_IO_PENDING) return false;
        if (!started) {
            HANDLE handles[2] = {event_, stopEvent()};
            const DWORD which = WaitForMultipleObjects(stopEvent() ? 2 : 1, handles, FALSE, ms);
            if (which != WAIT_OBJECT_0) {
                CancelIo(port_);
                GetOverlappedResult(port_, &io_, &done, TRUE);
                return true;
            }
        }
        if (GetOverlappedResult(port_, &io_, &done, TRUE)) return true;
        return GetLastError() == ERROR_OPERATION_ABORTED;
    }

    long gone(std::string& why) {
        why = "the port did not answer: " + systemText(GetLastError());
        return -1;
    }

    bool failed(std::string& why) {
        why = device_ + ": " + systemText(GetLastError());
        close();
        return false;
    }

    std::string device_;
    HANDLE port_ = INVALID_HANDLE_VALUE;
    HANDLE event_ = nullptr;
    OVERLAPPED io_{};
};

}  // namespace

std::unique_ptr<DeviceLink> makeLanLink(const std::string& host, int port) {
    return std::make_unique<TcpLink>(host, port);
}

std::unique_ptr<DeviceLink> makeSerialLink(const std::string& device) { return std::make_unique<ComLink>(device); }

}  // namespace orv::companion
