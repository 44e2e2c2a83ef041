#include "tools/devsim/PrinterData.h"

#include <algorithm>
#include <cstring>

namespace orv {
namespace devsim {

namespace {

constexpr std::uint8_t CR = 0x0D, LF = 0x0A, FF = 0x0C, ESC = 0x1B;

// Control characters a printer driver mixes into text (bell included).
constexpr std::uint8_t kTextControls[] = {0x08, 0x09, 0x0E, 0x0F, 0x12, 0x14, 0x18, 0x07};
// Signs for the top 26 values of a text character byte.
constexpr char kPunctuation[] = ".,;:-()/'\"!?*#%&+=<>[]$@_|~";

}  // namespace

PrinterData::PrinterData(std::uint64_t seed) : state_(seed) {}

// splitmix64: tiny, fast and identical on every compiler.
std::uint64_t PrinterData::next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

void PrinterData::putData(std::uint8_t b) {
    put(b);
    if (b == kDeviceEscape) put(kEscapedBell);
}

namespace {

// Text character for each random byte: about one in six a space, then
// mostly lower-case letters, some capitals, digits and signs.
struct TextTable {
    std::uint8_t c[256];
};

constexpr TextTable makeTextTable() {
    TextTable t{};
    for (unsigned b = 0; b < 256; ++b) {
        if (b < 40)
            t.c[b] = ' ';
        else if (b < 190)
            t.c[b] = static_cast<std::uint8_t>('a' + (b - 40) % 26);
        else if (b < 210)
            t.c[b] = static_cast<std::uint8_t>('A' + (b - 190));
        else if (b < 230)
            t.c[b] = static_cast<std::uint8_t>('0' + (b - 210) % 10);
        else
            t.c[b] = static_cast<std::uint8_t>(kPunctuation[b - 230]);
    }
    return t;
}

constexpr TextTable kText = makeTextTable();

}  // namespace

void PrinterData::textLine(bool withControls) {
    const unsigned length = static_cast<unsigned>(next() % 97);
    std::uint8_t* out = segment_.data() + segmentLength_;
    if (!withControls) {
        for (unsigned i = 0; i < length; i += 8) {
            std::uint64_t bits = next();
            for (unsigned k = 0; k < 8; ++k, bits >>= 8) out[i + k] = kText.c[bits & 0xFF];
        }
        segmentLength_ += length;
    } else {
        std::uint64_t bits = 0;
        for (unsigned i = 0; i < length; ++i) {
            if ((i & 7) == 0) bits = next();
            const unsigned b = static_cast<unsigned>(bits & 0xFF);
            bits >>= 8;
            if (b >= 248)
                putData(kTextControls[b & 7]);
            else
                put(kText.c[b]);
        }
    }
    put(CR);
    // Now and then a line is struck over: CR without LF.
    if ((next() & 31) != 0) {
        put(LF);
        ++lineOfPage_;
    }
}

void PrinterData::escapeSequence() {
    static constexpr char kPlain[] = "@EF45GHMPg02";
    static constexpr char kWithParameter[] = "x-3Jl!QC";
    const std::uint64_t r = next();
    put(ESC);
    if (r & 1) {
        put(static_cast<std::uint8_t>(kPlain[(r >> 1) % (sizeof kPlain - 1)]));
    } else {
        put(static_cast<std::uint8_t>(kWithParameter[(r >> 1) % (sizeof kWithParameter - 1)]));
        putData(static_cast<std::uint8_t>(r >> 16));
    }
}

void PrinterData::bitImage() {
    static constexpr std::uint8_t kModes[] = {0, 1, 32, 33, 39};
    const std::uint64_t r = next();
    const std::uint8_t mode = kModes[r % 5];
    const unsigned columns = 8 + static_cast<unsigned>((r >> 8) % 473);
    const unsigned count = columns * (mode >= 32 ? 3 : 1);
    put(ESC);
    put('*');
    putData(mode);
    putData(static_cast<std::uint8_t>(columns & 0xFF));
    putData(static_cast<std::uint8_t>(columns >> 8));
    putRandomData(count, true);
    put(CR);
    put(LF);
    ++lineOfPage_;
}

void PrinterData::rawBinary() { putRandomData(1 + static_cast<unsigned>(next() % 256), false); }

void PrinterData::putRandomData(unsigned count, bool mostlyZero) {
    // A local cursor: byte stores could alias the member otherwise.
    std::uint8_t* out = segment_.data() + segmentLength_;
    for (unsigned i = 0; i < count; i += 8) {
        std::uint64_t bits = next();
        // Images are mostly white: many all-zero stretches.
        if (mostlyZero && (bits & 3) == 0) bits = 0;
        const unsigned n = std::min(8u, count - i);
        for (unsigned k = 0; k < n; ++k, bits >>= 8) {
            const auto b = static_cast<std::uint8_t>(bits);
            *out++ = b;
            if (b == kDeviceEscape) *out++ = kEscapedBell;
        }
    }
    segmentLength_ = static_cast<std::size_t>(out - segment_.data());
}

void PrinterData::buildSegment() {
    segmentLength_ = 0;
    segmentRead_ = 0;
    if (pageLength_ == 0) pageLength_ = 58 + static_cast<unsigned>(next() % 9);
    if (lineOfPage_ >= pageLength_) {
        put(FF);
        lineOfPage_ = 0;
        pageLength_ = 0;
        return;
    }
    const unsigned kind = static_cast<unsigned>(next() % 100);
    if (kind < 62)
        textLine(false);
    else if (kind < 74)
        escapeSequence();
    else if (kind < 80)
        bitImage();
    else if (kind < 85)
        rawBinary();
    else
        textLine(true);
}

void PrinterData::fill(std::uint8_t* out, std::size_t n) {
    while (n > 0) {
        if (segmentRead_ == segmentLength_) buildSegment();
        const std::size_t take = std::min(n, segmentLength_ - segmentRead_);
        std::memcpy(out, segment_.data() + segmentRead_, take);
        segmentRead_ += take;
        out += take;
        n -= take;
        position_ += take;
    }
}

void PrinterData::skip(std::uint64_t n) {
    while (n > 0) {
        if (segmentRead_ == segmentLength_) buildSegment();
        const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(n, segmentLength_ - segmentRead_));
        segmentRead_ += take;
        n -= take;
        position_ += take;
    }
}

void generatePrinterData(std::uint64_t seed, std::uint64_t offset, std::uint8_t* out, std::size_t n) {
    PrinterData data(seed);
    data.skip(offset);
    data.fill(out, n);
}

namespace {

// Slicing-by-8 tables, built at compile time.
struct CrcTables {
    std::uint32_t t[8][256];
};

constexpr CrcTables makeCrcTables() {
    CrcTables tables{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        tables.t[0][i] = c;
    }
    for (std::uint32_t i = 0; i < 256; ++i)
        for (int s = 1; s < 8; ++s) tables.t[s][i] = (tables.t[s - 1][i] >> 8) ^ tables.t[0][tables.t[s - 1][i] & 0xFF];
    return tables;
}

constexpr CrcTables kCrc = makeCrcTables();

}  // namespace

std::uint32_t crc32Update(std::uint32_t crc, const void* data, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    std::uint32_t c = ~crc;
    while (n >= 8) {
        const std::uint32_t lo = c ^ (std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                                      std::uint32_t(p[3]) << 24);
        const std::uint32_t hi =
            std::uint32_t(p[4]) | std::uint32_t(p[5]) << 8 | std::uint32_t(p[6]) << 16 | std::uint32_t(p[7]) << 24;
        c = kCrc.t[7][lo & 0xFF] ^ kCrc.t[6][(lo >> 8) & 0xFF] ^ kCrc.t[5][(lo >> 16) & 0xFF] ^ kCrc.t[4][lo >> 24] ^
            kCrc.t[3][hi & 0xFF] ^ kCrc.t[2][(hi >> 8) & 0xFF] ^ kCrc.t[1][(hi >> 16) & 0xFF] ^ kCrc.t[0][hi >> 24];
        p += 8;
        n -= 8;
    }
    while (n-- > 0) c = kCrc.t[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
    return ~c;
}

}  // namespace devsim
}  // namespace orv
