// The device simulator as a child process, driven over TCP and a pty.
#include "tools/devsim/PrinterData.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern char** environ;

using orv::devsim::crc32Update;
using orv::devsim::generatePrinterData;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct Report {
    unsigned long long sent = 0, received = 0, data = 0, replies = 0;
    unsigned checksum = 0, dataChecksum = 0;
};

bool parseReport(const std::string& line, Report& r)
{
    char tail = 0;
    return std::sscanf(line.c_str(),
                       "sent %llu bytes checksum %8X received %llu bytes data %llu bytes "
                       "data-checksum %8X replies %llu%c",
                       &r.sent, &r.checksum, &r.received, &r.data, &r.dataChecksum, &r.replies,
                       &tail) == 6;
}

std::string tempPath(const std::string& name)
{
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/orv-devsim-" + std::to_string(getpid()) + "-" + name;
}

// One run of the simulator with its stdout and stderr on pipes.
class Sim {
public:
    explicit Sim(const std::vector<std::string>& args)
    {
        int out[2], err[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
            std::abort();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        std::vector<std::string> all{ORV_DEVSIM_PATH};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        spawned_ = posix_spawn(&pid_, ORV_DEVSIM_PATH, &actions, nullptr, argv.data(), environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~Sim()
    {
        if (spawned_ && !waited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(out_);
        close(err_);
    }

    // The next stdout line, or "" after the timeout or at the end.
    std::string line(int timeoutMs = 5000)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const auto nl = pending_.find('\n');
            if (nl != std::string::npos) {
                std::string l = pending_.substr(0, nl);
                pending_.erase(0, nl + 1);
                return l;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now()).count();
            pollfd p = {out_, POLLIN, 0};
            if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0)
                return "";
            char buf[256];
            const ssize_t n = read(out_, buf, sizeof buf);
            if (n <= 0)
                return "";
            pending_.append(buf, static_cast<std::size_t>(n));
        }
    }

    // Port from the "listening 127.0.0.1:PORT" line.
    int port()
    {
        const std::string l = line();
        unsigned a, b, c, d, port = 0;
        if (std::sscanf(l.c_str(), "listening %u.%u.%u.%u:%u", &a, &b, &c, &d, &port) != 5)
            ADD_FAILURE() << "no listening line: " << l << " / " << errors();
        return static_cast<int>(port);
    }

    Report report()
    {
        const std::string l = line();
        Report r;
        EXPECT_TRUE(parseReport(l, r)) << "report line: " << l;
        return r;
    }

    // Exit status, or -1 when it does not end within the timeout.
    int wait(int timeoutMs = 5000)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                waited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            usleep(2000);
        }
        return -1;
    }

    void signal(int sig) { kill(pid_, sig); }

    // Everything still to come on stdout, up to its end.
    std::string rest()
    {
        std::string all = pending_;
        pending_.clear();
        char buf[4096];
        pollfd p = {out_, POLLIN, 0};
        while (poll(&p, 1, 5000) > 0) {
            const ssize_t n = read(out_, buf, sizeof buf);
            if (n <= 0)
                break;
            all.append(buf, static_cast<std::size_t>(n));
        }
        return all;
    }

    std::string errors()
    {
        std::string all;
        char buf[512];
        pollfd p = {err_, POLLIN, 0};
        while (poll(&p, 1, 0) > 0) {
            const ssize_t n = read(err_, buf, sizeof buf);
            if (n <= 0)
                break;
            all.append(buf, static_cast<std::size_t>(n));
        }
        return all;
    }

    bool spawned() const { return spawned_; }

private:
    pid_t pid_ = -1;
    bool spawned_ = false;
    bool waited_ = false;
    int out_ = -1, err_ = -1;
    std::string pending_;
};

int connectTo(int port, int receiveBuffer = 0)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (receiveBuffer > 0)
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void sendAll(int fd, const void* p, std::size_t n)
{
    const auto* b = static_cast<const std::uint8_t*>(p);
    while (n > 0) {
        const ssize_t w = send(fd, b, n, MSG_NOSIGNAL);
        ASSERT_GT(w, 0);
        b += w;
        n -= static_cast<std::size_t>(w);
    }
}

// Reads until EOF (true) or until nothing came for idleMs (false).
bool readUntilEof(int fd, Bytes& into, int idleMs = 5000)
{
    std::uint8_t buf[65536];
    for (;;) {
        pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, idleMs) <= 0)
            return false;
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0)
            return true; // EOF, or EIO on a pty whose master has gone
        into.insert(into.end(), buf, buf + n);
    }
}

Bytes generated(std::uint64_t seed, std::size_t n)
{
    Bytes v(n);
    generatePrinterData(seed, 0, v.data(), n);
    return v;
}

std::uint32_t crc(const Bytes& v)
{
    return crc32Update(0, v.data(), v.size());
}

Bytes readFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Splits a received stream into the data (with its 0x07 0x27 pairs) and
// the reply bytes; fails on a 0x07 sequence that is neither.
::testing::AssertionResult splitReplies(const Bytes& stream, Bytes& data, Bytes& replies)
{
    for (std::size_t i = 0; i < stream.size(); ++i) {
        if (stream[i] != 0x07) {
            data.push_back(stream[i]);
            continue;
        }
        if (i + 1 == stream.size())
            return ::testing::AssertionFailure() << "stream ends inside a 0x07 sequence";
        const std::uint8_t b = stream[++i];
        if (b == 0x27) {
            data.push_back(0x07);
            data.push_back(0x27);
        } else if (b >= 0x30 && b <= 0x4F) {
            replies.push_back(b);
        } else {
            return ::testing::AssertionFailure() << "0x07 followed by " << int(b) << " at " << i;
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(Devsim, GeneratedStreamIsByteExactAndReported)
{
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

TEST(Devsim, StaysOpenWithoutCloseWhenDoneUntilThePeerCloses)
{
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

TEST(Devsim, RepliesGoInBandBetweenWholeSequences)
{
    // Slow the stream and keep the client's window small so that the
    // commands arrive while data flows.
    Sim sim({"--lan", "0", "--generate", "400k", "--seed", "3", "--chunk", "999", "--rate", "4M",
             "--i-value", "0x3", "--s-lines", "0xC"});
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
TEST(Devsim, ReplyNeverSplitsAnEscapePair)
{
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
        if (n <= 0)
            break;
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

TEST(Devsim, RecordsWhatThePeerSends)
{
    struct Case {
        const char* name;
        bool replies;
    };
    for (const Case c : {Case{"no-replies", false}, Case{"replies", true}}) {
        SCOPED_TRACE(c.name);
        const std::string record = tempPath(std::string("record-") + c.name);
        std::vector<std::string> args{"--lan", "0", "--hold", "--record", record};
        if (!c.replies)
            args.push_back("--no-replies");
        Sim sim(args);
        const int fd = connectTo(sim.port());
        ASSERT_GE(fd, 0);
        Bytes sent(100000);
        std::mt19937 rng(11);
        for (auto& b : sent)
            b = static_cast<std::uint8_t>(rng());
        sent[10] = 'I';
        sent[20] = 'S';
        std::size_t commands = 0;
        for (std::uint8_t b : sent)
            commands += b == 'I' || b == 'S';
        sendAll(fd, sent.data(), sent.size());
        // Every reply arrives before the peer closes; nothing else does.
        Bytes back;
        const std::size_t expected = c.replies ? 2 * commands : 0;
        std::uint8_t buf[4096];
        for (;;) {
            pollfd p = {fd, POLLIN, 0};
            if (poll(&p, 1, back.size() < expected ? 5000 : 200) <= 0)
                break;
            const ssize_t n = read(fd, buf, sizeof buf);
            if (n <= 0)
                break;
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
            if (sent[i] != 'I' && sent[i] != 'S')
                continue;
            EXPECT_EQ(back[k], 0x07);
            EXPECT_EQ(back[k + 1], sent[i] == 'I' ? 0x4A : 0x35) << "reply " << k / 2;
            k += 2;
        }
        unlink(record.c_str());
    }
}

TEST(Devsim, FileStreamedToEachConnection)
{
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

TEST(Devsim, SignalEndsTheRunWithAReport)
{
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

TEST(Devsim, RateLimitsTheStream)
{
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

TEST(Devsim, PtyCarriesTheStreamAndTheReplies)
{
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

TEST(Devsim, PtyPeerClosingEndsTheConnection)
{
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

TEST(Devsim, ReplyGapHoldsTheReplyByteBack)
{
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
        for (ssize_t i = 0; i + 1 < n; ++i)
            EXPECT_NE(buf[i], 0x07) << "reply byte read together with its 0x07";
        pieces.insert(pieces.end(), buf, buf + n);
    }
    EXPECT_EQ(pieces, (Bytes{0x07, 0x35, 0x07, 0x4A}));
    close(fd);
    EXPECT_EQ(sim.report().replies, 2u);
    EXPECT_EQ(sim.wait(), 0);
}

// A client whose own buffers are small, so that what it sends waits on
// the simulator's reading.
int smallClient(int port)
{
    const int fd = connectTo(port, 4096);
    const int size = 4096;
    if (fd >= 0)
        setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    return fd;
}

TEST(Devsim, ReadRatePacesWhatIsRead)
{
    const std::string record = tempPath("paced");
    Sim sim({"--lan", "0", "--hold", "--no-replies", "--read-rate", "100000", "--receive-buffer", "4096",
             "--record", record});
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

TEST(Devsim, StallStopsReadingThenReadsOn)
{
    const std::string record = tempPath("stall");
    Sim sim({"--lan", "0", "--hold", "--no-replies", "--stall-after", "1000", "--stall-ms", "1500",
             "--receive-buffer", "4096", "--record", record});
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

TEST(Devsim, UsageErrorsExitTwo)
{
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--lan"},
        {"--lan", "x"},
        {"--lan", "70000"},
        {"--lan", ":80"},
        {"--bogus"},
        {"--lan", "0", "--pty", "/tmp/x"},
        {"--lan", "0", "--file", "a", "--generate", "1"},
        {"--lan", "0", "--generate", "12q"},
        {"--lan", "0", "--i-value", "16"},
        {"--lan", "0", "--s-lines", "0x10"},
        {"--lan", "0", "--chunk", "0"},
        {"--lan", "0", "--rate"},
        {"--lan", "0", "--read-rate", "x"},
        {"--lan", "0", "--stall-after"},
        {"--lan", "0", "--reply-gap", "70000"},
    };
    for (const auto& args : cases) {
        std::string joined;
        for (const auto& a : args)
            joined += a + " ";
        Sim sim(args);
        EXPECT_EQ(sim.wait(), 2) << joined;
        EXPECT_EQ(sim.line(100), "") << joined;
        EXPECT_NE(sim.errors(), "") << joined;
    }
}

TEST(Devsim, FailuresExitOne)
{
    Sim missing({"--lan", "0", "--file", tempPath("does-not-exist")});
    EXPECT_EQ(missing.wait(), 1);
    EXPECT_NE(missing.errors(), "");

    Sim first({"--lan", "0", "--hold"});
    const int port = first.port();
    Sim taken({"--lan", std::to_string(port), "--hold"});
    EXPECT_EQ(taken.wait(), 1);
    first.signal(SIGTERM);
    EXPECT_EQ(first.wait(), 0);
}

TEST(Devsim, HelpNamesEveryOption)
{
    Sim sim({"--help"});
    const std::string help = sim.rest();
    EXPECT_EQ(sim.wait(), 0);
    for (const char* option : {"--lan", "--pty", "--file", "--generate", "--seed", "--hold", "--rate", "--chunk",
                               "--delay-start", "--close-when-done", "--connections", "--i-value", "--s-lines",
                               "--no-replies", "--record", "--reply-gap", "--read-rate", "--stall-after", "--stall-ms",
                               "--receive-buffer", "data-checksum", "listening HOST:PORT", "pty /dev/pts/N"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}
