#include "tools/devsim/System.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orv {
namespace devsim {
namespace {

// A signal handler can reach nothing but a file-level value.
int gSignalPipe[2] = {-1, -1};

void onSignal(int) {
    const int saved = errno;
    const char c = 1;
    (void)!write(gSignalPipe[1], &c, 1);
    errno = saved;
}

}  // namespace

std::string errorText(const std::string& what) { return what + ": " + std::strerror(errno); }

void Fd::reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

void setNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) throw SystemError(errorText("fcntl"));
}

void installSignals() {
    if (pipe(gSignalPipe) != 0) throw SystemError(errorText("pipe"));
    setNonBlocking(gSignalPipe[0]);
    setNonBlocking(gSignalPipe[1]);
    fcntl(gSignalPipe[0], F_SETFD, FD_CLOEXEC);
    fcntl(gSignalPipe[1], F_SETFD, FD_CLOEXEC);
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

int signalFd() { return gSignalPipe[0]; }

bool signalled(short revents) { return (revents & POLLIN) != 0; }

bool waitReadable(int fd) {
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {gSignalPipe[0], POLLIN, 0}};
        const int r = ::poll(fds, 2, -1);
        if (r < 0) {
            if (errno == EINTR) continue;
            throw SystemError(errorText("poll"));
        }
        if (signalled(fds[1].revents)) return false;
        if (fds[0].revents) return true;
    }
}

bool sleepFor(int ms) {
    pollfd fd = {gSignalPipe[0], POLLIN, 0};
    const int r = ::poll(&fd, 1, ms);
    return !(r > 0 && signalled(fd.revents));
}

}  // namespace devsim
}  // namespace orv
