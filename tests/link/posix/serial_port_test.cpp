// The serial link on pseudo-terminals: the line it sets, the bytes both
// ways, and the end of a device that goes away.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>
#include <vector>

#include "link/DeviceLink.h"
#include "tests/link/posix/LinkPeers.h"
#include "tests/support/TestSupport.h"

namespace orv {
namespace {

// A pseudo-terminal: the test holds the master, a link opens the slave.
struct Pty {
    Pty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[64];
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0 &&
            ::ptsname_r(master, name, sizeof name) == 0)
            slave = name;
    }
    ~Pty() { closeMaster(); }
    void closeMaster() {
        if (master >= 0) ::close(master);
        master = -1;
    }
    // The slave's settings, as the link left them.
    termios line() const {
        termios t{};
        const int fd = ::open(slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        EXPECT_EQ(::tcgetattr(fd, &t), 0);
        ::close(fd);
        return t;
    }
    int master = -1;
    std::string slave;
};

TEST(SerialPort, OpensTheLineWithItsSettings) {
    Pty pty;
    ASSERT_FALSE(pty.slave.empty());
    StopSignal stop;
    LinkError error;
    {
        auto link = makeSerialLink(pty.slave, stop);
        ASSERT_TRUE(link->open(error)) << error.text;
        EXPECT_EQ(link->name(), pty.slave);
        const termios t = pty.line();
        EXPECT_EQ(::cfgetispeed(&t), static_cast<speed_t>(B921600));
        EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B921600));
        EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | CLOCAL | CREAD), CS8 | CRTSCTS | CLOCAL | CREAD);
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u) << "cooked input";
        EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IXON | IXOFF | INPCK), 0u) << "bytes changed on input";
        EXPECT_EQ(t.c_oflag & OPOST, 0u) << "bytes changed on output";
        EXPECT_EQ(t.c_cc[VMIN], 0);
        EXPECT_EQ(t.c_cc[VTIME], 0);
        EXPECT_FALSE(link->takeLineErrors().any()) << "a pseudo-terminal counts no line errors";
    }
    {
        auto link = makeSerialLink(pty.slave, stop, SerialLine{9600, 7, 2, 2, 4});
        ASSERT_TRUE(link->open(error)) << error.text;
        const termios t = pty.line();
        EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B9600));
        // A pseudo-terminal keeps 8 data bits without parity, whatever it is told.
        EXPECT_EQ(t.c_cflag & (CSTOPB | CRTSCTS), static_cast<tcflag_t>(CSTOPB));
        EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    }
    EXPECT_FALSE(makeSerialLink(pty.slave, stop, SerialLine{12345, 8, 0, 0, 0})->open(error));
    EXPECT_EQ(error.kind, LinkFailure::Settings);
    EXPECT_FALSE(makeSerialLink("/dev/no-such-port", stop)->open(error));
    EXPECT_EQ(error.kind, LinkFailure::Open);
    EXPECT_EQ(error.text, "/dev/no-such-port: No such file or directory");
}

TEST(SerialPort, BytesCrossByteExactBothWays) {
    Pty pty;
    ASSERT_FALSE(pty.slave.empty());
    // Raw before the link opens, so that what waits at its open is the
    // device's bytes as they were sent.
    const int slave = ::open(pty.slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    ASSERT_EQ(::tcgetattr(slave, &raw), 0);
    ::cfmakeraw(&raw);
    ASSERT_EQ(::tcsetattr(slave, TCSANOW, &raw), 0);
    const std::vector<std::uint8_t> in = test::patternBytes(300000, 5), out = test::patternBytes(200000, 6);
    ASSERT_EQ(::write(pty.master, in.data(), 1000), 1000);

    StopSignal stop;
    LinkError error;
    auto link = makeSerialLink(pty.slave, stop);
    ASSERT_TRUE(link->open(error)) << error.text;
    ::close(slave);
    std::vector<std::uint8_t> received, sent;
    std::thread device([&] {
        for (std::size_t at = 1000; at < in.size();) {
            const ssize_t n = ::write(pty.master, in.data() + at, in.size() - at);
            if (n <= 0) return;
            at += static_cast<std::size_t>(n);
        }
        std::vector<std::uint8_t> buffer(4096);
        while (sent.size() < out.size()) {
            const ssize_t n = ::read(pty.master, buffer.data(), buffer.size());
            if (n <= 0) return;
            sent.insert(sent.end(), buffer.begin(), buffer.begin() + n);
        }
    });
    std::vector<std::uint8_t> buffer(65536);
    while (received.size() < in.size()) {
        const long n = link->read(buffer.data(), buffer.size(), 5000, error);
        if (n <= 0) break;
        received.insert(received.end(), buffer.begin(), buffer.begin() + n);
    }
    EXPECT_TRUE(link->write(out.data(), out.size(), 5000, error)) << error.text;
    EXPECT_TRUE(link->finishWrites(5000, error)) << error.text;
    device.join();
    EXPECT_TRUE(received == in) << "received " << received.size() << " of " << in.size();
    EXPECT_TRUE(sent == out) << "sent " << sent.size() << " of " << out.size();
}

TEST(SerialPort, AStopStillHandsOverWhatIsWaiting) {
    Pty pty;
    ASSERT_FALSE(pty.slave.empty());
    StopSignal stop;
    LinkError error;
    auto link = makeSerialLink(pty.slave, stop);
    ASSERT_TRUE(link->open(error)) << error.text;
    ASSERT_EQ(::write(pty.master, "tail", 4), 4);
    stop.request();
    std::uint8_t buffer[16];
    EXPECT_EQ(link->read(buffer, sizeof buffer, -1, error), 4);
    EXPECT_EQ(link->read(buffer, sizeof buffer, -1, error), 0);
}

// The simulator closes its side once we have read everything, as an
// adapter pulled out after the last byte.
TEST(SerialPort, TheOtherSideClosingIsGoneAfterTheLastBytes) {
    const test::TempDir dir;
    const std::vector<std::uint8_t> data = test::patternBytes(200000, 9);
    test::writeFile(dir / "data", data);
    test::DevSim sim({"--pty", dir / "port", "--file", dir / "data", "--close-when-done"});
    ASSERT_EQ(sim.line().rfind("pty /dev/", 0), 0u);
    StopSignal stop;
    LinkError error;
    auto link = makeSerialLink(dir / "port", stop);
    ASSERT_TRUE(link->open(error)) << error.text;
    std::vector<std::uint8_t> received, buffer(65536);
    long n;
    while ((n = link->read(buffer.data(), buffer.size(), 5000, error)) > 0)
        received.insert(received.end(), buffer.begin(), buffer.begin() + n);
    EXPECT_EQ(n, -1);
    EXPECT_EQ(error.kind, LinkFailure::Gone);
    EXPECT_EQ(error.text, "the device is gone");
    EXPECT_TRUE(received == data) << "received " << received.size() << " of " << data.size();
    EXPECT_EQ(sim.wait(), 0);
}

}  // namespace
}  // namespace orv
