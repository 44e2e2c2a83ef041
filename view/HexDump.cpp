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
class OffsetColumn {
public:
    explicit OffsetColumn(std::uint64_t offset) { render(offset); }

    // Moves on to the line at offset (16 bytes after the previous one):
    // only the second-last digit changes, except when it wraps to 0.
    void advance(std::uint64_t offset) {
        if (((offset >> 4) & 15) == 0)
            render(offset);
        else
            text_[digits_ - 2] = kDigits[(offset >> 4) & 15];
    }

    void put(char* p) const { std::memcpy(p, text_, kHexLeft); }

private:
    void render(std::uint64_t offset) {
        digits_ = offset >= 0x10000000u ? 8 : offset >= 0x1000000u ? 7 : 6;
        std::uint32_t v = static_cast<std::uint32_t>(offset);  // past 4 GiB: the low 32 bits
        for (int k = digits_ - 1; k >= 0; --k) {
            text_[k] = kDigits[v & 15];
            v >>= 4;
        }
        text_[digits_] = ':';
        for (int k = digits_ + 1; k < kHexLeft; ++k) text_[k] = ' ';
    }

    char text_[kHexLeft];
    int digits_ = 6;
};

inline void putHex(char* p, std::uint8_t b) { std::memcpy(p, kTables.hex[b], 4); }

// Eight bytes as characters at once: each byte itself when 0x20..0x7E,
// else '.'.  Byte-wise arithmetic, so the same on any byte order.
inline void putChars8(char* p, const std::uint8_t* b) {
    constexpr std::uint64_t ones = 0x0101010101010101u;
    constexpr std::uint64_t highs = 0x8080808080808080u;
    std::uint64_t x;
    std::memcpy(&x, b, 8);
    const std::uint64_t low7 = x & ~highs;
    const std::uint64_t atLeastSpace = (low7 + 0x60 * ones) & highs;  // low7 >= 0x20
    const std::uint64_t isDel = (low7 + ones) & highs;                // low7 == 0x7F
    const std::uint64_t shown = atLeastSpace & ~isDel & ~x;           // and below 0x80
    const std::uint64_t keep = (shown >> 7) * 0xFF;
    const std::uint64_t out = (x & keep) | (('.' * ones) & ~keep);
    std::memcpy(p, &out, 8);
}

void formatFullLine(const std::uint8_t* b, const OffsetColumn& head, char* p) {
    head.put(p);
    for (int j = 0; j < 8; ++j) putHex(p + kHexLeft + 3 * j, b[j]);  // the last one also blanks column 33
    for (int j = 0; j < 8; ++j) putHex(p + kHexRight + 3 * j, b[8 + j]);
    std::memcpy(p + 58, "    ", 4);
    putChars8(p + kChrLeft, b);
    p[70] = ' ';
    putChars8(p + kChrRight, b + 8);
    p[79] = '\r';
    p[80] = '\n';
}

void formatPartialLine(const std::uint8_t* b, std::size_t n, const OffsetColumn& head, char* p) {
    std::memcpy(p, kBlankLine, kHexLineBytes);
    head.put(p);
    for (std::size_t j = 0; j < n; ++j) {
        const std::size_t half = j < 8 ? 0 : 1;
        putHex(p + kHexLeft + 3 * j + half, b[j]);
        p[kChrLeft + j + half] = kTables.chr[b[j]];
    }
}

}  // namespace

std::size_t formatHexLines(const std::uint8_t* data, std::size_t count, std::uint64_t offset, char* out) {
    char* p = out;
    OffsetColumn head(offset);
    for (; count >= kHexLineInput; count -= kHexLineInput) {
        formatFullLine(data, head, p);
        data += kHexLineInput;
        offset += kHexLineInput;
        p += kHexLineBytes;
        head.advance(offset);
    }
    if (count > 0) {
        formatPartialLine(data, count, head, p);
        p += kHexLineBytes;
    }
    return static_cast<std::size_t>(p - out);
}

bool formatHexDump(ByteSource& file, char* destination, std::size_t lines, unsigned lastLineBytes) {
    if (lines == 0) return true;
    lastLineBytes %= kHexLineInput;
    std::uint64_t left = std::uint64_t(lines - 1) * kHexLineInput + (lastLineBytes ? lastLineBytes : kHexLineInput);
    std::uint64_t offset = 0;
    std::uint8_t block[256 * kHexLineInput];
    while (left > 0) {
        const std::size_t want = left < sizeof block ? static_cast<std::size_t>(left) : sizeof block;
        if (file.read(block, want) != want) return false;
        destination += formatHexLines(block, want, offset, destination);
        offset += want;
        left -= want;
    }
    return true;
}

}  // namespace orv
