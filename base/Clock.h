// The two clocks of the program: one that only goes forward, for time
// limits and the disk's due times, and the local calendar time, for the
// names of capture files.
#pragma once
#include <cstdint>

namespace orv {

struct LocalTime {
    int year, month, day, hour, minute, second;  // month 1..12, day 1..31
};

// Milliseconds of a clock that only goes forward.
std::uint64_t monotonicMs();
LocalTime localTimeNow();

}  // namespace orv
