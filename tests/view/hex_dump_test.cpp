#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "view/HexDump.h"

namespace orv::test {
namespace {

std::vector<std::uint8_t> counting(std::size_t n, std::uint8_t first = 0) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(first + i);
    return v;
}

std::string hexLines(const std::vector<std::uint8_t>& data, std::uint64_t offset = 0) {
    std::string out(hexDumpLineCount(data.size()) * kHexLineBytes, '\0');
    const std::size_t n = formatHexLines(data.data(), data.size(), offset, &out[0]);
    EXPECT_EQ(n, out.size());
    return out;
}

// One expected line: the 79 visible columns and CR LF.
std::string line(std::string text) {
    EXPECT_EQ(text.size(), 79u);
    return text + "\r\n";
}

TEST(HexDump, WorkedLineIsByteExact) {
    const std::vector<std::uint8_t> bytes = {0x48, 0x65, 0x6C, 0x6C, 0x6F, 0x2C, 0x20, 0x77,
                                             0x6F, 0x72, 0x6C, 0x64, 0x21, 0x0D, 0x0A, 0x00};
    EXPECT_EQ(hexLines(bytes, 0x20),
              line("000020:  48 65 6C 6C 6F 2C 20 77  6F 72 6C 64 21 0D 0A 00     Hello, w orld!..."));
}

TEST(HexDump, PartialLastLineIsPaddedTo81Bytes) {
    struct Case {
        std::size_t size;
        std::string lastLine;
    };
    const Case cases[] = {
        {1, "000000:  41                                                   A                "},
        {8, "000000:  41 42 43 44 45 46 47 48                              ABCDEFGH         "},
        {9, "000000:  41 42 43 44 45 46 47 48  49                          ABCDEFGH I       "},
        {15, "000000:  41 42 43 44 45 46 47 48  49 4A 4B 4C 4D 4E 4F        ABCDEFGH IJKLMNO "},
        {16, "000000:  41 42 43 44 45 46 47 48  49 4A 4B 4C 4D 4E 4F 50     ABCDEFGH IJKLMNOP"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        EXPECT_EQ(hexLines(counting(c.size, 'A')), line(c.lastLine));
    }
}

TEST(HexDump, LineCountsAndSizes) {
    struct Case {
        std::size_t size, lines;
    };
    const Case cases[] = {{0, 0}, {1, 1}, {15, 1}, {16, 1}, {17, 2}, {32, 2}, {33, 3}, {100, 7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        EXPECT_EQ(hexDumpLineCount(c.size), c.lines);
        const std::string text = hexLines(counting(c.size));
        ASSERT_EQ(text.size(), c.lines * 81);
        for (std::size_t k = 0; k < c.lines; ++k) {
            EXPECT_EQ(text.substr(k * 81 + 79, 2), "\r\n");
            EXPECT_EQ(text.find('\n', k * 81), k * 81 + 80);
        }
    }
    // 17 bytes: the second line shows byte 0x10 and fifteen blanks.
    EXPECT_EQ(hexLines(counting(17)).substr(81),
              line("000010:  10                                                   .                "));
}

TEST(HexDump, EveryByteValue) {
    const std::string text = hexLines(counting(256));
    ASSERT_EQ(text.size(), 16u * 81);
    EXPECT_EQ(text.substr(0, 81),
              line("000000:  00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F     ........ ........"));
    EXPECT_EQ(text.substr(2 * 81, 81),
              line("000020:  20 21 22 23 24 25 26 27  28 29 2A 2B 2C 2D 2E 2F      !\"#$%&' ()*+,-./"));
    EXPECT_EQ(text.substr(7 * 81, 81),
              line("000070:  70 71 72 73 74 75 76 77  78 79 7A 7B 7C 7D 7E 7F     pqrstuvw xyz{|}~."));
    EXPECT_EQ(text.substr(15 * 81, 81),
              line("0000F0:  F0 F1 F2 F3 F4 F5 F6 F7  F8 F9 FA FB FC FD FE FF     ........ ........"));
}

TEST(HexDump, OffsetColumnKeepsTheLineAt81Bytes) {
    struct Case {
        std::uint64_t offset;
        const char* head;  // columns 0..8
    };
    const Case cases[] = {
        {0x0, "000000:  "},        {0xABCDE0, "ABCDE0:  "},
        {0xFFFFF0, "FFFFF0:  "},   {0x1000000, "1000000: "},    // 16 MiB: seven digits, one space
        {0xFFFFFF0, "FFFFFF0: "},  {0x10000000, "10000000:"},   // 256 MiB: eight digits
        {0xFFFFFFF0, "FFFFFFF0:"}, {0x100000010, "00000010:"},  // 4 GiB on: the low 32 bits
    };
    const std::vector<std::uint8_t> bytes = counting(16, 0x30);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.head);
        const std::string text = hexLines(bytes, c.offset);
        ASSERT_EQ(text.size(), 81u);
        EXPECT_EQ(text.substr(0, 9), c.head);
        EXPECT_EQ(text.substr(9), "30 31 32 33 34 35 36 37  38 39 3A 3B 3C 3D 3E 3F     01234567 89:;<=>?\r\n");
    }
    // A block that crosses 16 MiB switches within the block.
    const std::string two = hexLines(counting(32), 0xFFFFF0);
    EXPECT_EQ(two.substr(0, 9), "FFFFF0:  ");
    EXPECT_EQ(two.substr(81, 9), "1000000: ");
}

// Offsets of many consecutive lines, aligned or not, against printf.
TEST(HexDump, OffsetsOfConsecutiveLines) {
    const std::vector<std::uint8_t> data = counting(16 * 600);
    for (std::uint64_t start :
         {std::uint64_t(0), std::uint64_t(7), std::uint64_t(0xFFF000), std::uint64_t(0xFFFFF09)}) {
        SCOPED_TRACE(start);
        const std::string text = hexLines(data, start);
        for (std::size_t k = 0; k < 600; ++k) {
            const std::uint64_t off = start + 16 * k;
            char head[16];
            std::snprintf(head, sizeof head, off < 0x1000000 ? "%06X:  " : "%07X: ", unsigned(off));
            ASSERT_EQ(text.substr(k * 81, 9), std::string(head, 9)) << k;
        }
    }
}

TEST(HexDump, BlocksGiveTheSameTextAsOneCall) {
    const std::vector<std::uint8_t> data = counting(16 * 40 + 9, 7);
    const std::string whole = hexLines(data);
    std::string pieces;
    for (std::size_t at = 0; at < data.size(); at += 48) {
        const std::vector<std::uint8_t> part(data.begin() + at, data.begin() + std::min(data.size(), at + 48));
        pieces += hexLines(part, at);
    }
    EXPECT_EQ(pieces, whole);
}

TEST(HexDump, FromAByteSource) {
    for (std::size_t size : {std::size_t(0), std::size_t(16), std::size_t(100), std::size_t(4096 * 3 + 5)}) {
        SCOPED_TRACE(size);
        const std::vector<std::uint8_t> data = counting(size, 3);
        const std::size_t lines = hexDumpLineCount(size);
        std::string out(lines * 81, '#');
        MemoryByteSource source(data.data(), data.size());
        ASSERT_TRUE(formatHexDump(source, &out[0], lines, unsigned(size % 16)));
        EXPECT_EQ(out, hexLines(data));
    }
}

TEST(HexDump, ShortReadFails) {
    const std::vector<std::uint8_t> data = counting(99);
    std::string out(7 * 81, '#');
    MemoryByteSource source(data.data(), data.size());
    EXPECT_FALSE(formatHexDump(source, &out[0], 7, 100 % 16));  // says 100 bytes, has 99
}

}  // namespace
}  // namespace orv::test
