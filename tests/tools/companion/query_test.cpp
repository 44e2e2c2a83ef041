// The query's reply scanner: every 0x07 pair, across reads, of the asked kind.
#include "tools/companion/Query.h"

#include <gtest/gtest.h>

#include <vector>

namespace orv::test {
namespace {

using companion::ReplyScanner;
using Bytes = std::vector<std::uint8_t>;

std::string scanned(char command, const std::vector<Bytes>& reads) {
    ReplyScanner scanner(command);
    for (const Bytes& r : reads)
        if (scanner.scan(r.data(), r.size())) break;
    return scanner.text();
}

TEST(ReplyScanner, FindsTheAnswerOfTheAskedKindOnly) {
    const struct {
        char command;
        std::vector<Bytes> reads;
        const char* text;
    } cases[] = {
        {'I', {{0x07, 0x4A}}, "0x0A"},
        {'I', {{0x07, 0x40}}, "0x00"},
        {'I', {{'x', 0x07, 0x4F, 'y'}}, "0x0F"},
        {'S', {{0x07, 0x35}}, "L H L H"},
        {'S', {{0x07, 0x3A}}, "H L H L"},
        {'I', {{0x07, 0x27, 0x07, 0x27, 0x07, 0x4A}}, "0x0A"},  // escaped data bytes come first
        {'I', {{0x07, 0x07, 0x4A}}, ""},                        // 0x07 0x07 is one pair: no answer
        {'I', {{'a', 0x07}, {0x4B}}, "0x0B"},                   // split across reads
        {'S', {{0x07, 0x4A, 0x07, 0x33}}, "L L H H"},           // the other kind is passed over
        {'I', {{0x07, 0x35}}, ""},
        {'S', {{0x07}, {}, {0x30}}, "L L L L"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.text, scanned(c.command, c.reads)) << c.command << " " << c.text;
}

}  // namespace
}  // namespace orv::test
