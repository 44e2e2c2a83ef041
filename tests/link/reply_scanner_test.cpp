// The device's answers in the stream: every 0x07 pair, across chunks.
#include "link/ReplyScanner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orv::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class Replies final : public ReplySink {
public:
    void reply(const DeviceReply& r) override { shown += std::string(1, r.command) + "=" + replyText(r) + " "; }
    std::string shown;
};

std::string scanned(const std::vector<Bytes>& chunks) {
    ReplyScanner scanner;
    Replies replies;
    for (const Bytes& c : chunks) scanner.scan(c.data(), c.size(), replies);
    return replies.shown;
}

TEST(ReplyScanner, FindsEveryReplyAcrossChunks) {
    const struct {
        const char* name;
        std::vector<Bytes> chunks;
        const char* shown;
    } cases[] = {
        {"value among data", {{0x41, 0x07, 0x4A}}, "I=0x0A "},
        {"lowest and highest value", {{0x07, 0x40}, {0x07, 0x4F}}, "I=0x00 I=0x0F "},
        {"lines split over chunks", {{0x41, 0x07}, {0x35, 0x41}}, "S=L H L H "},
        {"all lines low, all high", {{0x07, 0x30, 0x07, 0x3F}}, "S=L L L L S=H H H H "},
        {"0x07 0x07 is one pair and no reply", {{0x07, 0x07, 0x4A}}, ""},
        {"just outside both ranges", {{0x07, 0x2F, 0x07, 0x50}}, ""},
        {"two replies in one chunk", {{0x07, 0x4F, 0x07, 0x31}}, "I=0x0F S=L L L H "},
        {"escaped data bytes first", {{0x07, 0x27, 0x07, 0x27, 0x07, 0x4A}}, "I=0x0A "},
        {"empty chunks keep an open pair", {{0x07}, {}, {0x43}}, "I=0x03 "},
        {"a bad reply, then a good one", {{0x07, 0x61}, {0x07, 0x3C}}, "S=H H L L "},
        {"no 0x07", {{0x41, 0x42, 0x4A}}, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(c.shown, scanned(c.chunks)) << c.name;
}

TEST(ReplyScanner, EveryReplyByte) {
    for (int b = 0; b < 256; ++b) {
        std::string expected;
        if (b >= 0x30 && b <= 0x3F) {
            for (int line = 3; line >= 0; --line)
                expected += std::string((b >> line) & 1 ? "H" : "L") + (line ? " " : "");
            expected = "S=" + expected + " ";
        } else if (b >= 0x40 && b <= 0x4F) {
            const char digits[] = "0123456789ABCDEF";
            expected = std::string("I=0x0") + digits[b & 15] + " ";
        }
        EXPECT_EQ(expected, scanned({{0x07, static_cast<std::uint8_t>(b)}})) << b;
    }
}

}  // namespace
}  // namespace orv::test
