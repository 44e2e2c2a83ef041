#include "tools/devsim/Pacing.h"

#include <algorithm>

namespace orv {
namespace devsim {

int msUntil(Clock::time_point now, Clock::time_point when) {
    if (when <= now) return 0;
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(when - now).count() + 1);
}

Pace::Pace(std::uint64_t rate, std::uint64_t maxStep)
    : rate_(rate), step_(std::max<std::uint64_t>(1, std::min<std::uint64_t>(maxStep, rate / 50))) {}

void Pace::restart(Clock::time_point start, std::uint64_t done) {
    start_ = start;
    doneAtStart_ = done;
}

std::uint64_t Pace::dueSinceStart(Clock::time_point now) const {
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(now - start_).count();
    return static_cast<std::uint64_t>((static_cast<long double>(us) * rate_) / 1000000.0L);
}

std::uint64_t Pace::allowance(Clock::time_point now, std::uint64_t done) const {
    if (rate_ == 0) return UINT64_MAX;
    const std::uint64_t due = dueSinceStart(now);
    const std::uint64_t since = done - doneAtStart_;
    const std::uint64_t allowed = due > since ? due - since : 0;
    return allowed < step_ ? 0 : allowed;
}

int Pace::msUntilAllowed(Clock::time_point now, std::uint64_t done) const {
    if (rate_ == 0) return 0;
    const std::uint64_t due = dueSinceStart(now);
    const std::uint64_t target = (done - doneAtStart_) + step_;
    if (due >= target) return 0;
    const std::uint64_t ms = ((target - due) * 1000 + rate_ - 1) / rate_;
    return static_cast<int>(std::min<std::uint64_t>(ms, 1000));
}

}  // namespace devsim
}  // namespace orv
