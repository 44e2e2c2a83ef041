#include "view/HexDump.h"

#include <cstring>

namespace orv {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

// Per byte value: its two hex digits and two blanks, written four bytes at
// a time (the next entry overwrites the surplus blank), and its character.
struct HexTables {
    char hex[256][4];
    char chr[256];
    constexpr HexTables() : hex{}, chr{} {
        for (int b = 0; b < 256; ++b) {
            hex[b][0] = kDigits[b >> 4];
            hex[b][1] = kDigits[b & 15];
            hex[b][2] = ' ';
            hex[b][3] = ' ';
            chr[b] = static_cast<char>(b >= 0x20 && b <= 0x7E ? b : '.');
        }
    }
};
constexpr HexTables kTables;

constexpr int kHexLeft = 9;    // bytes 0..7 in hex
constexpr int kHexRight = 34;  // bytes 8..15 in hex
constexpr int kChrLeft = 62;   // bytes 0..7 as characters
constexpr int kChrRight = 71;  // bytes 8..15 as characters

constexpr char kBlankLine[kHexLineBytes + 1] =
    "                                                                               \r\n";
static_assert(sizeof kBlankLine == kHexLineBytes + 1, "blank line is 81 bytes");

// Columns 0..8: the offset in upper-case hex, ":" and blanks.
void writeOffset(char* p, std::uint64_t offset) {
    const int digits = offset >= 0x10000000u ? 8 : offset >= 0x1000000u ? 7 : 6;
    std::uint32_t v = static_cast<std::uint32_t>(offset);
    for (int k = digits - 1; k >= 0; --k) {
        p[k] = kDigits[v & 15];
        v >>= 4;
    }
    p[digits] = ':';
    for (int k = digits + 1; k < kHexLeft; ++k)
        p[k] = ' ';
}

inline void putHex(char* p, std::uint8_t b) { std::memcpy(p, kTables.hex[b], 4); }

void formatFullLine(const std::uint8_t* b, std::uint64_t offset, char* p) {
    writeOffset(p, offset);
    for (int j = 0; j < 8; ++j)
        putHex(p + kHexLeft + 3 * j, b[j]);  // the last one also blanks column 33
    for (int j = 0; j < 8; ++j)
        putHex(p + kHexRight + 3 * j, b[8 + j]);
    std::memcpy(p + 58, "    ", 4);
    for (int j = 0; j < 8; ++j)
        p[kChrLeft + j] = kTables.chr[b[j]];
    p[70] = ' ';
    for (int j = 0; j < 8; ++j)
        p[kChrRight + j] = kTables.chr[b[8 + j]];
    p[79] = '\r';
    p[80] = '\n';
}

void formatPartialLine(const std::uint8_t* b, std::size_t n, std::uint64_t offset, char* p) {
    std::memcpy(p, kBlankLine, kHexLineBytes);
    writeOffset(p, offset);
    for (std::size_t j = 0; j < n; ++j) {
        const std::size_t half = j < 8 ? 0 : 1;
        putHex(p + kHexLeft + 3 * j + half, b[j]);
        p[kChrLeft + j + half] = kTables.chr[b[j]];
    }
}

}  // namespace

std::size_t formatHexLines(const std::uint8_t* data, std::size_t count, std::uint64_t offset, char* out) {
    char* p = out;
    for (; count >= kHexLineInput; count -= kHexLineInput) {
        formatFullLine(data, offset, p);
        data += kHexLineInput;
        offset += kHexLineInput;
        p += kHexLineBytes;
    }
    if (count > 0) {
        formatPartialLine(data, count, offset, p);
        p += kHexLineBytes;
    }
    return static_cast<std::size_t>(p - out);
}

bool formatHexDump(ByteSource& file, char* destination, std::size_t lines, unsigned lastLineBytes) {
    if (lines == 0)
        return true;
    lastLineBytes %= kHexLineInput;
    std::uint64_t left = std::uint64_t(lines - 1) * kHexLineInput + (lastLineBytes ? lastLineBytes : kHexLineInput);
    std::uint64_t offset = 0;
    std::uint8_t block[256 * kHexLineInput];
    while (left > 0) {
        const std::size_t want = left < sizeof block ? static_cast<std::size_t>(left) : sizeof block;
        if (file.read(block, want) != want)
            return false;
        destination += formatHexLines(block, want, offset, destination);
        offset += want;
        left -= want;
    }
    return true;
}

}  // namespace orv
