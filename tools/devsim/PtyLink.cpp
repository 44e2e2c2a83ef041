// The simulator on a pseudo-terminal, a stand-in for a serial port.
#include "tools/devsim/Serve.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace orv {
namespace devsim {
namespace {

// A pseudo-terminal whose slave LINK points to.
class Pty {
public:
    explicit Pty(const std::string& link) : link_(link) {
        master_.reset(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
        if (master_.get() < 0 || grantpt(master_.get()) != 0 || unlockpt(master_.get()) != 0)
            throw SystemError(errorText("cannot create a pseudo-terminal"));
        const char* name = ptsname(master_.get());
        if (!name) throw SystemError(errorText("ptsname"));
        slave_ = name;
        termios t{};
        if (tcgetattr(master_.get(), &t) != 0) throw SystemError(errorText("tcgetattr"));
        cfmakeraw(&t);
        cfsetispeed(&t, B921600);
        cfsetospeed(&t, B921600);
        t.c_cflag |= CLOCAL | CREAD | CRTSCTS;
        if (tcsetattr(master_.get(), TCSANOW, &t) != 0) throw SystemError(errorText("tcsetattr"));
        // Opening and closing the slave once puts the master into the
        // hung-up state, which is how a peer's first open becomes visible.
        Fd probe(::open(slave_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
        if (probe.get() < 0) throw SystemError(errorText("cannot open " + slave_));
        probe.reset();
        setNonBlocking(master_.get());

        const std::string tmp = link_ + ".devsim-tmp";
        ::unlink(tmp.c_str());
        if (::symlink(slave_.c_str(), tmp.c_str()) != 0 || ::rename(tmp.c_str(), link_.c_str()) != 0)
            throw SystemError(errorText("cannot link " + link_));
    }
    ~Pty() {
        // Remove the link only while it still names this terminal.
        char target[256] = {};
        const ssize_t n = ::readlink(link_.c_str(), target, sizeof target - 1);
        if (n > 0 && slave_ == std::string(target, static_cast<std::size_t>(n))) ::unlink(link_.c_str());
    }
    int master() const { return master_.get(); }
    const std::string& slave() const { return slave_; }

    // Waits until a peer holds the slave open; false on a signal.
    bool waitForPeer() {
        for (;;) {
            pollfd fd = {master_.get(), POLLIN, 0};
            if (::poll(&fd, 1, 0) >= 0 && !(fd.revents & POLLHUP)) return true;
            if (!sleepFor(20)) return false;
        }
    }

    // Waits until the peer has read what was written, up to the deadline.
    void waitUntilTaken(Clock::time_point deadline) {
        Fd slave(::open(slave_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
        if (slave.get() < 0) return;
        int emptyChecks = 0;
        while (Clock::now() < deadline && emptyChecks < 3) {
            int queued = 0;
            if (ioctl(slave.get(), TIOCINQ, &queued) != 0) return;
            emptyChecks = queued == 0 ? emptyChecks + 1 : 0;
            if (!sleepFor(10)) return;
        }
    }

private:
    std::string link_;
    std::string slave_;
    Fd master_;
};

class PtyLink : public Link {
public:
    explicit PtyLink(const Options& o) : path_(o.ptyLink) { open(); }

    bool awaitPeer() override { return pty_->waitForPeer(); }
    int fd() const override { return pty_->master(); }
    ssize_t write(const std::uint8_t* p, std::size_t n) override { return ::write(pty_->master(), p, n); }

    void finish(Session& session, End end) override {
        if (end == End::Done) {
            pty_->waitUntilTaken(Clock::now() + std::chrono::seconds(3));
            session.drainInput(Clock::now() + std::chrono::milliseconds(50));
        }
        // What the peer left unread must not reach the next one; flushed
        // before the report so that a peer waiting for it is not cut.
        if (end == End::PeerClosed) tcflush(pty_->master(), TCIOFLUSH);
    }

    void afterReport(End end, bool more) override {
        if (end != End::Done) return;
        // Closing the master hangs the peer up; a new terminal serves the
        // next connection.
        pty_.reset();
        if (more) open();
    }

private:
    void open() {
        pty_ = std::make_unique<Pty>(path_);
        std::printf("pty %s\n", pty_->slave().c_str());
        std::fflush(stdout);
    }

    std::string path_;
    std::unique_ptr<Pty> pty_;
};

}  // namespace

std::unique_ptr<Link> openPty(const Options& o) { return std::make_unique<PtyLink>(o); }

}  // namespace devsim
}  // namespace orv
