// The LAN link on POSIX: a non-blocking TCP client with keep-alive, every
// wait of it watching the stop.
#include <arpa/inet.h>
#include <linux/sockios.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "base/Clock.h"
#include "link/DeviceLink.h"
#include "link/posix/FdWait.h"

namespace orv {
namespace {

using posix::systemText;
using posix::Woken;

// How often a finishing send looks whether the device took more bytes:
// no descriptor event tells of a send queue getting shorter.
constexpr int kQueueLookMs = 50;

// One name lookup on its helper thread.  Whoever lets go of it last
// frees it: the link that waited, or the helper of a lookup that was
// given up (a stop, the time limit) and still runs.
struct Lookup {
    std::mutex mutex;
    int status = 0, systemError = 0;
    addrinfo* found = nullptr;
    int done = -1;  // eventfd, readable once finished

    ~Lookup() {
        if (found) ::freeaddrinfo(found);
        if (done >= 0) ::close(done);
    }
};

// Failures of an established connection that mean the device is no longer
// there: unanswered keep-alive probes, a reset, a route that went away.
bool vanished(int code) {
    switch (code) {
    case ETIMEDOUT:
    case ECONNRESET:
    case EPIPE:
    case EHOSTUNREACH:
    case ENETUNREACH:
    case EHOSTDOWN:
    case ENETDOWN: return true;
    default: return false;
    }
}

class TcpLink final : public DeviceLink {
public:
    TcpLink(std::string host, int port, const StopSignal& stop, const TcpOptions& options)
        : host_(std::move(host)),
          port_(port),
          stop_(stop),
          options_(options),
          name_(host_ + ":" + std::to_string(port)) {}
    ~TcpLink() override { TcpLink::close(); }

    bool open(LinkError& error) override {
        close();
        sockaddr_in peer{};
        if (!lookUp(peer, error)) return false;
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd_ < 0) {
            error.set(LinkFailure::Connect, errno, name_ + ": " + systemText(errno));
            return false;
        }
        if (!keepAlive(error) || !connectTo(peer, error)) {
            close();
            return false;
        }
        return true;
    }

    long read(std::uint8_t* buffer, std::size_t size, int ms, LinkError& error) override {
        // recv() of nothing reads as the device's close.
        if (size == 0) return 0;
        const std::uint64_t start = monotonicMs();
        for (;;) {
            const ssize_t n = ::recv(fd_, buffer, size, 0);
            if (n > 0) return static_cast<long>(n);
            if (n == 0) {
                error.set(LinkFailure::Closed, 0, kClosedText);
                return -1;
            }
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                ended(errno, error);
                return -1;
            }
            const int left = posix::msLeft(ms, start);
            if (left == 0) return 0;
            switch (posix::waitFor(fd_, POLLIN, left, stop_)) {
            case Woken::Io: break;
            case Woken::Failed: ended(errno, error); return -1;
            default: return 0;
            }
        }
    }

    bool write(const std::uint8_t* data, std::size_t size, int stallMs, LinkError& error) override {
        return posix::writeAll(fd_, true, data, size, stallMs, stop_, name_, error);
    }

    // Only our sending side is shut down: the device may still talk (a
    // status pair after the last command), and a socket that refused its
    // input would answer that with a reset that throws away whatever the
    // device has not read yet.  So everything it says is read and dropped
    // until it closes: that close is the word that it has all our bytes.
    bool finishWrites(int stallMs, LinkError& error) override {
        if (::shutdown(fd_, SHUT_WR) != 0) {
            ended(errno, error);
            return false;
        }
        std::uint8_t sink[4096];
        int queued = outQueue();
        std::uint64_t movedAt = monotonicMs();
        for (;;) {
            if (stop_.requested()) {
                error.set(LinkFailure::Stopped, 0, kStoppedText);
                return false;
            }
            const ssize_t n = ::recv(fd_, sink, sizeof sink, 0);
            if (n == 0) return true;
            if (n > 0) {
                movedAt = monotonicMs();
                continue;
            }
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                ended(errno, error);
                return false;
            }
            const int now = outQueue();
            if (now < queued) {
                queued = now;
                movedAt = monotonicMs();
            }
            const int left = posix::msLeft(stallMs, movedAt);
            if (left == 0) {
                error.set(LinkFailure::Stalled, 0, stalledText(stallMs));
                return false;
            }
            switch (posix::waitFor(fd_, POLLIN, left < 0 || left > kQueueLookMs ? kQueueLookMs : left, stop_)) {
            case Woken::Stopped: error.set(LinkFailure::Stopped, 0, kStoppedText); return false;
            case Woken::Failed: ended(errno, error); return false;
            default: break;
            }
        }
    }

    void close() override {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    const std::string& name() const override { return name_; }

private:
    // A numeric address is taken as it is; a name is looked up on a helper
    // thread, since getaddrinfo can neither be stopped nor given a limit.
    bool lookUp(sockaddr_in& peer, LinkError& error) {
        peer.sin_family = AF_INET;
        peer.sin_port = htons(static_cast<std::uint16_t>(port_));
        if (::inet_pton(AF_INET, host_.c_str(), &peer.sin_addr) == 1) return true;

        auto lookup = std::make_shared<Lookup>();
        lookup->done = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (lookup->done < 0) {
            error.set(LinkFailure::Lookup, errno, host_ + ": " + systemText(errno));
            return false;
        }
        try {
            std::thread([lookup, host = host_] {
                addrinfo hints{};
                hints.ai_family = AF_INET;
                hints.ai_socktype = SOCK_STREAM;
                addrinfo* found = nullptr;
                const int status = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
                const int systemError = errno;
                {
                    std::lock_guard<std::mutex> lock(lookup->mutex);
                    lookup->status = status;
                    lookup->systemError = systemError;
                    lookup->found = found;
                }
                const std::uint64_t one = 1;
                (void)!::write(lookup->done, &one, sizeof one);
            }).detach();
        } catch (const std::system_error& e) {
            error.set(LinkFailure::Lookup, e.code().value(), host_ + ": " + e.code().message());
            return false;
        }

        switch (posix::waitFor(lookup->done, POLLIN, options_.connectLimitMs, stop_)) {
        case Woken::Stopped: error.set(LinkFailure::Stopped, 0, kStoppedText); return false;
        case Woken::TimedOut:
            error.set(LinkFailure::Lookup, ETIMEDOUT, host_ + ": no answer to the name lookup");
            return false;
        case Woken::Failed: error.set(LinkFailure::Lookup, errno, host_ + ": " + systemText(errno)); return false;
        case Woken::Io: break;
        }
        // The helper signals only after it has stored its result.
        std::lock_guard<std::mutex> lock(lookup->mutex);
        if (lookup->status != 0 || !lookup->found) {
            const bool system = lookup->status == EAI_SYSTEM;
            error.set(LinkFailure::Lookup, system ? lookup->systemError : lookup->status,
                      host_ + ": " + (system ? systemText(lookup->systemError) : ::gai_strerror(lookup->status)));
            return false;
        }
        peer.sin_addr = reinterpret_cast<const sockaddr_in*>(lookup->found->ai_addr)->sin_addr;
        return true;
    }

    // A capture only reads: without probes a device that lost its power
    // would never be noticed.
    bool keepAlive(LinkError& error) {
        const int on = 1;
        if (::setsockopt(fd_, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) != 0 ||
            ::setsockopt(fd_, IPPROTO_TCP, TCP_KEEPIDLE, &options_.keepAliveIdleS, sizeof(int)) != 0 ||
            ::setsockopt(fd_, IPPROTO_TCP, TCP_KEEPINTVL, &options_.keepAliveIntervalS, sizeof(int)) != 0 ||
            ::setsockopt(fd_, IPPROTO_TCP, TCP_KEEPCNT, &options_.keepAliveProbes, sizeof(int)) != 0) {
            error.set(LinkFailure::Connect, errno, name_ + ": keep-alive: " + systemText(errno));
            return false;
        }
        return true;
    }

    bool connectTo(const sockaddr_in& peer, LinkError& error) {
        if (::connect(fd_, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) return true;
        if (errno != EINPROGRESS && errno != EINTR) {
            error.set(LinkFailure::Connect, errno, name_ + ": " + systemText(errno));
            return false;
        }
        switch (posix::waitFor(fd_, POLLOUT, options_.connectLimitMs, stop_)) {
        case Woken::Stopped: error.set(LinkFailure::Stopped, 0, kStoppedText); return false;
        case Woken::TimedOut: error.set(LinkFailure::Connect, ETIMEDOUT, name_ + ": no answer"); return false;
        case Woken::Failed: error.set(LinkFailure::Connect, errno, name_ + ": " + systemText(errno)); return false;
        case Woken::Io: break;
        }
        int failure = 0;
        socklen_t length = sizeof failure;
        if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &failure, &length) != 0) failure = errno;
        if (failure != 0) {
            error.set(LinkFailure::Connect, failure, name_ + ": " + systemText(failure));
            return false;
        }
        return true;
    }

    // Bytes we sent that the device has not acknowledged yet.
    int outQueue() const {
        int queued = 0;
        return ::ioctl(fd_, SIOCOUTQ, &queued) == 0 ? queued : 0;
    }

    // Why the connection ended.
    void ended(int code, LinkError& error) const {
        if (vanished(code))
            error.set(LinkFailure::Gone, code, goneText(systemText(code)));
        else
            error.set(LinkFailure::Failed, code, name_ + ": " + systemText(code));
    }

    const std::string host_;
    const int port_;
    const StopSignal& stop_;
    const TcpOptions options_;
    const std::string name_;
    int fd_ = -1;
};

}  // namespace

std::unique_ptr<DeviceLink> makeTcpLink(const std::string& host, int port, const StopSignal& stop,
                                        const TcpOptions& options) {
    return std::make_unique<TcpLink>(host, port, stop, options);
}

}  // namespace orv
