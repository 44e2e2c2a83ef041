// A device that loses its power ends its connection without a word on the
// wire: only the keep-alive probes find out.  Played in a network of the
// test's own, whose loopback it takes down and up again.
#include <gtest/gtest.h>

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "link/DeviceLink.h"
#include "tests/link/posix/LinkPeers.h"

namespace orv {
namespace {

bool setLoopback(bool up) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strcpy(request.ifr_name, "lo");
    bool done = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    if (done) {
        request.ifr_flags = static_cast<short>(up ? request.ifr_flags | IFF_UP : request.ifr_flags & ~IFF_UP);
        done = ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    }
    if (fd >= 0) ::close(fd);
    return done;
}

TEST(TcpLink, ADeviceThatVanishedIsGoneOnceTheProbesGoUnanswered) {
    std::string skip;
    long got = 0;
    LinkError error;
    // A namespace belongs to the thread that made it: this one, whose
    // sockets are all closed when it ends, takes it along.
    std::thread inside([&] {
        if (::unshare(CLONE_NEWNET) != 0 || !setLoopback(true)) {
            skip = std::string("no private network here: ") + std::strerror(errno);
            return;
        }
        test::Listener device;
        StopSignal stop;
        TcpOptions options;
        options.keepAliveIdleS = 1;
        options.keepAliveIntervalS = 1;
        options.keepAliveProbes = 3;
        auto link = makeTcpLink("127.0.0.1", device.port, stop, options);
        ASSERT_TRUE(link->open(error)) << error.text;
        const int peer = device.accept();
        ASSERT_GE(peer, 0);
        ASSERT_EQ(::send(peer, "status", 6, MSG_NOSIGNAL), 6);
        std::uint8_t buffer[16];
        ASSERT_EQ(link->read(buffer, sizeof buffer, 5000, error), 6);

        // The wire is cut, the device resets its end unheard, the wire is back.
        ASSERT_TRUE(setLoopback(false));
        const linger abort{1, 0};
        ::setsockopt(peer, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        ::close(peer);
        ASSERT_TRUE(setLoopback(true));
        got = link->read(buffer, sizeof buffer, 20000, error);
    });
    inside.join();
    if (!skip.empty()) GTEST_SKIP() << skip;
    EXPECT_EQ(got, -1) << "the read should end well before its 20 s";
    EXPECT_EQ(error.kind, LinkFailure::Gone);
    EXPECT_EQ(error.text.rfind("the device is gone", 0), 0u) << error.text;
}

}  // namespace
}  // namespace orv
