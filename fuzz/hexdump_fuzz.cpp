// Hex-dump text: always lines x 81 bytes, every line ending CR LF, the
// fixed columns in place, and the bytes readable back from the hex part.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "view/HexDump.h"

namespace {

int digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) return 0;
    std::uint64_t offset;  // the first 8 bytes: the offset, 16-aligned as in a file
    std::memcpy(&offset, data, 8);
    offset &= ~std::uint64_t(15) & 0xFFFFFFFFFull;
    data += 8;
    size -= 8;

    const std::size_t lines = orv::hexDumpLineCount(size);
    std::string text(lines * orv::kHexLineBytes + 1, '\x01');
    if (orv::formatHexLines(data, size, offset, &text[0]) != lines * orv::kHexLineBytes || text.back() != '\x01')
        std::abort();
    for (std::size_t k = 0; k < lines; ++k) {
        const char* p = &text[k * 81];
        if (p[79] != '\r' || p[80] != '\n' || std::memchr(p, '\n', 80) || std::memchr(p, '\r', 79)) std::abort();
        if (!std::memchr(p, ':', 9) || p[33] != ' ' || std::memcmp(p + 58, "    ", 4) != 0 || p[70] != ' ')
            std::abort();
        for (std::size_t j = 0; j < 16; ++j) {
            const std::size_t half = j < 8 ? 0 : 1;
            const char* hex = p + 9 + 3 * j + half;
            const char chr = p[62 + j + half];
            const std::size_t at = k * 16 + j;
            if (at < size) {
                const int b = digit(hex[0]) * 16 + digit(hex[1]);
                if (b != data[at] || chr != (b >= 0x20 && b <= 0x7E ? char(b) : '.')) std::abort();
            } else if (std::memcmp(hex, "  ", 2) != 0 || chr != ' ') {
                std::abort();
            }
        }
    }

    orv::MemoryByteSource source(data, size);
    std::string fromSource(lines * orv::kHexLineBytes, '\0');
    const std::size_t hexLines = orv::hexDumpLineCount(size);
    if (!orv::formatHexDump(source, &fromSource[0], hexLines, unsigned(size % 16))) std::abort();
    std::string fromZero(lines * orv::kHexLineBytes, '\0');
    orv::formatHexLines(data, size, 0, &fromZero[0]);
    if (fromSource != fromZero) std::abort();
    return 0;
}
