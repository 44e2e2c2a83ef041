#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "capture/DeviceStream.h"

namespace orv::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes hex(const std::string& text) {
    Bytes out;
    for (std::size_t i = 0;;) {
        while (i < text.size() && text[i] == ' ') ++i;
        if (i >= text.size()) break;
        out.push_back(static_cast<std::uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
        i += 2;
    }
    return out;
}

// Decodes the chunks one after the other and ends the stream.
Bytes decodeChunks(const std::vector<Bytes>& chunks) {
    DeviceStreamDecoder decoder;
    Bytes out;
    for (const Bytes& chunk : chunks) {
        Bytes buf(chunk.size() + 1);
        const std::size_t n = decoder.decode(chunk.data(), chunk.size(), buf.data());
        EXPECT_LE(n, chunk.size() + 1);
        out.insert(out.end(), buf.begin(), buf.begin() + static_cast<long>(n));
    }
    std::uint8_t last;
    if (decoder.finish(&last) == 1) out.push_back(last);
    EXPECT_FALSE(decoder.holdsEscape());
    return out;
}

struct DecodeCase {
    const char* input;
    const char* output;
};

const DecodeCase kCases[] = {
    {"", ""},
    {"41 42", "41 42"},
    {"07 27", "07"},  // an escaped 0x07
    {"07 30", ""},
    {"07 3A", ""},
    {"07 3F", ""},  // replies to 'S' dropped
    {"07 40", ""},
    {"07 4F", ""},  // replies to 'I' dropped
    {"07 2F", "07 2F"},
    {"07 50", "07 50"},  // just outside the reply range
    {"07 00", "07 00"},
    {"07 FF", "07 FF"},
    {"07 26", "07 26"},
    {"07 28", "07 28"},
    {"07 07", "07 07"},  // the second 0x07 opens nothing
    {"07 07 31", "07 07 31"},
    {"07 07 07 27", "07 07 07"},
    {"41 07 27 42 07 31 43 07 07 44", "41 07 42 43 07 07 44"},
    {"07 27 07 27", "07 07"},
    {"07", "07"},  // a lone 0x07 at the end is kept
    {"41 07", "41 07"},
    {"07 07 07", "07 07 07"},
    {"07 31 07", "07"},
    {"27 30 4F", "27 30 4F"},
};

TEST(DeviceStream, DecodesByTheTable) {
    for (const DecodeCase& c : kCases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(decodeChunks({hex(c.input)}), hex(c.output));
    }
}

TEST(DeviceStream, ChunkBoundariesDoNotMatter) {
    for (const DecodeCase& c : kCases) {
        SCOPED_TRACE(c.input);
        const Bytes in = hex(c.input);
        for (std::size_t cut = 0; cut <= in.size(); ++cut) {
            const Bytes a(in.begin(), in.begin() + static_cast<long>(cut));
            const Bytes b(in.begin() + static_cast<long>(cut), in.end());
            EXPECT_EQ(decodeChunks({a, {}, b}), hex(c.output)) << "cut at " << cut;
        }
        std::vector<Bytes> single;
        for (std::uint8_t byte : in) single.push_back({byte});
        EXPECT_EQ(decodeChunks(single), hex(c.output));
    }
}

TEST(DeviceStream, HeldEscapePairsWithTheNextChunk) {
    DeviceStreamDecoder decoder;
    std::uint8_t out[4];
    const std::uint8_t first[] = {0x41, 0x07};
    EXPECT_EQ(decoder.decode(first, 2, out), 1u);
    EXPECT_TRUE(decoder.holdsEscape());
    EXPECT_EQ(decoder.decode(nullptr, 0, out), 0u);  // an empty chunk changes nothing
    EXPECT_TRUE(decoder.holdsEscape());
    const std::uint8_t second[] = {0x51};
    ASSERT_EQ(decoder.decode(second, 1, out), 2u);  // the chunk of one byte gives two
    EXPECT_EQ(out[0], 0x07);
    EXPECT_EQ(out[1], 0x51);
    EXPECT_FALSE(decoder.holdsEscape());
}

TEST(DeviceStream, FromAByteSource) {
    const Bytes in = hex("41 07 27 42 07 31 43 07 07 44 07");
    Bytes out(in.size(), 0xEE);
    std::size_t count = 999;
    MemoryByteSource source(in.data(), in.size());
    ASSERT_TRUE(decodeDeviceStream(source, out.data(), in.size(), count));
    EXPECT_EQ(Bytes(out.begin(), out.begin() + static_cast<long>(count)), hex("41 07 42 43 07 07 44 07"));
}

TEST(DeviceStream, EscapeAcrossTheReadBlocks) {
    // 0x07 as the last byte of every 16 KiB read block and elsewhere.
    Bytes in(3 * 16384 + 10, 0x61);
    Bytes expected;
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (i % 16384 == 16383) {
            in[i] = 0x07;
            in[i + 1] = static_cast<std::uint8_t>(i % 3 == 0 ? 0x27 : i % 3 == 1 ? 0x35 : 0x07);
        }
    }
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] == 0x07) {
            if (in[i + 1] == 0x27)
                expected.push_back(0x07);
            else if (in[i + 1] != 0x35)
                expected.insert(expected.end(), {0x07, in[i + 1]});
            ++i;
        } else {
            expected.push_back(in[i]);
        }
    }
    Bytes out(in.size());
    std::size_t count = 0;
    MemoryByteSource source(in.data(), in.size());
    ASSERT_TRUE(decodeDeviceStream(source, out.data(), in.size(), count));
    out.resize(count);
    EXPECT_EQ(out, expected);
}

TEST(DeviceStream, ShortFileFailsWithoutCount) {
    const Bytes in = hex("41 42 43");
    Bytes out(10);
    std::size_t count = 12345;
    MemoryByteSource source(in.data(), in.size());
    EXPECT_FALSE(decodeDeviceStream(source, out.data(), 10, count));
    EXPECT_EQ(count, 12345u);
}

}  // namespace
}  // namespace orv::test
