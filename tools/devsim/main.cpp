// orvantide-devsim: plays the capture device on a TCP port or a
// pseudo-terminal, for tests, the demo and benchmarks.
#include "tools/devsim/Options.h"
#include "tools/devsim/Pacing.h"
#include "tools/devsim/PrinterData.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using orv::devsim::Clock;
using orv::devsim::msUntil;
using orv::devsim::Pace;
using orv::devsim::crc32Update;
using orv::devsim::Options;
using orv::devsim::UsageError;

constexpr int kExitOk = 0, kExitError = 1, kExitUsage = 2;

std::string errorText(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

struct SystemError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Closes a descriptor exactly once.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& o) noexcept : fd_(o.release()) {}
    Fd& operator=(Fd&& o) noexcept
    {
        if (this != &o)
            reset(o.release());
        return *this;
    }
    int get() const { return fd_; }
    int release()
    {
        const int f = fd_;
        fd_ = -1;
        return f;
    }
    void reset(int fd = -1)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

void setNonBlocking(int fd)
{
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0)
        throw SystemError(errorText("fcntl"));
}

// Signals end the run through a pipe that the poll loops watch; a signal
// handler can reach nothing but a file-level value.
int gSignalPipe[2] = {-1, -1};

void onSignal(int)
{
    const int saved = errno;
    const char c = 1;
    (void)!write(gSignalPipe[1], &c, 1);
    errno = saved;
}

void installSignals()
{
    if (pipe(gSignalPipe) != 0)
        throw SystemError(errorText("pipe"));
    setNonBlocking(gSignalPipe[0]);
    setNonBlocking(gSignalPipe[1]);
    fcntl(gSignalPipe[0], F_SETFD, FD_CLOEXEC);
    fcntl(gSignalPipe[1], F_SETFD, FD_CLOEXEC);
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

bool signalled(short revents)
{
    return (revents & POLLIN) != 0;
}

// Where the data of one connection comes from.
class DataSource {
public:
    virtual ~DataSource() = default;
    // Up to max next bytes; 0 at the end.
    virtual std::size_t read(std::uint8_t* out, std::size_t max) = 0;
};

class NoData : public DataSource {
public:
    std::size_t read(std::uint8_t*, std::size_t) override { return 0; }
};

class GeneratedData : public DataSource {
public:
    GeneratedData(std::uint64_t seed, std::uint64_t total) : data_(seed), left_(total) {}
    std::size_t read(std::uint8_t* out, std::size_t max) override
    {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(max, left_));
        data_.fill(out, n);
        left_ -= n;
        return n;
    }

private:
    orv::devsim::PrinterData data_;
    std::uint64_t left_;
};

class FileData : public DataSource {
public:
    explicit FileData(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC))
    {
        if (fd_.get() < 0)
            throw SystemError(errorText("cannot open " + path));
    }
    std::size_t read(std::uint8_t* out, std::size_t max) override
    {
        for (;;) {
            const ssize_t n = ::read(fd_.get(), out, max);
            if (n >= 0)
                return static_cast<std::size_t>(n);
            if (errno != EINTR)
                throw SystemError(errorText("reading the data file"));
        }
    }

private:
    Fd fd_;
};

std::unique_ptr<DataSource> makeSource(const Options& o)
{
    if (o.hold)
        return std::make_unique<NoData>();
    if (!o.file.empty())
        return std::make_unique<FileData>(o.file);
    if (o.generate)
        return std::make_unique<GeneratedData>(o.seed, o.generateBytes);
    return std::make_unique<NoData>();
}

struct Totals {
    std::uint64_t sent = 0, received = 0, dataSent = 0, replies = 0;
    std::uint32_t crcAll = 0, crcData = 0;
};

void printReport(const Totals& t)
{
    std::printf("sent %" PRIu64 " bytes checksum %08" PRIX32 " received %" PRIu64
                " bytes data %" PRIu64 " bytes data-checksum %08" PRIX32 " replies %" PRIu64 "\n",
                t.sent, t.crcAll, t.received, t.dataSent, t.crcData, t.replies);
    std::fflush(stdout);
}

class Recorder {
public:
    explicit Recorder(const std::string& path)
    {
        if (path.empty())
            return;
        fd_.reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        if (fd_.get() < 0)
            throw SystemError(errorText("cannot create " + path));
    }
    void write(const std::uint8_t* p, std::size_t n)
    {
        while (fd_.get() >= 0 && n > 0) {
            const ssize_t w = ::write(fd_.get(), p, n);
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                throw SystemError(errorText("writing the record file"));
            }
            p += w;
            n -= static_cast<std::size_t>(w);
        }
    }

private:
    Fd fd_;
};

enum class End { Done, PeerClosed, Signal };

constexpr std::size_t kInputSize = 64 * 1024;

// One connection: streams the data, answers commands, records input.
class Session {
public:
    Session(const Options& o, int fd, bool pty, Recorder& recorder)
        : o_(o), fd_(fd), pty_(pty), recorder_(recorder), source_(makeSource(o)),
          buffer_(o.chunk), input_(kInputSize), dataPace_(o.rate, o.chunk), readPace_(o.readRate, kInputSize)
    {
    }

    End run()
    {
        const auto start = Clock::now();
        dataStart_ = start + std::chrono::milliseconds(o_.delayStartMs);
        dataPace_.restart(dataStart_, 0);
        readPace_.restart(start, 0);
        for (;;) {
            const auto now = Clock::now();
            if (!sourceDone_ && dataPos_ == dataLen_ && now >= dataStart_)
                refill(now);
            if (sourceDone_ && dataPos_ == dataLen_ && replyPos_ == replies_.size() && o_.closeWhenDone)
                return End::Done;

            // Nothing goes out between the two bytes of a reply held apart.
            const bool holding = replyHeld(now);
            const bool wantWrite = !holding && (replyPos_ < replies_.size() || dataPos_ < dataLen_);
            int timeout = -1;
            const auto consider = [&timeout](int ms) {
                if (ms >= 0 && (timeout < 0 || ms < timeout))
                    timeout = ms;
            };
            if (!wantWrite && !sourceDone_ && dataPos_ == dataLen_)
                consider(msUntilRefill(now));
            if (holding)
                consider(msUntil(now, replyDue_));
            const bool reading = readAllowance(now) > 0;
            if (!reading)
                consider(msUntilReadable(now));
            const short events = static_cast<short>((reading ? POLLIN : 0) | (wantWrite ? POLLOUT : 0));
            pollfd fds[2] = {{fd_, events, 0}, {gSignalPipe[0], POLLIN, 0}};
            const int r = ::poll(fds, 2, timeout);
            if (r < 0) {
                if (errno == EINTR)
                    continue;
                throw SystemError(errorText("poll"));
            }
            if (signalled(fds[1].revents))
                return End::Signal;
            if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
                // While input is not read, a hang-up can only mean the
                // peer has gone.
                if (!reading || !receive())
                    return End::PeerClosed;
            }
            if ((fds[0].revents & POLLOUT) && !transmit())
                return End::PeerClosed;
        }
    }

    // Reads what still arrives, up to the peer's close or the deadline.
    void drainInput(Clock::time_point deadline)
    {
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                return;
            pollfd fds[2] = {{fd_, POLLIN, 0}, {gSignalPipe[0], POLLIN, 0}};
            const int r = ::poll(fds, 2, static_cast<int>(left));
            if (r < 0 && errno != EINTR)
                return;
            if (r > 0 && signalled(fds[1].revents))
                return;
            if (r > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) && !receive(false, false))
                return;
        }
    }

    const Totals& totals() const { return totals_; }

private:
    int msUntilRefill(Clock::time_point now) const
    {
        if (now < dataStart_)
            return msUntil(now, dataStart_);
        return dataPace_.msUntilAllowed(now, generated_);
    }

    void refill(Clock::time_point now)
    {
        const std::uint64_t allowed = dataPace_.allowance(now, generated_);
        if (allowed == 0)
            return;
        dataPos_ = 0;
        dataLen_ = source_->read(buffer_.data(), static_cast<std::size_t>(std::min<std::uint64_t>(o_.chunk, allowed)));
        generated_ += dataLen_;
        if (dataLen_ == 0)
            sourceDone_ = true;
    }

    // Bytes of the peer's input that may be read now (the reading pace and
    // the stall).
    std::uint64_t readAllowance(Clock::time_point now)
    {
        if (stalling_) {
            if (now < stallEnd_)
                return 0;
            stalling_ = false;
            readPace_.restart(now, totals_.received);
        }
        std::uint64_t allowed = readPace_.allowance(now, totals_.received);
        if (o_.stall && !stalled_) {
            if (totals_.received >= o_.stallAfter) {
                stalled_ = stalling_ = true;
                stallEnd_ = now + std::chrono::milliseconds(o_.stallMs);
                return 0;
            }
            allowed = std::min(allowed, o_.stallAfter - totals_.received);
        }
        return allowed;
    }

    int msUntilReadable(Clock::time_point now) const
    {
        if (stalling_)
            return msUntil(now, stallEnd_);
        return readPace_.msUntilAllowed(now, totals_.received);
    }

    // Returns false when the peer has gone.  Paced reads take no more than
    // the reading pace and the stall allow.
    bool receive(bool answer = true, bool paced = true)
    {
        // Bounded, so that a peer that floods us does not starve the writes.
        for (int round = 0; round < 16; ++round) {
            std::size_t want = input_.size();
            if (paced) {
                const std::uint64_t allowed = readAllowance(Clock::now());
                if (allowed == 0)
                    return true;
                want = static_cast<std::size_t>(std::min<std::uint64_t>(want, allowed));
            }
            const ssize_t n = ::read(fd_, input_.data(), want);
            if (n > 0) {
                const auto* p = input_.data();
                totals_.received += static_cast<std::uint64_t>(n);
                recorder_.write(p, static_cast<std::size_t>(n));
                if (answer && o_.replies)
                    scanCommands(p, static_cast<std::size_t>(n));
                continue;
            }
            if (n == 0)
                return false;
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return true;
            // ECONNRESET on TCP; EIO on the pty master once the slave is closed.
            return false;
        }
        return true;
    }

    void scanCommands(const std::uint8_t* p, std::size_t n)
    {
        if (replyPos_ == replies_.size()) {
            replies_.clear();
            replyPos_ = 0;
        }
        for (std::size_t i = 0; i < n; ++i) {
            if (p[i] == 'I') {
                replies_.push_back(orv::devsim::kDeviceEscape);
                replies_.push_back(static_cast<std::uint8_t>(0x40 + o_.iValue));
                ++totals_.replies;
            } else if (p[i] == 'S') {
                replies_.push_back(orv::devsim::kDeviceEscape);
                replies_.push_back(static_cast<std::uint8_t>(0x30 + o_.sLines));
                ++totals_.replies;
            }
        }
    }

    void account(const std::uint8_t* p, std::size_t n, bool data)
    {
        totals_.sent += n;
        if (!data) {
            totals_.crcAll = crc32Update(totals_.crcAll, p, n);
            repliesSent_ = true;
            return;
        }
        totals_.dataSent += n;
        totals_.crcData = crc32Update(totals_.crcData, p, n);
        // Until the first reply both checksums cover the same bytes.
        totals_.crcAll = repliesSent_ ? crc32Update(totals_.crcAll, p, n) : totals_.crcData;
        // Track whether the last data byte out opened a 0x07 sequence.
        std::size_t i = 0;
        if (openPair_ && n > 0) {
            openPair_ = false;
            i = 1;
        }
        while (i < n) {
            const void* hit = std::memchr(p + i, orv::devsim::kDeviceEscape, n - i);
            if (!hit)
                break;
            const std::size_t at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - p);
            if (at + 1 == n) {
                openPair_ = true;
                break;
            }
            i = at + 2;
        }
    }

    // Writes as much as the link takes; false when the peer has gone.
    bool transmit()
    {
        for (;;) {
            const std::uint8_t* p;
            std::size_t n;
            bool data;
            if (replyPos_ < replies_.size() && !openPair_) {
                if (replyHeld(Clock::now()))
                    return true;
                p = replies_.data() + replyPos_;
                n = o_.replyGapMs ? 1 : replies_.size() - replyPos_;
                data = false;
            } else if (dataPos_ < dataLen_) {
                p = buffer_.data() + dataPos_;
                // A reply waits for the second byte of an open sequence only.
                n = (replyPos_ < replies_.size()) ? 1 : dataLen_ - dataPos_;
                data = true;
            } else if (!sourceDone_ && Clock::now() >= dataStart_ && o_.rate == 0) {
                refill(Clock::now());
                if (dataPos_ == dataLen_)
                    return true;
                continue;
            } else {
                return true;
            }
            const ssize_t w = pty_ ? ::write(fd_, p, n) : ::send(fd_, p, n, MSG_NOSIGNAL);
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                if (errno == EAGAIN || errno == EWOULDBLOCK)
                    return true;
                return false;
            }
            account(p, static_cast<std::size_t>(w), data);
            if (data) {
                dataPos_ += static_cast<std::size_t>(w);
            } else {
                replyPos_ += static_cast<std::size_t>(w);
                // Replies are pairs: an odd position is right after a 0x07.
                if (o_.replyGapMs && replyPos_ % 2 == 1)
                    replyDue_ = Clock::now() + std::chrono::milliseconds(o_.replyGapMs);
            }
            if (static_cast<std::size_t>(w) < n)
                return true;
        }
    }

    const Options& o_;
    int fd_;
    bool pty_;
    Recorder& recorder_;
    std::unique_ptr<DataSource> source_;
    std::vector<std::uint8_t> buffer_;
    std::vector<std::uint8_t> input_;
    std::vector<std::uint8_t> replies_;
    std::size_t replyPos_ = 0;
    std::size_t dataPos_ = 0, dataLen_ = 0;
    std::uint64_t generated_ = 0;
    bool sourceDone_ = false;
    bool openPair_ = false;
    bool repliesSent_ = false;
    Clock::time_point dataStart_;
    Totals totals_;
    Pace dataPace_;
    Pace readPace_;
    bool stalled_ = false, stalling_ = false;
    Clock::time_point stallEnd_;
    // The second byte of a reply held apart from its 0x07.
    Clock::time_point replyDue_;

    bool replyHeld(Clock::time_point now) const
    {
        return o_.replyGapMs != 0 && replyPos_ % 2 == 1 && replyPos_ < replies_.size() && now < replyDue_;
    }
};

// Waits for readability of fd or a signal; false on a signal.
bool waitReadable(int fd)
{
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {gSignalPipe[0], POLLIN, 0}};
        const int r = ::poll(fds, 2, -1);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            throw SystemError(errorText("poll"));
        }
        if (signalled(fds[1].revents))
            return false;
        if (fds[0].revents)
            return true;
    }
}

// Sleeps ms milliseconds unless a signal comes; false on a signal.
bool sleepFor(int ms)
{
    pollfd fd = {gSignalPipe[0], POLLIN, 0};
    const int r = ::poll(&fd, 1, ms);
    return !(r > 0 && signalled(fd.revents));
}

bool moreConnections(const Options& o, unsigned served)
{
    return o.connections == 0 || served < o.connections;
}

int serveLan(const Options& o, Recorder& recorder)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    const int gai = getaddrinfo(o.host.c_str(), nullptr, &hints, &found);
    if (gai != 0)
        throw SystemError("cannot resolve " + o.host + ": " + gai_strerror(gai));
    sockaddr_in addr{};
    std::memcpy(&addr, found->ai_addr, sizeof addr);
    freeaddrinfo(found);
    addr.sin_port = htons(static_cast<std::uint16_t>(o.port));

    Fd listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (listener.get() < 0)
        throw SystemError(errorText("socket"));
    const int one = 1;
    setsockopt(listener.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    // Set before listen, so that accepted connections start with it.
    if (o.receiveBuffer > 0)
        setsockopt(listener.get(), SOL_SOCKET, SO_RCVBUF, &o.receiveBuffer, sizeof o.receiveBuffer);
    if (::bind(listener.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        throw SystemError(errorText("cannot listen on " + o.host + ":" + std::to_string(o.port)));
    if (::listen(listener.get(), 8) != 0)
        throw SystemError(errorText("listen"));
    socklen_t len = sizeof addr;
    getsockname(listener.get(), reinterpret_cast<sockaddr*>(&addr), &len);
    char ip[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &addr.sin_addr, ip, sizeof ip);
    std::printf("listening %s:%u\n", ip, static_cast<unsigned>(ntohs(addr.sin_port)));
    std::fflush(stdout);

    unsigned served = 0;
    while (moreConnections(o, served)) {
        if (!waitReadable(listener.get()))
            break;
        Fd conn(::accept4(listener.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (conn.get() < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == ECONNABORTED)
                continue;
            throw SystemError(errorText("accept"));
        }
        setsockopt(conn.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        ++served;
        Session session(o, conn.get(), false, recorder);
        const End end = session.run();
        if (end == End::Done) {
            // A plain close with unread input would reset the connection
            // and could cost the peer data it has not read yet.
            ::shutdown(conn.get(), SHUT_WR);
            session.drainInput(Clock::now() + std::chrono::seconds(3));
        }
        conn.reset();
        printReport(session.totals());
        if (end == End::Signal)
            return kExitOk;
    }
    if (served == 0)
        printReport(Totals{});
    return kExitOk;
}

// A pseudo-terminal whose slave LINK points to.
class Pty {
public:
    explicit Pty(const std::string& link) : link_(link)
    {
        master_.reset(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
        if (master_.get() < 0 || grantpt(master_.get()) != 0 || unlockpt(master_.get()) != 0)
            throw SystemError(errorText("cannot create a pseudo-terminal"));
        const char* name = ptsname(master_.get());
        if (!name)
            throw SystemError(errorText("ptsname"));
        slave_ = name;
        termios t{};
        if (tcgetattr(master_.get(), &t) != 0)
            throw SystemError(errorText("tcgetattr"));
        cfmakeraw(&t);
        cfsetispeed(&t, B921600);
        cfsetospeed(&t, B921600);
        t.c_cflag |= CLOCAL | CREAD | CRTSCTS;
        if (tcsetattr(master_.get(), TCSANOW, &t) != 0)
            throw SystemError(errorText("tcsetattr"));
        // Opening and closing the slave once puts the master into the
        // hung-up state, which is how a peer's first open becomes visible.
        Fd probe(::open(slave_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
        if (probe.get() < 0)
            throw SystemError(errorText("cannot open " + slave_));
        probe.reset();
        setNonBlocking(master_.get());

        const std::string tmp = link_ + ".devsim-tmp";
        ::unlink(tmp.c_str());
        if (::symlink(slave_.c_str(), tmp.c_str()) != 0 || ::rename(tmp.c_str(), link_.c_str()) != 0)
            throw SystemError(errorText("cannot link " + link_));
    }
    ~Pty()
    {
        // Remove the link only while it still names this terminal.
        char target[256] = {};
        const ssize_t n = ::readlink(link_.c_str(), target, sizeof target - 1);
        if (n > 0 && slave_ == std::string(target, static_cast<std::size_t>(n)))
            ::unlink(link_.c_str());
    }
    int master() const { return master_.get(); }
    const std::string& slave() const { return slave_; }

    // Waits until a peer holds the slave open; false on a signal.
    bool waitForPeer()
    {
        for (;;) {
            pollfd fd = {master_.get(), POLLIN, 0};
            if (::poll(&fd, 1, 0) >= 0 && !(fd.revents & POLLHUP))
                return true;
            if (!sleepFor(20))
                return false;
        }
    }

    // Waits until the peer has read what was written, up to the deadline.
    void waitUntilTaken(Clock::time_point deadline)
    {
        Fd slave(::open(slave_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
        if (slave.get() < 0)
            return;
        int emptyChecks = 0;
        while (Clock::now() < deadline && emptyChecks < 3) {
            int queued = 0;
            if (ioctl(slave.get(), TIOCINQ, &queued) != 0)
                return;
            emptyChecks = queued == 0 ? emptyChecks + 1 : 0;
            if (!sleepFor(10))
                return;
        }
    }

private:
    std::string link_;
    std::string slave_;
    Fd master_;
};

int servePty(const Options& o, Recorder& recorder)
{
    auto pty = std::make_unique<Pty>(o.ptyLink);
    std::printf("pty %s\n", pty->slave().c_str());
    std::fflush(stdout);
    unsigned served = 0;
    while (moreConnections(o, served)) {
        if (!pty->waitForPeer())
            break;
        ++served;
        Session session(o, pty->master(), true, recorder);
        const End end = session.run();
        if (end == End::Done) {
            pty->waitUntilTaken(Clock::now() + std::chrono::seconds(3));
            session.drainInput(Clock::now() + std::chrono::milliseconds(50));
        }
        // What the peer left unread must not reach the next one; flushed
        // before the report so that a peer waiting for it is not cut.
        if (end == End::PeerClosed)
            tcflush(pty->master(), TCIOFLUSH);
        printReport(session.totals());
        if (end == End::Signal)
            return kExitOk;
        if (end == End::Done) {
            // Closing the master hangs the peer up; a new terminal serves
            // the next connection.
            pty.reset();
            if (moreConnections(o, served)) {
                pty = std::make_unique<Pty>(o.ptyLink);
                std::printf("pty %s\n", pty->slave().c_str());
                std::fflush(stdout);
            }
        }
    }
    if (served == 0)
        printReport(Totals{});
    return kExitOk;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    try {
        bool help = false;
        o = orv::devsim::parseOptions(argc, argv, help);
        if (help) {
            std::fputs(orv::devsim::kHelp, stdout);
            return kExitOk;
        }
    } catch (const UsageError& e) {
        std::fprintf(stderr, "orvantide-devsim: %s (see --help)\n", e.what());
        return kExitUsage;
    }
    try {
        installSignals();
        if (!o.file.empty())
            FileData check(o.file);
        Recorder recorder(o.record);
        return o.link == Options::Link::Lan ? serveLan(o, recorder) : servePty(o, recorder);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orvantide-devsim: %s\n", e.what());
        return kExitError;
    }
}
