// The device links on Linux: a TCP client and a serial port, each read
// with poll together with the stop pipe.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "tools/companion/DeviceLinks.h"
#include "tools/companion/posix/StopSignal.h"

namespace orv::companion {
namespace {

// How long the device may take to close after our end of a send.
constexpr std::uint64_t kPeerCloseMs = 1000;

std::string errnoText(int error) { return std::strerror(error); }

// Waits for events on fd, or the stop: 1 ready, 0 time-out or stop, -1 error.
int waitFor(int fd, short events, int ms) {
    pollfd fds[2] = {{fd, events, 0}, {stopFd(), POLLIN, 0}};
    for (;;) {
        const int r = ::poll(fds, stopFd() >= 0 ? 2 : 1, ms);
        if (r < 0 && errno == EINTR) {
            if (stopAsked()) return 0;
            continue;
        }
        if (r <= 0) return r;
        if (stopAsked() && !(fds[0].revents & (events | POLLHUP | POLLERR))) return 0;
        return 1;
    }
}

// Reads what is ready on fd after waitFor said so.
long readReady(int fd, std::uint8_t* buffer, std::size_t size, int ms, std::string& why, const char* ended) {
    const int ready = waitFor(fd, POLLIN, ms);
    if (ready == 0) return 0;
    if (ready < 0) {
        why = errnoText(errno);
        return -1;
    }
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n > 0) return static_cast<long>(n);
        if (n == 0) {
            why = ended;
            return -1;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
        why = errnoText(errno);
        return -1;
    }
}

std::uint64_t nowMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

class FdLink : public DeviceLink {
public:
    ~FdLink() override { FdLink::close(); }

    bool write(const std::uint8_t* data, std::size_t size, int stallMs, std::string& why) override {
        std::uint64_t movedAt = nowMs();
        while (size > 0) {
            const ssize_t n = ::write(fd_, data, size);
            if (n > 0) {
                data += n;
                size -= static_cast<std::size_t>(n);
                movedAt = nowMs();
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                why = errnoText(errno);
                return false;
            }
            const std::uint64_t idle = nowMs() - movedAt;
            if (idle >= static_cast<std::uint64_t>(stallMs)) {
                why = "the device took no byte for " + std::to_string(stallMs / 1000) + " s";
                return false;
            }
            waitFor(fd_, POLLOUT, static_cast<int>(static_cast<std::uint64_t>(stallMs) - idle));
            if (stopAsked()) {
                why = "stopped";
                return false;
            }
        }
        return true;
    }
    void close() override {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

protected:
    int fd_ = -1;
};

class TcpLink final : public FdLink {
public:
    TcpLink(std::string host, int port) : host_(std::move(host)), port_(port) {}

    bool open(std::string& why) override {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        const std::string service = std::to_string(port_);
        if (int e = ::getaddrinfo(host_.c_str(), service.c_str(), &hints, &found); e != 0 || !found) {
            why = host_ + ": " + (e != 0 ? ::gai_strerror(e) : "no address");
            return false;
        }
        sockaddr_in peer{};
        std::memcpy(&peer, found->ai_addr, sizeof peer);
        ::freeaddrinfo(found);
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd_ < 0) {
            why = errnoText(errno);
            return false;
        }
        const std::string where = host_ + ":" + service;
        if (::connect(fd_, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
            if (errno != EINPROGRESS) return failed(where + ": " + errnoText(errno), why);
            const int ready = waitFor(fd_, POLLOUT, connectLimitMs);
            if (ready <= 0) return failed(where + (ready == 0 && !stopAsked() ? ": no answer" : ": stopped"), why);
            int error = 0;
            socklen_t size = sizeof error;
            ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size);
            if (error != 0) return failed(where + ": " + errnoText(error), why);
        }
        return true;
    }

    long read(std::uint8_t* buffer, std::size_t size, int ms, std::string& why) override {
        return readReady(fd_, buffer, size, ms, why, "the device closed the connection");
    }

    // Our side ends; what the device still sends is read and dropped until
    // it closes, so that unread input cannot make the close a reset that
    // throws away what the device has not taken yet.
    bool finishWrites(int, std::string& why) override {
        if (::shutdown(fd_, SHUT_WR) != 0) {
            why = errnoText(errno);
            return false;
        }
        std::uint8_t sink[4096];
        const std::uint64_t endAt = nowMs() + kPeerCloseMs;
        for (std::uint64_t now = nowMs(); now < endAt; now = nowMs()) {
            std::string ignored;
            if (readReady(fd_, sink, sizeof sink, static_cast<int>(endAt - now), ignored, "") < 0) break;
        }
        return true;
    }

private:
    bool failed(const std::string& text, std::string& why) {
        why = text;
        close();
        return false;
    }

    std::string host_;
    int port_;
};

class SerialLink final : public FdLink {
public:
    explicit SerialLink(std::string device) : device_(std::move(device)) {}

    bool open(std::string& why) override {
        fd_ = ::open(device_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) {
            why = device_ + ": " + errnoText(errno);
            return false;
        }
        termios t{};
        if (::tcgetattr(fd_, &t) != 0) return failed(why);
        ::cfmakeraw(&t);
        t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CSIZE);
        t.c_cflag |= CS8 | CREAD | CLOCAL | CRTSCTS;
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;
        // Bytes already waiting on the line are kept: they are the device's.
        if (::cfsetispeed(&t, B921600) != 0 || ::cfsetospeed(&t, B921600) != 0 || ::tcsetattr(fd_, TCSANOW, &t) != 0)
            return failed(why);
        return true;
    }

    long read(std::uint8_t* buffer, std::size_t size, int ms, std::string& why) override {
        const long n = readReady(fd_, buffer, size, ms, why, "the device is gone");
        // A terminal whose other end has gone fails its reads with EIO.
        if (n < 0 && why == errnoText(EIO)) why = "the device is gone";
        return n;
    }

    // Waits until the output queue is empty, for as long as bytes leave.
    bool finishWrites(int stallMs, std::string& why) override {
        int queued = -1;
        std::uint64_t movedAt = nowMs();
        for (;;) {
            int now = 0;
            if (::ioctl(fd_, TIOCOUTQ, &now) != 0) {
                why = errnoText(errno);
                return false;
            }
            if (now == 0) return ::tcdrain(fd_) == 0 || (why = errnoText(errno), false);
            if (now != queued) {
                queued = now;
                movedAt = nowMs();
            } else if (nowMs() - movedAt >= static_cast<std::uint64_t>(stallMs)) {
                why = "the device took no byte for " + std::to_string(stallMs / 1000) + " s";
                return false;
            }
            if (waitForStop(10)) {
                why = "stopped";
                return false;
            }
        }
    }

private:
    bool failed(std::string& why) {
        why = device_ + ": " + errnoText(errno);
        close();
        return false;
    }

    std::string device_;
};

}  // namespace

std::unique_ptr<DeviceLink> makeLanLink(const std::string& host, int port) {
    return std::make_unique<TcpLink>(host, port);
}

std::unique_ptr<DeviceLink> makeSerialLink(const std::string& device) { return std::make_unique<SerialLink>(device); }

}  // namespace orv::companion
