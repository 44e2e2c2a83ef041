// The serial link on POSIX: a terminal device in raw mode, non-blocking,
// every wait of it watching the stop.
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "base/Clock.h"
#include "link/DeviceLink.h"
#include "link/posix/FdWait.h"

namespace orv {
namespace {

using posix::systemText;
using posix::Woken;

// No descriptor event tells of the output queue running down.
constexpr int kQueueLookMs = 10;

bool speedFor(std::uint32_t baudRate, speed_t& speed) {
    static const struct {
        std::uint32_t rate;
        speed_t speed;
    } kSpeeds[] = {
        {300, B300},         {600, B600},         {1200, B1200},       {2400, B2400},       {4800, B4800},
        {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},     {115200, B115200},
        {230400, B230400},   {460800, B460800},   {500000, B500000},   {576000, B576000},   {921600, B921600},
        {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000}, {2000000, B2000000}, {3000000, B3000000},
    };
    for (const auto& s : kSpeeds) {
        if (s.rate == baudRate) {
            speed = s.speed;
            return true;
        }
    }
    return false;
}

// The line settings in a raw termios: no byte changed, dropped or echoed.
// Parity codes as the device control block has them: 0 none, 1 odd,
// 2 even, 3 mark, 4 space.  DSR/DTR flow control has no POSIX form.
// False with why when the line cannot be had.
bool applyLine(const SerialLine& line, termios& t, std::string& why) {
    speed_t speed;
    if (!speedFor(line.baudRate, speed)) {
        why = "no baud rate " + std::to_string(line.baudRate);
        return false;
    }
    if (line.byteSize < 5 || line.byteSize > 8 || line.parity > 4 || line.stopBits > 2) {
        why = "no such line: " + std::to_string(line.byteSize) + " data bits, parity " + std::to_string(line.parity) +
              ", stop bits " + std::to_string(line.stopBits);
        return false;
    }
    ::cfmakeraw(&t);
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    static const tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= kSizes[line.byteSize - 5] | CLOCAL | CREAD;
    if (line.parity != 0) t.c_cflag |= PARENB;
    if (line.parity == 1 || line.parity == 3) t.c_cflag |= PARODD;
    if (line.parity >= 3) t.c_cflag |= CMSPAR;
    // 1 is one and a half stop bits, which a UART gives for two at five data bits.
    if (line.stopBits != 0) t.c_cflag |= CSTOPB;
    if (line.flowControl & 2) t.c_cflag |= CRTSCTS;
    if (line.flowControl & 4) t.c_iflag |= IXON | IXOFF;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (::cfsetispeed(&t, speed) == 0 && ::cfsetospeed(&t, speed) == 0) return true;
    why = systemText(errno);
    return false;
}

// One kind of line error counted since the last look.
void tally(LineErrors& errors, std::uint32_t bit, int now, int before, std::uint32_t& count) {
    const std::uint32_t more = static_cast<std::uint32_t>(now) - static_cast<std::uint32_t>(before);
    if (more == 0) return;
    errors.mask |= bit;
    count += more;
}

class SerialPort final : public DeviceLink {
public:
    SerialPort(std::string device, const StopSignal& stop, const SerialLine& line)
        : device_(std::move(device)), stop_(stop), line_(line) {}
    ~SerialPort() override { SerialPort::close(); }

    bool open(LinkError& error) override {
        close();
        fd_ = ::open(device_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) {
            error.set(LinkFailure::Open, errno, device_ + ": " + systemText(errno));
            return false;
        }
        termios t{};
        std::string why;
        if (::tcgetattr(fd_, &t) != 0) return settingsFailed(errno, error);
        if (!applyLine(line_, t, why)) return settingsFailed(EINVAL, error, why);
        // Bytes already waiting on the line are kept: they are the device's.
        if (::tcsetattr(fd_, TCSANOW, &t) != 0) return settingsFailed(errno, error);
        counted_ = ::ioctl(fd_, TIOCGICOUNT, &counts_) == 0;
        return true;
    }

    long read(std::uint8_t* buffer, std::size_t size, int ms, LinkError& error) override {
        if (size == 0) return 0;
        const std::uint64_t start = monotonicMs();
        bool hungUp = false;
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, size);
            if (n > 0) return static_cast<long>(n);
            if (n < 0 && errno == EINTR) continue;
            // EIO: a pty whose other side has closed.
            if (n < 0 && errno == EIO) return gone(EIO, error);
            if (n < 0 && errno != EAGAIN) {
                error.set(LinkFailure::Failed, errno, device_ + ": " + systemText(errno));
                return -1;
            }
            // Nothing there: a raw line without VMIN reads 0 then, as a
            // hung-up one (a pulled USB adapter) does for good, so only
            // the wait's hang-up tells them apart.  It may come before the
            // last bytes have been read: those are handed out first.
            if (hungUp) return gone(0, error);
            const int left = posix::msLeft(ms, start);
            if (left == 0) return 0;
            short events = 0;
            switch (posix::waitFor(fd_, POLLIN, left, stop_, &events)) {
            case Woken::Io: break;
            case Woken::Failed: error.set(LinkFailure::Failed, errno, device_ + ": " + systemText(errno)); return -1;
            default: return 0;
            }
            hungUp = (events & (POLLHUP | POLLERR | POLLNVAL)) != 0;
        }
    }

    bool write(const std::uint8_t* data, std::size_t size, int stallMs, LinkError& error) override {
        return posix::writeAll(fd_, false, data, size, stallMs, stop_, device_, error);
    }

    // The queue may stand still while the device holds CTS low; it has to
    // run down within the stall limit each time it stands.
    bool finishWrites(int stallMs, LinkError& error) override {
        int queued = -1;
        std::uint64_t movedAt = monotonicMs();
        for (;;) {
            int now = 0;
            if (::ioctl(fd_, TIOCOUTQ, &now) != 0) return failed(errno, error);
            if (now == 0) break;
            if (queued < 0 || now < queued) {
                queued = now;
                movedAt = monotonicMs();
            }
            const int left = posix::msLeft(stallMs, movedAt);
            if (left == 0) {
                error.set(LinkFailure::Stalled, 0, stalledText(stallMs));
                return false;
            }
            if (stop_.wait(left < 0 || left > kQueueLookMs ? kQueueLookMs : left)) {
                error.set(LinkFailure::Stopped, 0, kStoppedText);
                return false;
            }
        }
        // The driver's queue is empty; what is left is in the UART's FIFO.
        while (::tcdrain(fd_) != 0) {
            if (errno != EINTR) return failed(errno, error);
        }
        return true;
    }

    void close() override {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        counted_ = false;
    }

    LineErrors takeLineErrors() override {
        LineErrors errors;
        serial_icounter_struct now{};
        if (!counted_ || ::ioctl(fd_, TIOCGICOUNT, &now) != 0) return errors;
        tally(errors, lineerr::kOverflow, now.buf_overrun, counts_.buf_overrun, errors.overflows);
        tally(errors, lineerr::kOverrun, now.overrun, counts_.overrun, errors.overruns);
        tally(errors, lineerr::kParity, now.parity, counts_.parity, errors.parity);
        tally(errors, lineerr::kFraming, now.frame, counts_.frame, errors.framing);
        tally(errors, lineerr::kBreak, now.brk, counts_.brk, errors.breaks);
        counts_ = now;
        return errors;
    }

    const std::string& name() const override { return device_; }

private:
    bool settingsFailed(int code, LinkError& error, const std::string& why = {}) {
        error.set(LinkFailure::Settings, code, device_ + ": " + (why.empty() ? systemText(code) : why));
        close();
        return false;
    }

    bool failed(int code, LinkError& error) const {
        error.set(LinkFailure::Failed, code, device_ + ": " + systemText(code));
        return false;
    }

    long gone(int code, LinkError& error) const {
        error.set(LinkFailure::Gone, code, goneText(""));
        return -1;
    }

    const std::string device_;
    const StopSignal& stop_;
    const SerialLine line_;
    int fd_ = -1;
    // The driver's line error counters at the last look (where it keeps them).
    bool counted_ = false;
    serial_icounter_struct counts_{};
};

}  // namespace

std::unique_ptr<DeviceLink> makeSerialLink(const std::string& device, const StopSignal& stop, const SerialLine& line) {
    return std::make_unique<SerialPort>(device, stop, line);
}

}  // namespace orv
