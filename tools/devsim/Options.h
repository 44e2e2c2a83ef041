// The simulator's command line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace orv {
namespace devsim {

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Options {
    enum class Link { None, Lan, Pty } link = Link::None;
    std::string host = "127.0.0.1";
    unsigned port = 0;
    std::string ptyLink;
    std::string file;
    bool generate = false;
    std::uint64_t generateBytes = 0;
    bool escp = false;  // ESC/P jobs: whole ones, or generateBytes of them
    std::uint64_t seed = 1;
    bool hold = false;
    std::uint64_t rate = 0;
    std::size_t chunk = 65536;
    unsigned delayStartMs = 0;
    bool closeWhenDone = false;
    unsigned jobs = 1;
    unsigned jobGapMs = 1000;
    unsigned connections = 1;
    bool replies = true;
    unsigned iValue = 0x0A;
    unsigned sLines = 0x5;
    std::string record;
    unsigned replyGapMs = 0;
    std::uint64_t readRate = 0;
    bool stall = false;
    std::uint64_t stallAfter = 0;
    unsigned stallMs = 3000;
    int receiveBuffer = 0;
};

// Decimal or 0x-hex, at most max; with sizeSuffix a k, M or G multiplies
// by 1024 each. Throws UsageError naming the option.
std::uint64_t parseNumber(const std::string& option, const std::string& text, bool sizeSuffix, std::uint64_t max);

// Throws UsageError. On --help sets help and reads no further.
Options parseOptions(int argc, char** argv, bool& help);

extern const char kHelp[];

}  // namespace devsim
}  // namespace orv
