// What the POSIX links share: a wait on a descriptor that a stop ends, the
// write loop under the stall rule, and the system's texts.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "link/DeviceLink.h"

namespace orv::posix {

enum class Woken { Io, TimedOut, Stopped, Failed };

// Waits up to ms (negative: without limit) for events on fd or the stop.
// Io when fd has any event (revents gets them), even if a stop came too:
// what the descriptor has is the caller's to take.  Failed: poll failed,
// errno says why.
Woken waitFor(int fd, short events, int ms, const StopSignal& stop, short* revents = nullptr);

// Milliseconds left of a limit that started at startMs (negative limit:
// none, -1).
int msLeft(int limitMs, std::uint64_t startMs);

// Writes all of data to a non-blocking fd (a socket through send(), so
// that a peer that has gone raises no SIGPIPE).  Fails Stalled when nothing moved for stallMs
// (negative: never), Stopped on a stop, Failed with errno otherwise.
bool writeAll(int fd, bool socket, const std::uint8_t* data, std::size_t size, int stallMs, const StopSignal& stop,
              const std::string& name, LinkError& error);

std::string systemText(int code);

}  // namespace orv::posix
