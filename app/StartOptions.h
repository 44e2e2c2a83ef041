// The two start options on the command line: "-r" (start a capture run at
// once, files named by date and time) and "-t" with a delay in
// milliseconds.
#pragma once
#include <cstddef>
#include <cstdint>

namespace orv {

constexpr const char kProgramFileName[] = "Orvantide.exe";
constexpr std::uint32_t kMaxStartDelayMs = 600000;

// Options count only behind the program's file name, spelled exactly
// "Orvantide.exe"; each option must be followed by one character before
// the next ("-r -t 2000" gives both, "-r-t" only "-r").  A delay below 0
// becomes 0, one above ten minutes is capped there.  Reads nothing
// outside the command line.
void parseStartOptions(const char* commandLine, std::uint32_t& startFlags, std::uint32_t& startDelayMs);
// The same over length characters that need not be terminated.
void parseStartOptions(const char* commandLine, std::size_t length, std::uint32_t& startFlags,
                       std::uint32_t& startDelayMs);

}  // namespace orv
