#include "link/StopSignal.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace orv {

StopSignal::StopSignal() {
    int fds[2];
    // Without its pipe a stop could not end a wait: nothing may run then.
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) std::abort();
    waitable_ = fds[0];
    writeEnd_ = fds[1];
}

StopSignal::~StopSignal() {
    ::close(static_cast<int>(waitable_));
    ::close(static_cast<int>(writeEnd_));
}

void StopSignal::request() {
    requested_.store(true);
    const char byte = 1;
    // A full pipe is readable already.
    (void)!::write(static_cast<int>(writeEnd_), &byte, 1);
}

void StopSignal::clear() {
    char sink[64];
    while (::read(static_cast<int>(waitable_), sink, sizeof sink) > 0) {}
    requested_.store(false);
}

bool StopSignal::wait(int ms) const {
    pollfd fd{static_cast<int>(waitable_), POLLIN, 0};
    while (!requested()) {
        const int r = ::poll(&fd, 1, ms);
        if (r >= 0 || errno != EINTR) break;
    }
    return requested();
}

}  // namespace orv
