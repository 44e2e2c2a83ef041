// The links' device-free rules: the LAN port text and the serial line.
#include <gtest/gtest.h>

#include "link/LinkRules.h"

namespace orv {
namespace {

TEST(DataPort, ReadsTheLeadingNumberAndRefusesWhatNamesNoPort) {
    struct Case {
        const char* text;
        int port;
    };
    const Case cases[] = {
        {"10001", 10001}, {"  80", 80},     {"+81", 81},         {"443abc", 443},
        {"65535", 65535}, {"65536", 0},     {"70000", 0},        {"99999999999999999999", 0},
        {"-5", 0},        {"0", 0},         {"", 0},             {"abc", 0},
        {" \t9", 9},      {"1 2", 1},       {"-0", 0},           {"000010001", 10001},
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

}  // namespace
}  // namespace orv
