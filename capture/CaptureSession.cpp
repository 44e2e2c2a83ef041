#include "capture/CaptureSession.h"

#include <algorithm>

namespace orv {

CaptureSession::CaptureSession(DeviceLink& link, CaptureTarget& target, CaptureEvents& events, SessionClock& clock,
                               const StopSignal& stop, SessionOptions options)
    : link_(link),
      target_(target),
      events_(events),
      clock_(clock),
      stop_(stop),
      options_(options),
      buffer_(new std::uint8_t[kReadSize]) {}

bool CaptureSession::over() { return stop_.requested() || (endAt_ != 0 && clock_.nowMs() >= endAt_); }

int CaptureSession::pauseLimit(int ms) {
    if (endAt_ == 0) return ms;
    const std::uint64_t now = clock_.nowMs();
    return now >= endAt_ ? 0 : static_cast<int>(std::min<std::uint64_t>(static_cast<std::uint64_t>(ms), endAt_ - now));
}

SessionEnd CaptureSession::run() {
    if (options_.forMs != 0) endAt_ = clock_.nowMs() + options_.forMs;
    Backoff backoff;
    for (;;) {
        if (over()) return stop_.requested() ? SessionEnd::Stopped : SessionEnd::TimeUp;
        LinkError error;
        if (!link_.open(error)) {
            events_.linkOpenFailed(error);
            if (!options_.reconnect) return stop_.requested() ? SessionEnd::Stopped : SessionEnd::OpenFailed;
            if (!over()) clock_.pause(pauseLimit(backoff.next()));
            continue;
        }
        events_.linkOpened();
        status_.connected = true;
        const std::uint64_t before = status_.totalBytes;
        const Served served = serve();
        link_.close();
        status_.connected = false;
        const bool ended = target_.connectionEnded(events_);
        events_.status(status_);
        if (served == Served::StoreFailed || !ended) return SessionEnd::StoreFailed;
        if (served == Served::Over) return stop_.requested() ? SessionEnd::Stopped : SessionEnd::TimeUp;
        if (!options_.reconnect) return served == Served::Closed ? SessionEnd::DeviceClosed : SessionEnd::LinkLost;
        if (status_.totalBytes > before) backoff.reset();
        if (over()) continue;
        clock_.pause(pauseLimit(backoff.next()));
    }
}

int CaptureSession::waitLimit() {
    const std::uint64_t now = clock_.nowMs();
    long long wait = kLongestWaitMs;
    const long long due = target_.msUntilDue(now);
    if (due >= 0) wait = std::min(wait, due);
    if (endAt_ != 0) wait = std::min<long long>(wait, endAt_ > now ? static_cast<long long>(endAt_ - now) : 0);
    return static_cast<int>(wait);
}

bool CaptureSession::deliver(long n, std::uint64_t nowMs) {
    const std::size_t size = static_cast<std::size_t>(n);
    status_.totalBytes += size;
    events_.received(buffer_.get(), size);
    return target_.store(buffer_.get(), size, nowMs, events_);
}

CaptureSession::Served CaptureSession::serve() {
    for (;;) {
        LinkError error;
        const long n = link_.read(buffer_.get(), kReadSize, waitLimit(), error);
        const std::uint64_t now = clock_.nowMs();
        if (n > 0 && !deliver(n, now)) return Served::StoreFailed;
        const LineErrors lineErrors = link_.takeLineErrors();
        if (lineErrors.any()) events_.lineErrors(lineErrors);
        if (n < 0) {
            // A link ended by the stop itself is no loss.
            if (stop_.requested()) return Served::Over;
            events_.linkLost(error);
            return error.kind == LinkFailure::Closed ? Served::Closed : Served::Lost;
        }
        if (!target_.keepDurable(now, events_)) return Served::StoreFailed;
        status_.file = target_.currentFile();
        status_.fileBytes = target_.currentBytes();
        events_.status(status_);
        if (over()) {
            drain();
            return Served::Over;
        }
    }
}

void CaptureSession::drain() {
    for (int reads = 0; reads < kDrainReads; ++reads) {
        LinkError error;
        const long n = link_.read(buffer_.get(), kReadSize, 0, error);
        if (n <= 0 || !deliver(n, clock_.nowMs())) return;
    }
}

}  // namespace orv
