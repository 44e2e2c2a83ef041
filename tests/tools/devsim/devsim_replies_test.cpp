// The simulator's answers to the peer's command bytes, in band with the
// data, and its record of what the peer sent.
#include "tests/tools/devsim/SimHarness.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace orv::test {
namespace {

TEST(Devsim, RepliesGoInBandBetweenWholeSequences) {
    // Slow the stream and keep the client's window small so that the
    // commands arrive while data flows.
    Sim sim({"--lan", "0", "--generate", "400k", "--seed", "3", "--chunk", "999", "--rate", "4M", "--i-value", "0x3",
             "--s-lines", "0xC"});
    const int fd = connectTo(sim.port(), 4096);
    ASSERT_GE(fd, 0);
    const std::string commands = "IxSIS";
    Bytes got;
    std::size_t nextCommand = 0;
    std::uint8_t buf[8192];
    const std::size_t expected = (400u << 10) + 8;
    while (got.size() < expected) {
        pollfd p = {fd, POLLIN, 0};
        ASSERT_GT(poll(&p, 1, 5000), 0) << "stalled at " << got.size();
        const ssize_t n = read(fd, buf, sizeof buf);
        ASSERT_GT(n, 0);
        got.insert(got.end(), buf, buf + n);
        if (nextCommand < commands.size() && got.size() > (nextCommand + 1) * 50000) {
            sendAll(fd, &commands[nextCommand], 1);
            ++nextCommand;
        }
    }
    close(fd);

    Bytes data, replies;
    ASSERT_TRUE(splitReplies(got, data, replies));
    EXPECT_TRUE(data == generated(3, 400u << 10));
    EXPECT_EQ(replies, (Bytes{0x43, 0x3C, 0x43, 0x3C}));

    const Report r = sim.report();
    EXPECT_EQ(r.sent, got.size());
    EXPECT_EQ(r.checksum, crc(got));
    EXPECT_EQ(r.data, data.size());
    EXPECT_EQ(r.dataChecksum, crc(data));
    EXPECT_EQ(r.received, commands.size());
    EXPECT_EQ(r.replies, 4u);
    EXPECT_EQ(sim.wait(), 0);
}

// Data made only of escaped bells, written three bytes at a time: every
// other write ends inside a pair, and no reply may land there.
TEST(Devsim, ReplyNeverSplitsAnEscapePair) {
    const std::string file = tempPath("bells");
    Bytes bells;
    for (int i = 0; i < 3000; ++i) {
        bells.push_back(0x07);
        bells.push_back(0x27);
    }
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bells.data()), bells.size());

    Sim sim({"--lan", "0", "--file", file, "--chunk", "3", "--rate", "30000", "--close-when-done"});
    const int fd = connectTo(sim.port());
    ASSERT_GE(fd, 0);
    Bytes got;
    std::uint8_t buf[512];
    int commandsSent = 0;
    for (;;) {
        pollfd p = {fd, POLLIN, 0};
        ASSERT_GT(poll(&p, 1, 5000), 0);
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) break;
        got.insert(got.end(), buf, buf + n);
        if (commandsSent < 40) {
            sendAll(fd, commandsSent % 2 ? "S" : "I", 1);
            ++commandsSent;
        }
    }
    close(fd);
    Bytes data, replies;
    ASSERT_TRUE(splitReplies(got, data, replies));
    EXPECT_TRUE(data == bells);
    EXPECT_EQ(static_cast<int>(replies.size()), commandsSent);
    EXPECT_EQ(sim.report().replies, static_cast<unsigned long long>(commandsSent));
    EXPECT_EQ(sim.wait(), 0);
    unlink(file.c_str());
}

// Data cut right after a 0x07 never closes that pair: a command that comes
// after the data is still answered.
TEST(Devsim, ReplyAfterDataThatEndsInsideAPair) {
    const Bytes stream = generated(3, 100000);
    std::size_t size = 0;
    while (size < stream.size() && stream[size] != 0x07) ++size;
    ASSERT_LT(size, stream.size());
    ++size;
    Sim sim({"--lan", "0", "--generate", std::to_string(size), "--seed", "3"});
    const int fd = connectTo(sim.port());
    ASSERT_GE(fd, 0);
    Bytes got;
    std::uint8_t buf[4096];
    bool asked = false;
    while (got.size() < size + 2) {
        if (!asked && got.size() >= size) {
            sendAll(fd, "I", 1);
            asked = true;
        }
        pollfd p = {fd, POLLIN, 0};
        ASSERT_GT(poll(&p, 1, 5000), 0) << "nothing more after " << got.size() << " bytes";
        const ssize_t n = read(fd, buf, sizeof buf);
        ASSERT_GT(n, 0);
        got.insert(got.end(), buf, buf + n);
    }
    close(fd);
    Bytes want(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(size));
    want.insert(want.end(), {0x07, 0x4A});
    EXPECT_TRUE(got == want);
    const Report r = sim.report();
    EXPECT_EQ(r.sent, size + 2);
    EXPECT_EQ(r.replies, 1u);
    EXPECT_EQ(sim.wait(), 0);
}

TEST(Devsim, ReplyGapHoldsTheReplyByteBack) {
    Sim sim({"--lan", "0", "--hold", "--reply-gap", "300"});
    const int fd = connectTo(sim.port());
    ASSERT_GE(fd, 0);
    sendAll(fd, "SI", 2);
    // The reply byte is held back: a read never holds a 0x07 together
    // with the byte after it.  (One reply's second byte and the next
    // reply's 0x07 may well come in one read.)
    Bytes pieces;
    while (pieces.size() < 4) {
        pollfd p = {fd, POLLIN, 0};
        ASSERT_GT(poll(&p, 1, 5000), 0);
        std::uint8_t buf[16];
        const ssize_t n = read(fd, buf, sizeof buf);
        ASSERT_GT(n, 0);
        for (ssize_t i = 0; i + 1 < n; ++i) EXPECT_NE(buf[i], 0x07) << "reply byte read together with its 0x07";
        pieces.insert(pieces.end(), buf, buf + n);
    }
    EXPECT_EQ(pieces, (Bytes{0x07, 0x35, 0x07, 0x4A}));
    close(fd);
    EXPECT_EQ(sim.report().replies, 2u);
    EXPECT_EQ(sim.wait(), 0);
}

TEST(Devsim, RecordsWhatThePeerSends) {
    struct Case {
        const char* name;
        bool replies;
    };
    for (const Case c : {Case{"no-replies", false}, Case{"replies", true}}) {
        SCOPED_TRACE(c.name);
        const std::string record = tempPath(std::string("record-") + c.name);
        std::vector<std::string> args{"--lan", "0", "--hold", "--record", record};
        if (!c.replies) args.push_back("--no-replies");
        Sim sim(args);
        const int fd = connectTo(sim.port());
        ASSERT_GE(fd, 0);
        Bytes sent(100000);
        std::mt19937 rng(11);
        for (auto& b : sent) b = static_cast<std::uint8_t>(rng());
        sent[10] = 'I';
        sent[20] = 'S';
        std::size_t commands = 0;
        for (std::uint8_t b : sent) commands += b == 'I' || b == 'S';
        sendAll(fd, sent.data(), sent.size());
        // Every reply arrives before the peer closes; nothing else does.
        Bytes back;
        const std::size_t expected = c.replies ? 2 * commands : 0;
        std::uint8_t buf[4096];
        for (;;) {
            pollfd p = {fd, POLLIN, 0};
            if (poll(&p, 1, back.size() < expected ? 5000 : 200) <= 0) break;
            const ssize_t n = read(fd, buf, sizeof buf);
            if (n <= 0) break;
            back.insert(back.end(), buf, buf + n);
        }
        close(fd);

        const Report r = sim.report();
        EXPECT_EQ(sim.wait(), 0);
        EXPECT_TRUE(readFile(record) == sent);
        EXPECT_EQ(r.received, sent.size());
        EXPECT_EQ(r.data, 0u);
        EXPECT_EQ(r.replies, c.replies ? commands : 0u);
        ASSERT_EQ(back.size(), expected);
        for (std::size_t i = 0, k = 0; c.replies && i < sent.size(); ++i) {
            if (sent[i] != 'I' && sent[i] != 'S') continue;
            EXPECT_EQ(back[k], 0x07);
            EXPECT_EQ(back[k + 1], sent[i] == 'I' ? 0x4A : 0x35) << "reply " << k / 2;
            k += 2;
        }
        unlink(record.c_str());
    }
}

}  // namespace
}  // namespace orv::test
