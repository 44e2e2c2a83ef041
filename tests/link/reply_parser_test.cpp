#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/Ids.h"
#include "link/ReplyParser.h"

namespace orv::test {
namespace {

class RecordingSink final : public ReplySink {
public:
    void showReplyText(int controlId, const char* text) override {
        shown += std::to_string(controlId) + "=" + text + " ";
    }
    std::string shown;
};

const std::string kI = std::to_string(IDC_I_REPLY) + "=";
std::string lines(const char* b3, const char* b2, const char* b1, const char* b0) {
    return std::to_string(IDC_S_BIT3) + "=" + b3 + " " + std::to_string(IDC_S_BIT2) + "=" + b2 + " " +
           std::to_string(IDC_S_BIT1) + "=" + b1 + " " + std::to_string(IDC_S_BIT0) + "=" + b0 + " ";
}

struct Step {
    std::vector<std::uint8_t> chunk;
    int result;
    int stateAfter;
};
struct ParseCase {
    const char* name;
    std::vector<Step> steps;
    std::string shown;  // everything the sink got, in order
};

TEST(ReplyParser, ShowsAnswersAndKeepsStateAcrossChunks) {
    const ParseCase cases[] = {
        {"value reply", {{{0x41, 0x07, 0x4A}, 1, 0}}, kI + "0x0A "},
        {"lowest and highest value", {{{0x07, 0x40}, 1, 0}, {{0x07, 0x4F}, 1, 0}}, kI + "0x00 " + kI + "0x0F "},
        {"lines reply split over chunks", {{{0x41, 0x07}, 1, 1}, {{0x35, 0x41}, 1, 0}}, lines("L", "H", "L", "H")},
        {"all lines low", {{{0x07, 0x30}, 1, 0}}, lines("L", "L", "L", "L")},
        {"all lines high", {{{0x07, 0x3F}, 1, 0}}, lines("H", "H", "H", "H")},
        {"0x07 after 0x07 is no reply", {{{0x07, 0x07}, 0, 0}}, ""},
        {"just below the lines range", {{{0x07, 0x2F}, 0, 0}}, ""},
        {"just above the value range", {{{0x07, 0x50}, 0, 0}}, ""},
        {"only the first reply of a chunk", {{{0x07, 0x4F, 0x07, 0x31}, 1, 0}}, kI + "0x0F "},
        {"a 0x07 after the reply is not looked at", {{{0x07, 0x4A, 0x07}, 1, 0}, {{0x35}, 1, 0}}, kI + "0x0A "},
        {"no 0x07", {{{0x41, 0x42, 0x4A}, 1, 0}}, ""},
        {"empty chunk", {{{}, 1, 0}}, ""},
        {"empty chunk keeps a pending reply", {{{0x07}, 1, 1}, {{}, 1, 1}, {{0x43}, 1, 0}}, kI + "0x03 "},
        {"pending reply, then 0x07 first", {{{0x07}, 1, 1}, {{0x07, 0x44}, 0, 0}}, ""},
        {"pending reply judges only the first byte", {{{0x07}, 1, 1}, {{0x4A, 0x07, 0x35}, 1, 0}}, kI + "0x0A "},
        {"bad reply, then a good one in the next chunk",
         {{{0x07, 0x61}, 0, 0}, {{0x07, 0x3C}, 1, 0}},
         lines("H", "H", "L", "L")},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.name);
        ReplyParser parser;
        RecordingSink sink;
        for (const Step& s : c.steps) {
            EXPECT_EQ(parser.parseDeviceReply(s.chunk.data(), s.chunk.size(), sink), s.result);
            EXPECT_EQ(parser.replyState(), s.stateAfter);
        }
        EXPECT_EQ(sink.shown, c.shown);
    }
}

TEST(ReplyParser, EveryReplyByte) {
    for (int b = 0; b < 256; ++b) {
        SCOPED_TRACE(b);
        ReplyParser parser;
        RecordingSink sink;
        const std::uint8_t chunk[] = {0x07, static_cast<std::uint8_t>(b)};
        const int result = parser.parseDeviceReply(chunk, 2, sink);
        EXPECT_EQ(parser.replyState(), 0);
        if (b >= 0x30 && b <= 0x3F) {
            EXPECT_EQ(result, 1);
            EXPECT_EQ(sink.shown, lines(b & 8 ? "H" : "L", b & 4 ? "H" : "L", b & 2 ? "H" : "L", b & 1 ? "H" : "L"));
        } else if (b >= 0x40 && b <= 0x4F) {
            char text[8];
            std::snprintf(text, sizeof text, "0x%02X", b & 15);
            EXPECT_EQ(result, 1);
            EXPECT_EQ(sink.shown, kI + text + " ");
        } else {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(sink.shown, "");
        }
    }
}

}  // namespace
}  // namespace orv::test
