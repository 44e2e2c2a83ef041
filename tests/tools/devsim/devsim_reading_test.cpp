// How fast the simulator reads what the peer sends: a paced reader and a
// stalled one.
#include "tests/tools/devsim/SimHarness.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

namespace orv::test {
namespace {

// A client whose own buffers are small, so that what it sends waits on
// the simulator's reading.
int smallClient(int port) {
    const int fd = connectTo(port, 4096);
    const int size = 4096;
    if (fd >= 0) setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    return fd;
}

TEST(Devsim, ReadRatePacesWhatIsRead) {
    const std::string record = tempPath("paced");
    Sim sim({"--lan", "0", "--hold", "--no-replies", "--read-rate", "100000", "--receive-buffer", "4096", "--record",
             record});
    const int fd = smallClient(sim.port());
    ASSERT_GE(fd, 0);
    const Bytes sent = generated(5, 60000);
    const auto start = std::chrono::steady_clock::now();
    sendAll(fd, sent.data(), sent.size());
    shutdown(fd, SHUT_WR);
    const Report r = sim.report();
    const auto took = std::chrono::steady_clock::now() - start;
    close(fd);
    EXPECT_EQ(r.received, sent.size());
    EXPECT_TRUE(readFile(record) == sent);
    // 60000 bytes at 100000 per second cannot be read in under 0.5 s.
    EXPECT_GE(took, std::chrono::milliseconds(500));
    EXPECT_EQ(sim.wait(), 0);
    unlink(record.c_str());
}

TEST(Devsim, StallStopsReadingThenReadsOn) {
    const std::string record = tempPath("stall");
    Sim sim({"--lan", "0", "--hold", "--no-replies", "--stall-after", "1000", "--stall-ms", "1500", "--receive-buffer",
             "4096", "--record", record});
    const int fd = smallClient(sim.port());
    ASSERT_GE(fd, 0);
    const int flags = fcntl(fd, F_GETFL);
    fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    const Bytes sent = generated(6, 300000);
    const auto start = std::chrono::steady_clock::now();
    std::size_t at = 0;
    bool blocked = false;
    std::size_t takenBeforeBlock = 0;
    while (at < sent.size()) {
        const ssize_t w = send(fd, sent.data() + at, sent.size() - at, MSG_NOSIGNAL);
        if (w > 0) {
            at += static_cast<std::size_t>(w);
            continue;
        }
        ASSERT_TRUE(errno == EAGAIN || errno == EWOULDBLOCK) << std::strerror(errno);
        if (!blocked) {
            blocked = true;
            takenBeforeBlock = at;
        }
        pollfd p = {fd, POLLOUT, 0};
        ASSERT_GT(poll(&p, 1, 10000), 0) << "the simulator never read on after its stall";
    }
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(blocked);
    EXPECT_LT(takenBeforeBlock, sent.size()) << "the stall must hold the sender back";
    // The sender waited out the 1.5 s stall; no send gets past it sooner.
    EXPECT_GE(took, std::chrono::milliseconds(1000));
    shutdown(fd, SHUT_WR);
    const Report r = sim.report();
    close(fd);
    EXPECT_EQ(r.received, sent.size());
    EXPECT_TRUE(readFile(record) == sent);
    EXPECT_EQ(sim.wait(), 0);
    unlink(record.c_str());
}

}  // namespace
}  // namespace orv::test
