#include "tools/devsim/PrinterData.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace orv::test {
namespace {

using devsim::crc32Update;
using devsim::generatePrinterData;
using devsim::PrinterData;

std::vector<std::uint8_t> generate(std::uint64_t seed, std::size_t n, std::uint64_t offset = 0) {
    std::vector<std::uint8_t> v(n);
    generatePrinterData(seed, offset, v.data(), n);
    return v;
}

std::size_t countPattern(const std::vector<std::uint8_t>& v, const std::string& pattern) {
    std::size_t count = 0;
    for (std::size_t i = 0; i + pattern.size() <= v.size(); ++i)
        if (std::memcmp(v.data() + i, pattern.data(), pattern.size()) == 0) ++count;
    return count;
}

TEST(PrinterData, SameSeedSameBytesWhateverThePieces) {
    const auto whole = generate(42, 300000);
    EXPECT_EQ(whole, generate(42, 300000));
    EXPECT_NE(whole, generate(43, 300000));

    const std::size_t pieceSizes[] = {1, 2, 7, 4095, 4096, 4097, 65536};
    for (std::size_t piece : pieceSizes) {
        PrinterData data(42);
        std::vector<std::uint8_t> joined(whole.size());
        for (std::size_t at = 0; at < joined.size(); at += piece)
            data.fill(joined.data() + at, std::min(piece, joined.size() - at));
        EXPECT_EQ(joined, whole) << "pieces of " << piece;
        EXPECT_EQ(data.position(), whole.size());
    }
}

TEST(PrinterData, OffsetAndSkipMatchTheStream) {
    const auto whole = generate(5, 200000);
    const std::uint64_t offsets[] = {0, 1, 3333, 65535, 123457};
    for (std::uint64_t offset : offsets) {
        const auto slice = generate(5, 50000, offset);
        EXPECT_TRUE(std::equal(slice.begin(), slice.end(), whole.begin() + static_cast<std::ptrdiff_t>(offset)))
            << "offset " << offset;
    }
    PrinterData data(5);
    data.skip(1000);
    data.skip(99000);
    EXPECT_EQ(data.position(), 100000u);
    std::vector<std::uint8_t> rest(100000);
    data.fill(rest.data(), rest.size());
    EXPECT_TRUE(std::equal(rest.begin(), rest.end(), whole.begin() + 100000));
}

TEST(PrinterData, LooksLikePrinterOutput) {
    for (std::uint64_t seed : {1ull, 2ull, 0xFFFFFFFFFFFFFFFFull}) {
        const auto v = generate(seed, 1 << 20);
        EXPECT_GT(countPattern(v, "\r\n"), 2000u) << "seed " << seed;
        EXPECT_GT(countPattern(v, "\x0c"), 10u) << "seed " << seed;
        EXPECT_GT(countPattern(v, "\x1b*"), 50u) << "seed " << seed;
        EXPECT_GT(countPattern(v, "\x1b@"), 5u) << "seed " << seed;
        EXPECT_GT(countPattern(v, std::string("\x07\x27", 2)), 100u) << "seed " << seed;
        std::size_t high = 0, printable = 0;
        for (std::uint8_t b : v) {
            high += b >= 0x80;
            printable += b >= 0x20 && b < 0x7F;
        }
        EXPECT_GT(high, v.size() / 50) << "binary runs, seed " << seed;
        EXPECT_GT(printable, v.size() / 2) << "text, seed " << seed;
    }
}

// A decoder must never find a device reply (0x07 then 0x30..0x4F) or a
// damaged sequence in generated data: every 0x07 is an escaped data byte.
TEST(PrinterData, EveryBellIsEscaped) {
    for (std::uint64_t seed = 0; seed < 8; ++seed) {
        const auto v = generate(seed, 1 << 19);
        std::size_t pairs = 0;
        for (std::size_t i = 0; i < v.size(); ++i) {
            if (v[i] != 0x07) continue;
            if (i + 1 == v.size()) break;  // the pair goes on past the end of this piece
            ASSERT_EQ(v[i + 1], 0x27) << "seed " << seed << " offset " << i;
            ++pairs;
            ++i;
        }
        EXPECT_GT(pairs, 0u) << "seed " << seed;
    }
}

TEST(Crc32, KnownValuesAndPieces) {
    EXPECT_EQ(crc32Update(0, "", 0), 0u);
    EXPECT_EQ(crc32Update(0, "123456789", 9), 0xCBF43926u);
    EXPECT_EQ(crc32Update(0, "The quick brown fox jumps over the lazy dog", 43), 0x414FA339u);

    const auto v = generate(9, 100003);
    const std::uint32_t whole = crc32Update(0, v.data(), v.size());
    for (std::size_t piece : {1u, 3u, 8u, 13u, 4096u}) {
        std::uint32_t c = 0;
        for (std::size_t at = 0; at < v.size(); at += piece)
            c = crc32Update(c, v.data() + at, std::min(piece, v.size() - at));
        EXPECT_EQ(c, whole) << "pieces of " << piece;
    }
}

// The same figures natively and in the Win32 build under Wine: both
// generate the same stream, so a Win32 capture can be checked against a
// stream that the native simulator sent.
TEST(PrinterData, SameStreamOnEveryPlatform) {
    const auto v = generate(1, 1 << 20);
    EXPECT_EQ(crc32Update(0, v.data(), v.size()), 0x47828565u);
    const auto w = generate(0x123456789ABCDEFull, 4096, 1u << 24);
    EXPECT_EQ(crc32Update(0, w.data(), w.size()), 0x6129BCCEu);
}

}  // namespace
}  // namespace orv::test
