// The simulator on a pseudo-terminal: a peer opens the link, and its
// close ends the connection.
#include "tests/tools/devsim/SimHarness.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <string>

namespace orv::test {
namespace {

TEST(Devsim, PtyCarriesTheStreamAndTheReplies) {
    const std::string link = tempPath("com5");
    Sim sim({"--pty", link, "--generate", "256k", "--seed", "9", "--delay-start", "100", "--chunk", "4096",
             "--close-when-done"});
    const std::string first = sim.line();
    ASSERT_EQ(first.rfind("pty /dev/pts/", 0), 0u) << first << sim.errors();
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(first.substr(4), target);

    const int fd = open(link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    ASSERT_EQ(write(fd, "S", 1), 1);
    Bytes got;
    EXPECT_TRUE(readUntilEof(fd, got));
    close(fd);

    Bytes data, replies;
    ASSERT_TRUE(splitReplies(got, data, replies));
    EXPECT_TRUE(data == generated(9, 256u << 10));
    EXPECT_EQ(replies, Bytes{0x35});
    const Report r = sim.report();
    EXPECT_EQ(r.sent, got.size());
    EXPECT_EQ(r.checksum, crc(got));
    EXPECT_EQ(r.received, 1u);
    EXPECT_EQ(sim.wait(), 0);
    EXPECT_NE(access(link.c_str(), F_OK), 0) << "the link is removed at the end";
}

TEST(Devsim, PtyPeerClosingEndsTheConnection) {
    const std::string link = tempPath("com12");
    Sim sim({"--pty", link, "--hold", "--connections", "2"});
    ASSERT_EQ(sim.line().rfind("pty ", 0), 0u);
    for (int i = 0; i < 2; ++i) {
        const int fd = open(link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        termios t{};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
        ASSERT_EQ(write(fd, "IS", 2), 2);
        std::uint8_t reply[4];
        std::size_t have = 0;
        while (have < 4) {
            pollfd p = {fd, POLLIN, 0};
            ASSERT_GT(poll(&p, 1, 5000), 0);
            const ssize_t n = read(fd, reply + have, 4 - have);
            ASSERT_GT(n, 0);
            have += static_cast<std::size_t>(n);
        }
        EXPECT_EQ(Bytes(reply, reply + 4), (Bytes{0x07, 0x4A, 0x07, 0x35}));
        close(fd);
        const Report r = sim.report();
        EXPECT_EQ(r.received, 2u) << "connection " << i;
        EXPECT_EQ(r.replies, 2u);
    }
    EXPECT_EQ(sim.wait(), 0);
}

}  // namespace
}  // namespace orv::test
