// parseStartOptions over arbitrary command lines: it must never read
// outside the line.  The input is given twice: as exactly its own bytes
// with no terminator (the length form), and as a string whose terminator
// is the last byte of its allocation.
#include <cstdint>
#include <cstring>
#include <memory>

#include "app/StartOptions.h"
#include "base/Ids.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::unique_ptr<char[]> exact(new char[size ? size : 1]);
    if (size) std::memcpy(exact.get(), data, size);
    std::uint32_t flags = 0, delay = 0;
    orv::parseStartOptions(exact.get(), size, flags, delay);
    if (delay > orv::kMaxStartDelayMs || (flags & ~std::uint32_t(START_AT_ONCE | START_DELAYED))) __builtin_trap();
    if (delay != 0 && !(flags & START_DELAYED)) __builtin_trap();

    std::unique_ptr<char[]> terminated(new char[size + 1]);
    if (size) std::memcpy(terminated.get(), data, size);
    terminated[size] = '\0';
    std::uint32_t flags2 = 0, delay2 = 0;
    orv::parseStartOptions(terminated.get(), flags2, delay2);
    // Without an embedded zero both forms see the same line.
    if (!std::memchr(data, 0, size) && (flags2 != flags || delay2 != delay)) __builtin_trap();
    return 0;
}
