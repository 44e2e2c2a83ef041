#include "link/posix/FdWait.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "base/Clock.h"

namespace orv::posix {

Woken waitFor(int fd, short events, int ms, const StopSignal& stop, short* revents) {
    pollfd fds[2] = {{fd, events, 0}, {static_cast<int>(stop.waitable()), POLLIN, 0}};
    const std::uint64_t start = monotonicMs();
    for (;;) {
        const int r = ::poll(fds, 2, msLeft(ms, start));
        if (r < 0) {
            if (errno == EINTR) continue;
            return Woken::Failed;
        }
        if (fds[0].revents != 0) {
            if (revents) *revents = fds[0].revents;
            return Woken::Io;
        }
        if (r > 0 || stop.requested()) return Woken::Stopped;
        return Woken::TimedOut;
    }
}

int msLeft(int limitMs, std::uint64_t startMs) {
    if (limitMs < 0) return -1;
    const std::uint64_t spent = monotonicMs() - startMs;
    return spent >= static_cast<std::uint64_t>(limitMs) ? 0 : limitMs - static_cast<int>(spent);
}

bool writeAll(int fd, bool socket, const std::uint8_t* data, std::size_t size, int stallMs, const StopSignal& stop,
              const std::string& name, LinkError& error) {
    std::uint64_t movedAt = monotonicMs();
    while (size > 0) {
        // A device that takes every byte at once never makes us wait: the
        // stop is looked at on every turn.
        if (stop.requested()) {
            error.set(LinkFailure::Stopped, 0, kStoppedText);
            return false;
        }
        // A socket whose peer has gone must not kill the program with SIGPIPE.
        const ssize_t n = socket ? ::send(fd, data, size, MSG_NOSIGNAL) : ::write(fd, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
            movedAt = monotonicMs();
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            error.set(LinkFailure::Failed, errno, name + ": " + systemText(errno));
            return false;
        }
        const int left = msLeft(stallMs, movedAt);
        if (left == 0) {
            error.set(LinkFailure::Stalled, 0, stalledText(stallMs));
            return false;
        }
        switch (waitFor(fd, POLLOUT, left, stop)) {
        case Woken::Stopped: error.set(LinkFailure::Stopped, 0, kStoppedText); return false;
        case Woken::Failed: error.set(LinkFailure::Failed, errno, name + ": " + systemText(errno)); return false;
        default: break;
        }
    }
    return true;
}

std::string systemText(int code) { return std::system_category().message(code); }

}  // namespace orv::posix
