// The pace arithmetic, on made-up times.
#include "tools/devsim/Pacing.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace orv::test {
namespace {

using devsim::Clock;
using devsim::Pace;
using std::chrono::microseconds;
using std::chrono::milliseconds;

const Clock::time_point t0 = Clock::time_point() + std::chrono::hours(1);

TEST(DevsimPacing, StepIsAbout20MsOfBytes) {
    EXPECT_EQ(Pace(400000, 65536).step(), 8000u);
    EXPECT_EQ(Pace(400000, 999).step(), 999u);
    EXPECT_EQ(Pace(49, 65536).step(), 1u);
    EXPECT_EQ(Pace(0, 65536).step(), 1u);
}

TEST(DevsimPacing, NoRateNoLimit) {
    Pace p(0, 65536);
    p.restart(t0, 0);
    EXPECT_EQ(p.allowance(t0, 1ull << 40), UINT64_MAX);
    EXPECT_EQ(p.msUntilAllowed(t0, 1ull << 40), 0);
}

TEST(DevsimPacing, AllowanceComesInWholeSteps) {
    Pace p(400000, 65536);  // 400 bytes a millisecond, steps of 8000
    p.restart(t0, 0);
    EXPECT_EQ(p.allowance(t0, 0), 0u);
    EXPECT_EQ(p.msUntilAllowed(t0, 0), 20);
    EXPECT_EQ(p.allowance(t0 + milliseconds(10), 0), 0u);
    EXPECT_EQ(p.msUntilAllowed(t0 + milliseconds(10), 0), 10);
    EXPECT_EQ(p.allowance(t0 + milliseconds(20), 0), 8000u);
    EXPECT_EQ(p.msUntilAllowed(t0 + milliseconds(20), 0), 0);
    EXPECT_EQ(p.allowance(t0 + microseconds(32500), 5000), 8000u);
    // 7000 of 8000: the rest is 2.5 ms away, rounded up.
    EXPECT_EQ(p.allowance(t0 + milliseconds(30), 5000), 0u);
    EXPECT_EQ(p.msUntilAllowed(t0 + milliseconds(30), 5000), 3);
}

TEST(DevsimPacing, WaitsAreAtMostASecond) {
    Pace p(1, 65536);
    p.restart(t0, 0);
    EXPECT_EQ(p.msUntilAllowed(t0, 0), 1000);
    EXPECT_EQ(p.msUntilAllowed(t0, 5), 1000);
    EXPECT_EQ(p.allowance(t0 + milliseconds(5999), 5), 0u);
    EXPECT_EQ(p.allowance(t0 + milliseconds(6000), 5), 1u);
}

TEST(DevsimPacing, RestartDoesNotCatchUp) {
    Pace p(100000, 65536);  // steps of 2000
    p.restart(t0, 0);
    const auto later = t0 + std::chrono::seconds(10);
    EXPECT_EQ(p.allowance(later, 3000), 997000u);
    p.restart(later, 3000);
    EXPECT_EQ(p.allowance(later, 3000), 0u);
    EXPECT_EQ(p.msUntilAllowed(later, 3000), 20);
    EXPECT_EQ(p.allowance(later + milliseconds(25), 3000), 2500u);
    EXPECT_EQ(p.allowance(later + milliseconds(25), 4000), 0u);
}

TEST(DevsimPacing, MsUntilRoundsUp) {
    EXPECT_EQ(devsim::msUntil(t0, t0), 0);
    EXPECT_EQ(devsim::msUntil(t0 + milliseconds(1), t0), 0);
    EXPECT_EQ(devsim::msUntil(t0, t0 + microseconds(10)), 1);
    EXPECT_EQ(devsim::msUntil(t0, t0 + milliseconds(2)), 3);
}

}  // namespace
}  // namespace orv::test
