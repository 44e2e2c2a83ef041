// The TCP link against the simulator and plain loopback peers: what a
// capture, a send and a query would lose if the link got it wrong.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "link/DeviceLink.h"
#include "link/Sender.h"
#include "tests/link/posix/LinkPeers.h"
#include "tests/support/TestSupport.h"

namespace orv {
namespace {

using test::DevSim;
using test::Listener;

int intOption(int fd, int level, int name) {
    int value = -1;
    socklen_t size = sizeof value;
    return ::getsockopt(fd, level, name, &value, &size) == 0 ? value : -1;
}

// Asks the stop after ms from a thread of its own.
class StopLater {
public:
    StopLater(StopSignal& stop, int ms)
        : thread_([&stop, ms] {
              std::this_thread::sleep_for(std::chrono::milliseconds(ms));
              stop.request();
          }) {}
    ~StopLater() { thread_.join(); }

private:
    std::thread thread_;
};

TEST(TcpLink, EveryConnectionHasItsKeepAlive) {
    Listener device;
    StopSignal stop;
    TcpOptions options;
    options.keepAliveIdleS = 7;
    options.keepAliveIntervalS = 3;
    options.keepAliveProbes = 4;
    // By name, so that the lookup takes its way too.
    auto link = makeTcpLink("localhost", device.port, stop, options);
    LinkError error;
    ASSERT_TRUE(link->open(error)) << error.text;
    EXPECT_EQ(link->name(), "localhost:" + std::to_string(device.port));
    const int fd = test::socketConnectedTo(device.port);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(intOption(fd, SOL_SOCKET, SO_KEEPALIVE), 1);
    EXPECT_EQ(intOption(fd, IPPROTO_TCP, TCP_KEEPIDLE), 7);
    EXPECT_EQ(intOption(fd, IPPROTO_TCP, TCP_KEEPINTVL), 3);
    EXPECT_EQ(intOption(fd, IPPROTO_TCP, TCP_KEEPCNT), 4);
}

// The device stops reading for 3 s with 3 MB still to come, then answers a
// command byte while most of that still waits on our side: a link that has
// given up and closed meanwhile answers it with a reset, and the bytes that
// waited are lost.
TEST(TcpLink, SendSucceedsOnlyOnceTheDeviceHasEveryByte) {
    std::vector<unsigned char> data = test::quietText(16u << 20);
    const std::size_t stallAt = data.size() - (3u << 20);
    data[stallAt + 100] = 'I';
    data.back() = 'I';
    const test::TempDir dir;
    const std::string record = dir / "record";
    DevSim sim({"--lan", "127.0.0.1:0", "--hold", "--record", record, "--stall-after", std::to_string(stallAt),
                "--stall-ms", "3000", "--i-value", "0x0A", "--receive-buffer", "65536"});
    const int port = sim.port();
    ASSERT_GT(port, 0);
    StopSignal stop;
    auto link = makeTcpLink("127.0.0.1", port, stop);
    const SendResult result = sendToDevice(*link, data.data(), data.size(), stop);
    EXPECT_TRUE(result.ok()) << result.error.text;
    EXPECT_EQ(result.sent, data.size());
    const std::string report = sim.line();
    EXPECT_NE(report.find(" received " + std::to_string(data.size()) + " bytes "), std::string::npos) << report;
    EXPECT_EQ(sim.wait(), 0);
    EXPECT_TRUE(test::readFile(record) == data) << "the device's record differs from what was sent";
}

TEST(TcpLink, ACaptureReadsWhileAQueryWrites) {
    const std::vector<unsigned char> data = test::quietText(1u << 20);
    const test::TempDir dir;
    test::writeFile(dir / "data", data);
    // The data starts late, so that the answer goes out before its end.
    DevSim sim({"--lan", "127.0.0.1:0", "--file", dir / "data", "--delay-start", "300", "--close-when-done"});
    const int port = sim.port();
    ASSERT_GT(port, 0);
    StopSignal stop;
    auto link = makeTcpLink("127.0.0.1", port, stop);
    LinkError error;
    ASSERT_TRUE(link->open(error)) << error.text;

    std::vector<unsigned char> stream;
    LinkError readError;
    std::thread capture([&] {
        std::vector<unsigned char> buffer(65536);
        for (;;) {
            const long n = link->read(buffer.data(), buffer.size(), 5000, readError);
            if (n < 0) break;
            if (n == 0) {
                readError.text = "nothing came for 5 s";
                break;
            }
            stream.insert(stream.end(), buffer.begin(), buffer.begin() + n);
        }
    });
    const std::uint8_t query = 'I';
    LinkError writeError;
    EXPECT_TRUE(link->write(&query, 1, kCommandStallMs, writeError)) << writeError.text;
    capture.join();

    EXPECT_EQ(readError.kind, LinkFailure::Closed);
    EXPECT_EQ(readError.text, "the device closed the connection");
    const std::vector<unsigned char> answer = {0x07, 0x4A};
    const auto at = std::search(stream.begin(), stream.end(), answer.begin(), answer.end());
    ASSERT_NE(at, stream.end()) << "no answer to the query";
    stream.erase(at, at + 2);
    EXPECT_TRUE(stream == data) << "the capture lost or changed bytes";
}

TEST(TcpLink, AStopEndsEveryWait) {
    // A listener whose queue is full drops every further handshake.
    Listener full(0);
    const int queued = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(full.port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(queued, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
    LinkError error;
    {
        StopSignal stop;
        TcpOptions options;
        options.connectLimitMs = 300;
        EXPECT_FALSE(makeTcpLink("127.0.0.1", full.port, stop, options)->open(error));
        EXPECT_EQ(error.kind, LinkFailure::Connect);
        EXPECT_EQ(error.text, "127.0.0.1:" + std::to_string(full.port) + ": no answer");
    }
    {
        StopSignal stop;
        TcpOptions options;
        options.connectLimitMs = 60000;
        const StopLater later(stop, 200);
        EXPECT_FALSE(makeTcpLink("127.0.0.1", full.port, stop, options)->open(error));
        EXPECT_EQ(error.kind, LinkFailure::Stopped);
    }
    ::close(queued);

    // A device that takes nothing: the write stalls, or a stop ends it.
    Listener device(4, 4096);
    StopSignal stop;
    auto link = makeTcpLink("127.0.0.1", device.port, stop);
    ASSERT_TRUE(link->open(error)) << error.text;
    const int peer = device.accept();
    ASSERT_GE(peer, 0);
    std::uint8_t byte;
    {
        const StopLater later(stop, 200);
        EXPECT_EQ(link->read(&byte, 1, -1, error), 0) << "a stop ends a read without a limit";
    }
    stop.clear();
    const std::vector<std::uint8_t> data(32u << 20);
    EXPECT_FALSE(link->write(data.data(), data.size(), 300, error));
    EXPECT_EQ(error.kind, LinkFailure::Stalled);
    EXPECT_EQ(error.text, "the device took no byte for 300 ms");
    {
        const StopLater later(stop, 200);
        EXPECT_FALSE(link->write(data.data(), data.size(), 60000, error));
        EXPECT_EQ(error.kind, LinkFailure::Stopped);
    }
    ::close(peer);
}

TEST(TcpLink, AnOpenThatFailsSaysWhere) {
    StopSignal stop;
    LinkError error;
    EXPECT_FALSE(makeTcpLink("no-such-host.invalid", 10001, stop)->open(error));
    EXPECT_EQ(error.kind, LinkFailure::Lookup);
    EXPECT_EQ(error.text.rfind("no-such-host.invalid: ", 0), 0u) << error.text;

    int port;
    {
        const Listener gone;
        port = gone.port;
    }
    EXPECT_FALSE(makeTcpLink("127.0.0.1", port, stop)->open(error));
    EXPECT_EQ(error.kind, LinkFailure::Connect);
    EXPECT_EQ(error.text, "127.0.0.1:" + std::to_string(port) + ": Connection refused");
}

}  // namespace
}  // namespace orv
