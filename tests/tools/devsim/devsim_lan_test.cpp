// What the simulator streams to a TCP peer: the bytes, the pace, the
// connections and the end of a run.
#include "tests/tools/devsim/SimHarness.h"
#include "tools/devsim/EscpJobs.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <string>

namespace orv::test {
namespace {

TEST(Devsim, GeneratedStreamIsByteExactAndReported) {
    Sim sim({"--lan", "0", "--generate", "3M", "--seed", "7", "--close-when-done"});
    const int fd = connectTo(sim.port());
    ASSERT_GE(fd, 0);
    Bytes got;
    EXPECT_TRUE(readUntilEof(fd, got)) << "the connection should end after the data";
    close(fd);
    const Bytes want = generated(7, 3u << 20);
    ASSERT_EQ(got.size(), want.size());
    EXPECT_TRUE(got == want);

    const Report r = sim.report();
    EXPECT_EQ(r.sent, want.size());
    EXPECT_EQ(r.data, want.size());
    EXPECT_EQ(r.received, 0u);
    EXPECT_EQ(r.replies, 0u);
    EXPECT_EQ(r.checksum, crc(want));
    EXPECT_EQ(r.dataChecksum, crc(want));
    EXPECT_EQ(sim.wait(), 0);
}

TEST(Devsim, EscpJobsOneAfterAnother) {
    Sim sim({"--lan", "0", "--escp", "--seed", "5", "--jobs", "2", "--job-gap", "0", "--close-when-done"});
    const int fd = connectTo(sim.port());
    ASSERT_GE(fd, 0);
    Bytes got;
    EXPECT_TRUE(readUntilEof(fd, got));
    close(fd);
    const std::string want = devsim::deviceEscaped(devsim::escpJob(5, 0) + devsim::escpJob(5, 1));
    EXPECT_EQ(std::string(got.begin(), got.end()), want);
    EXPECT_EQ(sim.report().data, want.size());
    EXPECT_EQ(sim.wait(), 0);
}

TEST(Devsim, StaysOpenWithoutCloseWhenDoneUntilThePeerCloses) {
    Sim sim({"--lan", "127.0.0.1:0", "--generate", "1000", "--seed", "2"});
    const int fd = connectTo(sim.port());
    ASSERT_GE(fd, 0);
    Bytes got;
    EXPECT_FALSE(readUntilEof(fd, got, 300)) << "no EOF while the peer keeps the connection";
    EXPECT_TRUE(got == generated(2, 1000));
    close(fd);
    const Report r = sim.report();
    EXPECT_EQ(r.sent, 1000u);
    EXPECT_EQ(sim.wait(), 0);
}

TEST(Devsim, FileStreamedToEachConnection) {
    const std::string file = tempPath("file");
    const Bytes content = generated(77, 50000);
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(content.data()), content.size());

    Sim sim({"--lan", "0", "--file", file, "--close-when-done", "--connections", "2", "--chunk", "4096"});
    const int port = sim.port();
    for (int i = 0; i < 2; ++i) {
        const int fd = connectTo(port);
        ASSERT_GE(fd, 0);
        Bytes got;
        EXPECT_TRUE(readUntilEof(fd, got));
        close(fd);
        EXPECT_TRUE(got == content) << "connection " << i;
        const Report r = sim.report();
        EXPECT_EQ(r.sent, content.size());
        EXPECT_EQ(r.dataChecksum, crc(content));
    }
    EXPECT_EQ(sim.wait(), 0);
    unlink(file.c_str());
}

TEST(Devsim, SignalEndsTheRunWithAReport) {
    {
        Sim sim({"--lan", "0", "--hold"});
        ASSERT_GT(sim.port(), 0);
        sim.signal(SIGTERM);
        const Report r = sim.report();
        EXPECT_EQ(r.sent + r.received, 0u);
        EXPECT_EQ(sim.wait(), 0);
    }
    {
        Sim sim({"--lan", "0", "--generate", "1000"});
        const int fd = connectTo(sim.port());
        ASSERT_GE(fd, 0);
        Bytes got;
        readUntilEof(fd, got, 200);
        sendAll(fd, "I", 1);
        std::uint8_t reply[2];
        ASSERT_EQ(recv(fd, reply, 2, MSG_WAITALL), 2);
        EXPECT_EQ(reply[0], 0x07);
        EXPECT_EQ(reply[1], 0x4A);
        sim.signal(SIGINT);
        const Report r = sim.report();
        EXPECT_EQ(r.sent, 1002u);
        EXPECT_EQ(r.received, 1u);
        EXPECT_EQ(sim.wait(), 0);
        close(fd);
    }
}

TEST(Devsim, RateLimitsTheStream) {
    Sim sim({"--lan", "0", "--generate", "100000", "--rate", "400000", "--close-when-done"});
    const int fd = connectTo(sim.port());
    ASSERT_GE(fd, 0);
    const auto start = std::chrono::steady_clock::now();
    Bytes got;
    EXPECT_TRUE(readUntilEof(fd, got));
    const auto took = std::chrono::steady_clock::now() - start;
    close(fd);
    EXPECT_EQ(got.size(), 100000u);
    // 100000 bytes at 400000 per second cannot come in under 0.2 s.
    EXPECT_GE(took, std::chrono::milliseconds(200));
    EXPECT_EQ(sim.wait(), 0);
}

}  // namespace
}  // namespace orv::test
