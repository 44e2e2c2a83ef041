// The TCP device link against the device simulator over loopback.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "link/Sender.h"
#include "link/win32/LinkHandles.h"
#include "tests/link/win32/LinkHarness.h"

namespace orv::test {
namespace {

// Asks for the stop after ms, from a thread of its own.
class StopLater {
public:
    StopLater(StopSignal& stop, DWORD ms)
        : thread_([&stop, ms] {
              Sleep(ms);
              stop.request();
          }) {}
    ~StopLater() { thread_.join(); }

private:
    std::thread thread_;
};

// A loopback socket of the test's own, bound to a free port, listening
// with the backlog given (none: a port that refuses).
SOCKET boundSocket(int backlog, int& port) {
    SOCKET sock = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address);
    if (backlog > 0) listen(sock, backlog);
    getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return sock;
}

// The device pauses reading for 3 s near the end of a long send, and
// answers the last byte ('I') with 07 4A.  The window once ended a send a
// second after its last byte, with the device still paused, and reported
// success; closing then could even reset the connection and cost the
// device what it had not read.
TEST(TcpLink, SendSucceedsOnlyOnceTheDeviceHasEveryByte) {
    const std::size_t size = 32000000;
    std::vector<std::uint8_t> data = printerData(11, size);
    data.back() = 'I';
    const std::string record = "/tmp/orv-record-" + std::to_string(GetCurrentProcessId());
    DevSim sim("--lan 127.0.0.1:0 --hold --stall-after 31000000 --stall-ms 3000 --i-value 0x0A --record " + record);
    const int port = sim.port();
    ASSERT_NE(0, port);
    StopSignal stop;
    auto link = makeTcpLink("127.0.0.1", port, stop);
    const SendResult result = sendToDevice(*link, data.data(), data.size(), stop);
    // Success tells that the device has every byte now, not some time later.
    const std::vector<std::uint8_t> recorded = readFile("Z:" + record);
    EXPECT_TRUE(result.ok()) << result.error.text;
    EXPECT_EQ(size, result.sent);
    EXPECT_EQ(size, recorded.size());
    EXPECT_TRUE(recorded == data) << "the device does not have every byte";
    EXPECT_NE(std::string::npos, sim.report().find(" received 32000000 bytes")) << sim.report();
    DeleteFileA(("Z:" + record).c_str());
}

// Commands go out while the capture thread reads; the device's replies
// (07 4A) come between its data, whose own 0x07 bytes are sent as 07 27.
TEST(TcpLink, StreamArrivesExactlyWhileACommandGoesOut) {
    const std::size_t size = 4u << 20;
    DevSim sim("--lan 127.0.0.1:0 --generate 4M --seed 2 --rate 2M --close-when-done --i-value 0x0A");
    const int port = sim.port();
    ASSERT_NE(0, port);
    StopSignal stop;
    auto link = makeTcpLink("127.0.0.1", port, stop);
    LinkError error;
    ASSERT_TRUE(link->open(error)) << error.text;
    EXPECT_EQ("127.0.0.1:" + std::to_string(port), link->name());

    std::vector<std::uint8_t> got;
    std::atomic<std::size_t> count{0};
    std::atomic<bool> ended{false};
    LinkError readError;
    std::thread reader([&] {
        std::vector<std::uint8_t> buffer(65536);
        for (const DWORD start = GetTickCount(); GetTickCount() - start < 60000;) {
            const long n = link->read(buffer.data(), buffer.size(), 1000, readError);
            if (n < 0) break;
            got.insert(got.end(), buffer.begin(), buffer.begin() + n);
            count.store(got.size());
        }
        ended.store(true);
    });
    while (count.load() < size / 4 && !ended.load()) Sleep(10);
    const std::uint8_t command = 'I';
    EXPECT_TRUE(link->write(&command, 1, kCommandStallMs, error)) << error.text;
    reader.join();
    EXPECT_EQ(LinkFailure::Closed, readError.kind) << readError.text;

    // The data's own 0x07 is always followed by 0x27: 07 4A is the reply.
    const std::uint8_t reply[2] = {0x07, 0x4A};
    auto at = std::search(got.begin(), got.end(), reply, reply + 2);
    ASSERT_NE(got.end(), at) << "no reply";
    got.erase(at, at + 2);
    EXPECT_TRUE(got == printerData(2, size)) << "the data differs from what was sent, or came with another reply";
}

TEST(TcpLink, StopEndsASendTheDeviceDoesNotTakeAtOnce) {
    DevSim sim("--lan 127.0.0.1:0 --hold --stall-after 0 --stall-ms 600000");
    const int port = sim.port();
    ASSERT_NE(0, port);
    StopSignal stop;
    auto link = makeTcpLink("127.0.0.1", port, stop);
    LinkError error;
    ASSERT_TRUE(link->open(error)) << error.text;
    const std::vector<std::uint8_t> data(64u << 20);
    EXPECT_FALSE(link->write(data.data(), data.size(), 500, error));
    EXPECT_EQ(LinkFailure::Stalled, error.kind) << error.text;

    DWORD took = 0;
    {
        StopLater later(stop, 300);
        const DWORD start = GetTickCount();
        EXPECT_FALSE(link->write(data.data(), data.size(), kSendStallMs, error));
        took = GetTickCount() - start;
    }
    EXPECT_EQ(LinkFailure::Stopped, error.kind) << error.text;
    EXPECT_LT(took, 1300u);
}

TEST(TcpLink, FailuresToConnectNameTheirKind) {
    WSADATA wsa;
    ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &wsa));
    StopSignal stop;
    LinkError error;
    int port = 0;
    SOCKET refusing = boundSocket(0, port);
    auto link = makeTcpLink("127.0.0.1", port, stop);
    EXPECT_FALSE(link->open(error));
    EXPECT_EQ(LinkFailure::Connect, error.kind);
    EXPECT_EQ(WSAECONNREFUSED, error.code);
    EXPECT_EQ(0u, error.text.find("127.0.0.1:" + std::to_string(port) + ": ")) << error.text;
    EXPECT_EQ(error.text.size() - 8, error.text.find(" (10061)")) << error.text;

    link = makeTcpLink("no-such-host.invalid", 10001, stop);
    EXPECT_FALSE(link->open(error));
    EXPECT_EQ(LinkFailure::Lookup, error.kind) << error.text;
    EXPECT_EQ(0u, error.text.find("no-such-host.invalid:10001: ")) << error.text;

    // A full queue drops every further SYN: a connect there is never
    // answered, and ends by its limit or by the stop.
    SOCKET listener = boundSocket(1, port);
    TcpOptions brief;
    brief.connectLimitMs = 300;
    std::vector<std::unique_ptr<DeviceLink>> fillers;
    for (int i = 0; i < 3; ++i) {
        fillers.push_back(makeTcpLink("127.0.0.1", port, stop, brief));
        fillers.back()->open(error);
    }
    link = makeTcpLink("127.0.0.1", port, stop, brief);
    EXPECT_FALSE(link->open(error));
    EXPECT_EQ(LinkFailure::Connect, error.kind) << error.text;
    EXPECT_EQ(WSAETIMEDOUT, error.code);
    link = makeTcpLink("127.0.0.1", port, stop);
    DWORD took = 0;
    {
        StopLater later(stop, 300);
        const DWORD start = GetTickCount();
        EXPECT_FALSE(link->open(error));
        took = GetTickCount() - start;
    }
    EXPECT_EQ(LinkFailure::Stopped, error.kind) << error.text;
    EXPECT_LT(took, 1300u);
    fillers.clear();
    closesocket(listener);
    closesocket(refusing);
    WSACleanup();
}

// The keep-alive timer of the connection as Linux holds it: /proc/net/tcp
// names the timer (2: keep-alive) and its time left in hundredths of a
// second.  -1 when the connection is not listed.
int keepAliveHundredths(SOCKET sock) {
    sockaddr_in local{};
    int length = sizeof local;
    getsockname(sock, reinterpret_cast<sockaddr*>(&local), &length);
    char key[16];
    std::snprintf(key, sizeof key, "0100007F:%04X", ntohs(local.sin_port));
    std::istringstream lines(readText("Z:\\proc\\net\\tcp"));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string slot, localAddress, remote, state, queues, timer;
        fields >> slot >> localAddress >> remote >> state >> queues >> timer;
        if (localAddress != key || timer.size() < 4 || timer.compare(0, 3, "02:") != 0) continue;
        return static_cast<int>(std::strtol(timer.c_str() + 3, nullptr, 16));
    }
    return -1;
}

// Wine 8 takes SO_KEEPALIVE and SIO_KEEPALIVE_VALS to the Linux socket, as
// seen here; it refuses TCP_KEEPCNT (10042), which Windows 10 from version
// 1703 reads back.
TEST(TcpLink, KeepAliveIsOnWithItsTimes) {
    DevSim sim("--lan 127.0.0.1:0 --hold");
    const int port = sim.port();
    ASSERT_NE(0, port);
    StopSignal stop;
    TcpOptions options;
    options.keepAliveIdleS = 7;
    options.keepAliveIntervalS = 3;
    options.keepAliveProbes = 4;
    auto link = makeTcpLink("127.0.0.1", port, stop, options);
    LinkError error;
    ASSERT_TRUE(link->open(error)) << error.text;
    const SOCKET sock = tcpLinkSocket(*link);
    // Windows and Wine write a single byte of this option.
    int on = 0;
    int length = sizeof on;
    ASSERT_EQ(0, getsockopt(sock, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<char*>(&on), &length));
    EXPECT_NE(0, on & 0xFF);
    DWORD probes = 0;
    length = sizeof probes;
    if (getsockopt(sock, IPPROTO_TCP, 16, reinterpret_cast<char*>(&probes), &length) == 0) EXPECT_EQ(4u, probes);
    const int left = keepAliveHundredths(sock);
    EXPECT_GT(left, 0) << "no keep-alive timer runs";
    EXPECT_LE(left, 700) << "the timer runs on the system's idle time, not on ours";
}

}  // namespace
}  // namespace orv::test
