// The TCP link on Windows: a Winsock client whose every wait watches the
// socket and the stop together.  The reader waits on the socket's event
// selection (read and close news), made once after the connect; the
// writer sends overlapped with a record and an event of its own, so it
// never touches that selection while the capture thread reads.
#include <winsock2.h>
#include <windows.h>
#include <mstcpip.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <memory>
#include <system_error>
#include <thread>

#include "base/win32/OwnedSocket.h"
#include "link/DeviceLink.h"
#include "link/win32/LinkHandles.h"
#include "link/win32/LinkText.h"

namespace orv {
namespace {

// Bytes per overlapped send: a send completes once the socket has taken
// all of its bytes, so the stall rule sees progress at this grain.
constexpr std::size_t kSendPiece = 65536;
// A socket that took nothing of a send: the pause before the next try.
constexpr int kFullSocketPauseMs = 10;
// IPPROTO_TCP option of Windows 10 version 1703 and later.
constexpr int kTcpKeepCount = 16;
// Our side's send buffer.  Winsock cannot tell how much of what the socket
// took the device has taken, so the stall rule counts what the socket
// takes; with Windows' dynamic send buffering (on unless SO_SNDBUF is set)
// megabytes could sit here and drain to a slow device for longer than the
// stall limit with nothing to show.  Kept this small, what the socket
// takes is what the device takes, give or take 16 KiB: a device reading
// 600 bytes a second still shows progress within the limit (Wine passes
// the size to Linux, which doubles it).  Nagle's wait for an
// acknowledgement would then hold each chunk for the device's delayed
// acknowledgement: TCP_NODELAY too (measured under Wine: 32 MiB in 3.1 s
// with both, 130 s with the small buffer alone, 3.0 s with neither).
constexpr int kSendBufferBytes = 16384;

std::uint64_t nowMs() { return GetTickCount64(); }

DWORD waitMs(int ms) { return ms < 0 ? INFINITE : static_cast<DWORD>(ms); }

DWORD msLeft(int ms, std::uint64_t start) {
    if (ms < 0) return INFINITE;
    const std::uint64_t spent = nowMs() - start;
    return spent >= static_cast<std::uint64_t>(ms) ? 0 : static_cast<DWORD>(ms - spent);
}

// Winsock 2.2, started once for the process and never ended: links come
// and go on any thread.  0 or the start's error.
int startSockets() {
    static const int result = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data);
    }();
    return result;
}

// A name lookup on a thread of its own: getaddrinfo can be neither stopped
// nor limited.  The link waits for it with the stop and the connect limit;
// a lookup given up finishes alone, and whichever side is last frees what
// they share.  The results are written before done is set and read only
// after it was seen set.
struct Lookup {
    KernelHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    int error = 0;
    in_addr address{};
};

void lookUpOnThisThread(const std::string& host, Lookup& lookup) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    lookup.error = getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (lookup.error == 0 && !found) lookup.error = WSAHOST_NOT_FOUND;
    if (lookup.error == 0) lookup.address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    if (found) freeaddrinfo(found);
    SetEvent(lookup.done.get());
}

class TcpLink final : public DeviceLink {
public:
    TcpLink(const std::string& host, int port, const StopSignal& stop, const TcpOptions& options)
        : host_(host),
          port_(port),
          name_(host + ":" + std::to_string(port)),
          stop_(stop),
          stopEvent_(reinterpret_cast<HANDLE>(stop.waitable())),
          options_(options) {}
    ~TcpLink() override { TcpLink::close(); }

    bool open(LinkError& error) override;
    long read(std::uint8_t* buffer, std::size_t size, int ms, LinkError& error) override;
    bool write(const std::uint8_t* data, std::size_t size, int stallMs, LinkError& error) override;
    bool finishWrites(int stallMs, LinkError& error) override;
    void close() override;
    const std::string& name() const override { return name_; }

    SOCKET socket() const { return sock_.get(); }

private:
    bool lookUp(in_addr& address, LinkError& error);
    bool connectWithin(const sockaddr_in& peer, LinkError& error);
    bool keepAlive(LinkError& error);
    bool fail(LinkError& error, LinkFailure kind, long code, const std::string& what = "");
    bool stopped(LinkError& error);

    std::string host_;
    int port_;
    std::string name_;
    const StopSignal& stop_;
    HANDLE stopEvent_;
    TcpOptions options_;
    OwnedSocket sock_;
    SocketEvent readEvent_;
    SocketEvent writeEvent_;
    // When the socket last took a byte of ours or gave one of the device's.
    std::atomic<std::uint64_t> lastMoved_{0};
};

bool TcpLink::fail(LinkError& error, LinkFailure kind, long code, const std::string& what) {
    error.set(kind, code, name_ + ": " + what + systemText(static_cast<unsigned long>(code)));
    return false;
}

bool TcpLink::stopped(LinkError& error) {
    error.set(LinkFailure::Stopped, 0, kStoppedText);
    return false;
}

bool TcpLink::open(LinkError& error) {
    close();
    if (const int code = startSockets(); code != 0) return fail(error, LinkFailure::Open, code);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(static_cast<u_short>(port_));
    if (!lookUp(peer.sin_addr, error)) return false;
    sock_.reset(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!sock_) return fail(error, LinkFailure::Open, WSAGetLastError());
    readEvent_.reset(WSACreateEvent());
    writeEvent_.reset(WSACreateEvent());
    if (!readEvent_ || !writeEvent_) {
        fail(error, LinkFailure::Open, WSAGetLastError());
        close();
        return false;
    }
    const BOOL noDelay = TRUE;
    if (setsockopt(sock_.get(), SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&kSendBufferBytes),
                   sizeof kSendBufferBytes) != 0 ||
        setsockopt(sock_.get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay) != 0) {
        fail(error, LinkFailure::Open, WSAGetLastError(), "no send buffer: ");
        close();
        return false;
    }
    bool ready = connectWithin(peer, error) && keepAlive(error);
    if (ready && WSAEventSelect(sock_.get(), readEvent_.get(), FD_READ | FD_CLOSE) != 0)
        ready = fail(error, LinkFailure::Open, WSAGetLastError());
    if (!ready) {
        close();
        return false;
    }
    lastMoved_.store(nowMs());
    return true;
}

bool TcpLink::lookUp(in_addr& address, LinkError& error) {
    if (inet_pton(AF_INET, host_.c_str(), &address) == 1) return true;
    auto lookup = std::make_shared<Lookup>();
    if (!lookup->done) return fail(error, LinkFailure::Lookup, static_cast<long>(GetLastError()));
    try {
        std::thread([lookup, host = host_] { lookUpOnThisThread(host, *lookup); }).detach();
    } catch (const std::system_error&) {
        return fail(error, LinkFailure::Lookup, ERROR_NOT_ENOUGH_MEMORY);
    }
    HANDLE handles[2] = {lookup->done.get(), stopEvent_};
    const DWORD which = WaitForMultipleObjects(2, handles, FALSE, waitMs(options_.connectLimitMs));
    if (which == WAIT_OBJECT_0 + 1) return stopped(error);
    if (which == WAIT_TIMEOUT) {
        error.set(LinkFailure::Lookup, WSAETIMEDOUT,
                  name_ + ": no answer from the name lookup in " + std::to_string(options_.connectLimitMs) + " ms");
        return false;
    }
    if (which != WAIT_OBJECT_0) return fail(error, LinkFailure::Lookup, static_cast<long>(GetLastError()));
    if (lookup->error != 0) return fail(error, LinkFailure::Lookup, lookup->error);
    address = lookup->address;
    return true;
}

// Connects without blocking, within the connect limit: a refused port
// takes a Windows client seconds, an unreachable host about twenty.
bool TcpLink::connectWithin(const sockaddr_in& peer, LinkError& error) {
    if (WSAEventSelect(sock_.get(), readEvent_.get(), FD_CONNECT) != 0) return fail(error, LinkFailure::Open, WSAGetLastError());
    if (connect(sock_.get(), reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) return true;
    if (WSAGetLastError() != WSAEWOULDBLOCK) return fail(error, LinkFailure::Connect, WSAGetLastError());
    HANDLE handles[2] = {readEvent_.get(), stopEvent_};
    const DWORD which = WaitForMultipleObjects(2, handles, FALSE, waitMs(options_.connectLimitMs));
    if (which == WAIT_OBJECT_0 + 1) return stopped(error);
    if (which == WAIT_TIMEOUT) return fail(error, LinkFailure::Connect, WSAETIMEDOUT);
    WSANETWORKEVENTS news{};
    if (which != WAIT_OBJECT_0 || WSAEnumNetworkEvents(sock_.get(), readEvent_.get(), &news) != 0)
        return fail(error, LinkFailure::Connect, WSAGetLastError());
    if (!(news.lNetworkEvents & FD_CONNECT)) return fail(error, LinkFailure::Connect, WSAECONNABORTED);
    if (news.iErrorCode[FD_CONNECT_BIT] != 0) return fail(error, LinkFailure::Connect, news.iErrorCode[FD_CONNECT_BIT]);
    return true;
}

// A capture only reads: without probes, a device that lost its power
// (its connection ends without a word on the wire) is never missed.
// Measured under Wine 8 on Linux: SO_KEEPALIVE and both times of
// SIO_KEEPALIVE_VALS reach the Linux socket (first probe after the idle
// time, then one every interval); TCP_KEEPCNT is refused with 10042, so
// Linux's own count ends the connection there, after 9 unanswered probes,
// and recv then fails with 10060.  Windows before 10 version 1703 has no
// such option either and gives up after 10.
bool TcpLink::keepAlive(LinkError& error) {
    const BOOL on = TRUE;
    if (setsockopt(sock_.get(), SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&on), sizeof on) != 0)
        return fail(error, LinkFailure::Open, WSAGetLastError(), "no keep-alive: ");
    tcp_keepalive times{};
    times.onoff = 1;
    times.keepalivetime = static_cast<ULONG>(options_.keepAliveIdleS) * 1000;
    times.keepaliveinterval = static_cast<ULONG>(options_.keepAliveIntervalS) * 1000;
    DWORD returned = 0;
    if (WSAIoctl(sock_.get(), SIO_KEEPALIVE_VALS, &times, sizeof times, nullptr, 0, &returned, nullptr, nullptr) != 0)
        return fail(error, LinkFailure::Open, WSAGetLastError(), "no keep-alive: ");
    const DWORD probes = static_cast<DWORD>(options_.keepAliveProbes);
    setsockopt(sock_.get(), IPPROTO_TCP, kTcpKeepCount, reinterpret_cast<const char*>(&probes), sizeof probes);
    return true;
}

void TcpLink::close() {
    // Every call on the socket has ended: the reads and writes wait for
    // their own I/O, cancelled or not, before they return.
    sock_.reset();
    readEvent_.reset();
    writeEvent_.reset();
}

long TcpLink::read(std::uint8_t* buffer, std::size_t size, int ms, LinkError& error) {
    if (!sock_) {
        fail(error, LinkFailure::Failed, WSAENOTSOCK);
        return -1;
    }
    const std::uint64_t start = nowMs();
    const int want = static_cast<int>(std::min<std::size_t>(size, INT_MAX));
    for (;;) {
        const int n = recv(sock_.get(), reinterpret_cast<char*>(buffer), want, 0);
        if (n > 0) {
            lastMoved_.store(nowMs());
            return n;
        }
        if (n == 0) {
            error.set(LinkFailure::Closed, 0, kClosedText);
            return -1;
        }
        const int code = WSAGetLastError();
        if (code != WSAEWOULDBLOCK) {
            const bool gone = code == WSAETIMEDOUT || code == WSAECONNRESET || code == WSAECONNABORTED;
            if (gone)
                error.set(LinkFailure::Gone, code, goneText(systemText(static_cast<unsigned long>(code))));
            else
                fail(error, LinkFailure::Failed, code);
            return -1;
        }
        const DWORD left = msLeft(ms, start);
        if (left == 0 || stop_.requested()) return 0;
        HANDLE handles[2] = {readEvent_.get(), stopEvent_};
        const DWORD which = WaitForMultipleObjects(2, handles, FALSE, left);
        if (which == WAIT_OBJECT_0) {
            WSANETWORKEVENTS news{};  // resets the event; recv tells the rest
            WSAEnumNetworkEvents(sock_.get(), readEvent_.get(), &news);
        } else if (which == WAIT_FAILED) {
            fail(error, LinkFailure::Failed, static_cast<long>(GetLastError()));
            return -1;
        }
        // After a stop or the time: once more for what came meanwhile.
    }
}

bool TcpLink::write(const std::uint8_t* data, std::size_t size, int stallMs, LinkError& error) {
    if (!sock_) return fail(error, LinkFailure::Failed, WSAENOTSOCK);
    std::uint64_t movedAt = nowMs();
    while (size > 0) {
        if (stop_.requested()) return stopped(error);
        const DWORD left = msLeft(stallMs, movedAt);
        if (left == 0) {
            error.set(LinkFailure::Stalled, 0, stalledText(stallMs));
            return false;
        }
        WSABUF piece{static_cast<ULONG>(std::min(size, kSendPiece)),
                     reinterpret_cast<char*>(const_cast<std::uint8_t*>(data))};
        WSAOVERLAPPED o{};
        o.hEvent = writeEvent_.get();
        DWORD sent = 0, flags = 0;
        if (WSASend(sock_.get(), &piece, 1, &sent, 0, &o, nullptr) != 0) {
            const int code = WSAGetLastError();
            if (code == WSAEWOULDBLOCK) {
                stop_.wait(kFullSocketPauseMs);
                continue;
            }
            if (code != WSA_IO_PENDING) return fail(error, LinkFailure::Failed, code);
            HANDLE handles[2] = {writeEvent_.get(), stopEvent_};
            const DWORD which = WaitForMultipleObjects(2, handles, FALSE, left);
            // The bytes and the record are the socket's until the send
            // has ended, cancelled or not.
            const long waitFailure = which == WAIT_FAILED ? static_cast<long>(GetLastError()) : 0;
            if (which != WAIT_OBJECT_0) CancelIoEx(reinterpret_cast<HANDLE>(sock_.get()), &o);
            if (!WSAGetOverlappedResult(sock_.get(), &o, &sent, TRUE, &flags) && which == WAIT_OBJECT_0)
                return fail(error, LinkFailure::Failed, WSAGetLastError());
            if (waitFailure != 0) return fail(error, LinkFailure::Failed, waitFailure);
        }
        data += sent;
        size -= sent;
        if (sent > 0) {
            movedAt = nowMs();
            lastMoved_.store(movedAt);
        }
    }
    return true;
}

// Our side ends, and what the device still sends is read and dropped until
// it closes its side: only then has it read everything, and a close before
// that, with its bytes unread here, would be a reset that throws away what
// it has not read yet.  Winsock cannot tell how much of our data the device
// has taken, so the stall counts from the last byte the socket took or the
// last byte the device sent; the small send buffer keeps what the socket
// holds back within seconds of a slow device.
bool TcpLink::finishWrites(int stallMs, LinkError& error) {
    if (!sock_) return fail(error, LinkFailure::Failed, WSAENOTSOCK);
    if (shutdown(sock_.get(), SD_SEND) != 0) return fail(error, LinkFailure::Failed, WSAGetLastError());
    std::uint8_t sink[4096];
    for (;;) {
        if (stop_.requested()) return stopped(error);
        const DWORD left = msLeft(stallMs, lastMoved_.load());
        if (left == 0) {
            error.set(LinkFailure::Stalled, 0, stalledText(stallMs));
            return false;
        }
        if (read(sink, sizeof sink, static_cast<int>(left), error) < 0) {
            if (error.kind != LinkFailure::Closed) return false;
            error = LinkError{};
            return true;
        }
    }
}

}  // namespace

SOCKET tcpLinkSocket(const DeviceLink& link) {
    const auto* tcp = dynamic_cast<const TcpLink*>(&link);
    return tcp ? tcp->socket() : INVALID_SOCKET;
}

std::unique_ptr<DeviceLink> makeTcpLink(const std::string& host, int port, const StopSignal& stop,
                                        const TcpOptions& options) {
    return std::make_unique<TcpLink>(host, port, stop, options);
}

}  // namespace orv
