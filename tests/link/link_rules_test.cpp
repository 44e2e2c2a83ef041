// The links' device-free rules: the LAN port text, the serial line and
// how a serial receive loop paces itself.
#include <gtest/gtest.h>

#include <vector>

#include "link/LinkRules.h"

namespace orv::test {
namespace {

TEST(DataPort, ReadsTheLeadingNumberAndRefusesWhatNamesNoPort) {
    struct Case {
        const char* text;
        int port;
    };
    const Case cases[] = {
        {"10001", 10001}, {"  80", 80}, {"+81", 81},  {"443abc", 443},
        {"65535", 65535}, {"65536", 0}, {"70000", 0}, {"99999999999999999999", 0},
        {"-5", 0},        {"0", 0},     {"", 0},      {"abc", 0},
        {" \t9", 9},      {"1 2", 1},   {"-0", 0},    {"000010001", 10001},
    };
    for (const Case& c : cases) EXPECT_EQ(c.port, parseDataPort(c.text)) << '"' << c.text << '"';
}

TEST(SerialLine, FlowControlBitsSelectTheHandshakes) {
    DeviceControl none = deviceControlFor({921600, 8, 0, 0, 0});
    EXPECT_FALSE(none.outxDsrFlow);
    EXPECT_FALSE(none.outxCtsFlow);
    EXPECT_EQ(1, none.dtrControl);
    EXPECT_EQ(1, none.rtsControl);
    EXPECT_FALSE(none.outX);
    EXPECT_FALSE(none.inX);

    DeviceControl all = deviceControlFor({921600, 8, 0, 0, 7});
    EXPECT_TRUE(all.outxDsrFlow);
    EXPECT_TRUE(all.outxCtsFlow);
    EXPECT_EQ(2, all.dtrControl);
    EXPECT_EQ(2, all.rtsControl);
    EXPECT_TRUE(all.outX);
    EXPECT_TRUE(all.inX);

    DeviceControl usual = deviceControlFor({921600, 8, 0, 0, 2});
    EXPECT_FALSE(usual.outxDsrFlow);
    EXPECT_TRUE(usual.outxCtsFlow);
    EXPECT_EQ(1, usual.dtrControl);
    EXPECT_EQ(2, usual.rtsControl);
    EXPECT_EQ(921600u, usual.baudRate);
    EXPECT_TRUE(usual.binary);
    EXPECT_EQ(100, usual.xonLim);
    EXPECT_EQ(0x11, usual.xonChar);
    EXPECT_EQ(0x13, usual.xoffChar);
}

TEST(SerialLine, OnlyLinesWithoutAHandshakeAreDrivenByHand) {
    struct Case {
        std::uint8_t flowControl;
        bool dtr, rts;
    } cases[] = {{0, true, true}, {1, false, true}, {2, true, false}, {3, false, false}, {6, true, false}};
    for (const Case& c : cases) {
        HandDrivenLines lines = handDrivenLines(c.flowControl);
        EXPECT_EQ(c.dtr, lines.dtr) << int(c.flowControl);
        EXPECT_EQ(c.rts, lines.rts) << int(c.flowControl);
        // The same rule as the control block's: by hand exactly when not handshake.
        DeviceControl d = deviceControlFor({921600, 8, 0, 0, c.flowControl});
        EXPECT_EQ(lines.dtr, d.dtrControl != 2);
        EXPECT_EQ(lines.rts, d.rtsControl != 2);
    }
}

TEST(SerialLine, ParityIsWrittenButNotChecked) {
    DeviceControl odd = deviceControlFor({9600, 7, 1, 2, 2});
    EXPECT_EQ(1, odd.parity);
    EXPECT_FALSE(odd.checkParity);
    EXPECT_EQ(7, odd.byteSize);
    EXPECT_EQ(2, odd.stopBits);
}

TEST(SerialLine, WriteTimeOutIsTwiceTheTimeOfAByte) {
    struct Case {
        std::uint32_t baud, multiplier;
    };
    const Case cases[] = {{921600, 2}, {115200, 16}, {9600, 192}, {1200, 1536}, {2000000, 0}};
    for (const Case& c : cases) {
        SerialTimeouts t = serialTimeoutsFor(c.baud);
        EXPECT_EQ(c.multiplier, t.writeMultiplier) << c.baud;
        EXPECT_EQ(0xFFFFFFFFu, t.readInterval);
        EXPECT_EQ(0u, t.readMultiplier);
        EXPECT_EQ(1000u, t.readConstant);
        EXPECT_EQ(0u, t.writeConstant);
    }
}

TEST(LineWatch, BacksOffWhileQuietAndGivesUpOnlyOnAPortThatStaysFailed) {
    LineWatch watch;
    std::vector<std::uint32_t> pauses;
    for (int i = 0; i < 7; ++i) pauses.push_back(watch.quiet());
    EXPECT_EQ((std::vector<std::uint32_t>{5, 10, 20, 40, 80, 100, 100}), pauses);
    watch.received();
    EXPECT_EQ(LineWatch::kShortestPauseMs, watch.quiet()) << "the first byte brings full speed back";

    // Failures for a second, but only two turns: not yet gone.
    EXPECT_FALSE(watch.failed(0));
    EXPECT_FALSE(watch.failed(1500));
    EXPECT_TRUE(watch.failed(1600));
    // A turn in which the port answered starts the count again.
    watch.quiet();
    EXPECT_FALSE(watch.failed(2000));
    EXPECT_FALSE(watch.failed(2100));
    EXPECT_FALSE(watch.failed(2999));
    EXPECT_TRUE(watch.failed(3000));
}

}  // namespace
}  // namespace orv::test
