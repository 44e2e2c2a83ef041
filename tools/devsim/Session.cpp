#include "tools/devsim/Session.h"

#include "tools/devsim/PrinterData.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace orv {
namespace devsim {
namespace {

constexpr std::size_t kInputSize = 64 * 1024;

}  // namespace

void printReport(const Totals& t) {
    std::printf("sent %" PRIu64 " bytes checksum %08" PRIX32 " received %" PRIu64 " bytes data %" PRIu64
                " bytes data-checksum %08" PRIX32 " replies %" PRIu64 "\n",
                t.sent, t.crcAll, t.received, t.dataSent, t.crcData, t.replies);
    std::fflush(stdout);
}

Recorder::Recorder(const std::string& path) {
    if (path.empty()) return;
    fd_.reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (fd_.get() < 0) throw SystemError(errorText("cannot create " + path));
}

void Recorder::write(const std::uint8_t* p, std::size_t n) {
    while (fd_.get() >= 0 && n > 0) {
        const ssize_t w = ::write(fd_.get(), p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            throw SystemError(errorText("writing the record file"));
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
}

Session::Session(const Options& o, Link& link, Recorder& recorder)
    : o_(o),
      link_(link),
      fd_(link.fd()),
      recorder_(recorder),
      source_(makeSource(o)),
      buffer_(o.chunk),
      input_(kInputSize),
      dataPace_(o.rate, o.chunk),
      readPace_(o.readRate, kInputSize) {}

End Session::run() {
    const auto start = Clock::now();
    dataStart_ = start + std::chrono::milliseconds(o_.delayStartMs);
    dataPace_.restart(dataStart_, 0);
    readPace_.restart(start, 0);
    for (;;) {
        const auto now = Clock::now();
        if (!sourceDone_ && dataPos_ == dataLen_ && now >= dataStart_) refill(now);
        if (sourceDone_ && dataPos_ == dataLen_ && replyPos_ == replies_.size() && o_.closeWhenDone) return End::Done;

        // Nothing goes out between the two bytes of a reply held apart.
        const bool holding = replyHeld(now);
        const bool wantWrite = !holding && (replyPos_ < replies_.size() || dataPos_ < dataLen_);
        int timeout = -1;
        const auto consider = [&timeout](int ms) {
            if (ms >= 0 && (timeout < 0 || ms < timeout)) timeout = ms;
        };
        if (!wantWrite && !sourceDone_ && dataPos_ == dataLen_) consider(msUntilRefill(now));
        if (holding) consider(msUntil(now, replyDue_));
        const bool reading = readAllowance(now) > 0;
        if (!reading) consider(msUntilReadable(now));
        const short events = static_cast<short>((reading ? POLLIN : 0) | (wantWrite ? POLLOUT : 0));
        pollfd fds[2] = {{fd_, events, 0}, {signalFd(), POLLIN, 0}};
        const int r = ::poll(fds, 2, timeout);
        if (r < 0) {
            if (errno == EINTR) continue;
            throw SystemError(errorText("poll"));
        }
        if (signalled(fds[1].revents)) return End::Signal;
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            // While input is not read, a hang-up can only mean the
            // peer has gone.
            if (!reading || !receive()) return End::PeerClosed;
        }
        if ((fds[0].revents & POLLOUT) && !transmit()) return End::PeerClosed;
    }
}

void Session::drainInput(Clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return;
        pollfd fds[2] = {{fd_, POLLIN, 0}, {signalFd(), POLLIN, 0}};
        const int r = ::poll(fds, 2, static_cast<int>(left));
        if (r < 0 && errno != EINTR) return;
        if (r > 0 && signalled(fds[1].revents)) return;
        if (r > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) && !receive(false, false)) return;
    }
}

int Session::msUntilRefill(Clock::time_point now) const {
    if (now < dataStart_) return msUntil(now, dataStart_);
    return dataPace_.msUntilAllowed(now, generated_);
}

void Session::refill(Clock::time_point now) {
    const std::uint64_t allowed = dataPace_.allowance(now, generated_);
    if (allowed == 0) return;
    dataPos_ = 0;
    dataLen_ = source_->read(buffer_.data(), static_cast<std::size_t>(std::min<std::uint64_t>(o_.chunk, allowed)));
    generated_ += dataLen_;
    if (dataLen_ != 0) return;
    if (++jobsSent_ < o_.jobs) {
        // The next job starts afresh after the gap.
        source_ = makeSource(o_, jobsSent_);
        dataStart_ = now + std::chrono::milliseconds(o_.jobGapMs);
        dataPace_.restart(dataStart_, generated_);
        return;
    }
    sourceDone_ = true;
}

// Bytes of the peer's input that may be read now (the reading pace and
// the stall).
std::uint64_t Session::readAllowance(Clock::time_point now) {
    if (stalling_) {
        if (now < stallEnd_) return 0;
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

int Session::msUntilReadable(Clock::time_point now) const {
    if (stalling_) return msUntil(now, stallEnd_);
    return readPace_.msUntilAllowed(now, totals_.received);
}

// Returns false when the peer has gone.  Paced reads take no more than
// the reading pace and the stall allow.
bool Session::receive(bool answer, bool paced) {
    // Bounded, so that a peer that floods us does not starve the writes.
    for (int round = 0; round < 16; ++round) {
        std::size_t want = input_.size();
        if (paced) {
            const std::uint64_t allowed = readAllowance(Clock::now());
            if (allowed == 0) return true;
            want = static_cast<std::size_t>(std::min<std::uint64_t>(want, allowed));
        }
        const ssize_t n = ::read(fd_, input_.data(), want);
        if (n > 0) {
            const auto* p = input_.data();
            totals_.received += static_cast<std::uint64_t>(n);
            recorder_.write(p, static_cast<std::size_t>(n));
            if (answer && o_.replies) scanCommands(p, static_cast<std::size_t>(n));
            continue;
        }
        if (n == 0) return false;
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
        // ECONNRESET on TCP; EIO on the pty master once the slave is closed.
        return false;
    }
    return true;
}

void Session::scanCommands(const std::uint8_t* p, std::size_t n) {
    if (replyPos_ == replies_.size()) {
        replies_.clear();
        replyPos_ = 0;
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i] == 'I') {
            replies_.push_back(kDeviceEscape);
            replies_.push_back(static_cast<std::uint8_t>(0x40 + o_.iValue));
            ++totals_.replies;
        } else if (p[i] == 'S') {
            replies_.push_back(kDeviceEscape);
            replies_.push_back(static_cast<std::uint8_t>(0x30 + o_.sLines));
            ++totals_.replies;
        }
    }
}

void Session::account(const std::uint8_t* p, std::size_t n, bool data) {
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
        const void* hit = std::memchr(p + i, kDeviceEscape, n - i);
        if (!hit) break;
        const std::size_t at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - p);
        if (at + 1 == n) {
            openPair_ = true;
            break;
        }
        i = at + 2;
    }
}

// Writes as much as the link takes; false when the peer has gone.
bool Session::transmit() {
    for (;;) {
        const std::uint8_t* p;
        std::size_t n;
        bool data;
        // Data that ended inside a 0x07 sequence never closes it.
        const bool pairOpen = openPair_ && !(sourceDone_ && dataPos_ == dataLen_);
        if (replyPos_ < replies_.size() && !pairOpen) {
            if (replyHeld(Clock::now())) return true;
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
            if (dataPos_ == dataLen_) return true;
            continue;
        } else {
            return true;
        }
        const ssize_t w = link_.write(p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
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
        if (static_cast<std::size_t>(w) < n) return true;
    }
}

bool Session::replyHeld(Clock::time_point now) const {
    return o_.replyGapMs != 0 && replyPos_ % 2 == 1 && replyPos_ < replies_.size() && now < replyDue_;
}

}  // namespace devsim
}  // namespace orv
