// The pace of the simulator's data writes and of its reading.
#pragma once

#include <chrono>
#include <cstdint>

namespace orv {
namespace devsim {

using Clock = std::chrono::steady_clock;

// Milliseconds a poll waits for when, rounded up so that it does not wake
// just before; 0 once when has come.
int msUntil(Clock::time_point now, Clock::time_point when);

// Bytes that may move at a rate from a start on. They come in steps of
// about 20 ms worth, so that a paced link moves pieces, not single bytes.
class Pace {
public:
    // rate 0: no limit. A step is at most maxStep bytes.
    Pace(std::uint64_t rate, std::uint64_t maxStep);

    // Counts from start, with done bytes moved so far: a pace that was held
    // up does not catch up on the lost time.
    void restart(Clock::time_point start, std::uint64_t done);
    // Bytes that may move now, with done moved so far in all; 0 until a
    // whole step is due, UINT64_MAX without a limit.
    std::uint64_t allowance(Clock::time_point now, std::uint64_t done) const;
    // Milliseconds until allowance() is more than 0, at most 1000.
    int msUntilAllowed(Clock::time_point now, std::uint64_t done) const;

    std::uint64_t step() const { return step_; }

private:
    std::uint64_t dueSinceStart(Clock::time_point now) const;

    std::uint64_t rate_;
    std::uint64_t step_;
    Clock::time_point start_{};
    std::uint64_t doneAtStart_ = 0;
};

}  // namespace devsim
}  // namespace orv
