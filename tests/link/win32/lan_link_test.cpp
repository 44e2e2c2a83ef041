// The window's capture over the LAN against the device simulator on
// loopback: the worker, its hand-off and what it posts.
#include <gtest/gtest.h>

#include <cstring>

#include "app/win32/LinkWorker.h"
#include "app/win32/QueryDialog.h"
#include "app/win32/RunControl.h"
#include "base/Text.h"
#include "tests/link/win32/LinkHarness.h"

namespace orv::test {
namespace {

TEST(LanLink, CapturesALongStreamByteExactThroughTheWholeHandoff) {
    constexpr std::size_t kSize = 64u << 20;
    DevSim sim("--lan 127.0.0.1:0 --generate 64M --seed 7 --close-when-done");
    LinkRun run;
    CaptureState& s = run.state();

    DWORD start = GetTickCount();
    ASSERT_TRUE(openLanTo(sim, s));
    ASSERT_TRUE(pumpUntil([&] { return s.byteCount.load() >= kSize; }, 240000));
    DWORD elapsed = GetTickCount() - start;
    // The simulator then closes: reported exactly once, and the worker ends.
    ASSERT_TRUE(pumpUntil([&] { return run.count(UM_LINK_ERROR, LINK_ERROR_RECEIVE) > 0; }, 10000));
    EXPECT_TRUE(pumpUntil([&] { return s.worker->finished(); }, 5000));
    pumpFor(200);
    EXPECT_EQ(1, run.count(UM_LINK_ERROR, LINK_ERROR_RECEIVE));
    s.worker.reset();  // the stop that the main window makes in answer
    EXPECT_EQ(kSize, s.byteCount.load());
    std::vector<std::uint8_t> file = run.finishFile();
    ASSERT_EQ(kSize, file.size());
    EXPECT_TRUE(file == printerData(7, kSize)) << "capture file differs from what was sent";
    EXPECT_NE(std::string::npos, sim.report().find("data 67108864 bytes"));

    double mbps = kSize / 1048576.0 / (elapsed / 1000.0);
    std::printf("LAN capture: %zu bytes in %lu ms = %.1f MB/s\n", kSize, elapsed, mbps);
    ::testing::Test::RecordProperty("throughput_MBps", std::to_string(mbps));
}

TEST(LanLink, StopWhileNothingFlowsEndsAtOnceAndPostsNothing) {
    DevSim sim("--lan 127.0.0.1:0 --hold");
    LinkRun run;
    CaptureState& s = run.state();
    ASSERT_TRUE(openLanTo(sim, s));
    pumpFor(200);
    DWORD start = GetTickCount();
    s.worker->stop();
    EXPECT_LT(GetTickCount() - start, 1000u);
    pumpFor(200);
    EXPECT_EQ(0, run.count(UM_LINK_ERROR, LINK_ERROR_RECEIVE));
    EXPECT_EQ(0, run.count(WM_COMMAND, CMD_STOP)) << "a stop after the user's stop";
    EXPECT_TRUE(run.messages.shown.empty());
}

TEST(LanLink, ConnectionEndedByThePeerAsksForTheStop) {
    DevSim sim("--lan 127.0.0.1:0 --generate 1000 --close-when-done");
    LinkRun run;
    CaptureState& s = run.state();
    ASSERT_TRUE(openLanTo(sim, s));
    ASSERT_TRUE(pumpUntil([&] { return run.count(UM_LINK_ERROR, LINK_ERROR_RECEIVE) == 1; }, 10000));
    EXPECT_EQ(1000u, s.byteCount.load());
    // The main window answers with its stop; the worker then asks for none.
    s.worker->stop();
    pumpFor(100);
    EXPECT_EQ(1, run.count(UM_LINK_ERROR, LINK_ERROR_RECEIVE));
    EXPECT_EQ(printerData(1, 1000), run.finishFile());
}

TEST(LanLink, DeviceRepliesReachTheOpenQueryDialog) {
    DevSim sim("--lan 127.0.0.1:0 --hold --i-value 0x0A --s-lines 0x5");
    LinkRun run;
    CaptureState& s = run.state();
    s.queryDialog.store(s.mainWindow);  // the sink window plays the dialog
    ASSERT_TRUE(openLanTo(sim, s));

    auto replies = [&] {
        std::vector<std::string> texts;
        for (const Posted& p : run.posted)
            if (p.message == UM_QUERY_REPLY)
                texts.push_back(replyText({static_cast<char>(p.wParam), static_cast<std::uint8_t>(p.lParam)}));
        return texts;
    };
    ASSERT_EQ(1, sendCommandBytes(s, "I", 1));
    ASSERT_TRUE(pumpUntil([&] { return replies().size() == 1; }, 5000));
    ASSERT_EQ(1, sendCommandBytes(s, "S", 1));
    ASSERT_TRUE(pumpUntil([&] { return replies().size() == 2; }, 5000));
    EXPECT_EQ((std::vector<std::string>{"0x0A", "L H L H"}), replies());
    // The count and the grid are fed after the scanner.
    EXPECT_TRUE(pumpUntil([&] { return s.byteCount.load() == 4u; }, 5000))
        << "replies are counted like all data, count " << s.byteCount.load();
    s.worker->stop();
}

TEST(LanLink, HostNameIsLookedUpRatherThanTakenAsAnAddress) {
    DevSim sim("--lan 127.0.0.1:0 --generate 100 --close-when-done");
    int port = sim.port();
    ASSERT_NE(0, port);
    LinkRun run;
    CaptureState& s = run.state();
    pointAtLan(s, "localhost", std::to_string(port));
    ASSERT_TRUE(startCaptureWorker(s));
    EXPECT_TRUE(pumpUntil([&] { return s.byteCount.load() == 100; }, 10000));
    s.worker->stop();
    EXPECT_EQ(printerData(1, 100), run.finishFile());
}

int unusedPort() {
    SOCKET sock = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length);
    closesocket(sock);
    return ntohs(address.sin_port);
}

// What a start that fails shows: the settings' own texts before any
// worker, the link's text with the socket error after its open failed.
TEST(LanLink, ConnectFailuresShowTheirTexts) {
    LinkRun sockets;  // the socket layer runs while the table is made
    struct Case {
        const char* host;
        std::string port;
        unsigned caption, text;
        long number;  // 0: the text has no number; -1: any
    };
    const Case cases[] = {
        {"127.0.0.1", std::to_string(unusedPort()), IDS_LINK_CAPTION, IDS_LINK_FAILED, WSAECONNREFUSED},
        {"", "10001", IDS_SETTINGS_ERROR, IDS_HOST_MISSING, 0},
        {"127.0.0.1", "port", IDS_SETTINGS_ERROR, IDS_PORT_INVALID, 0},
        {"127.0.0.1", "70000", IDS_SETTINGS_ERROR, IDS_PORT_INVALID, 0},
        {"no-such-host.invalid", "10001", IDS_LINK_CAPTION, IDS_LINK_FAILED, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.host) + ":" + c.port);
        LinkRun run;
        CaptureState& s = run.state();
        pointAtLan(s, c.host, c.port);
        EXPECT_FALSE(startCaptureWorker(s));
        if (s.worker) {
            s.worker->stop();
            tellLinkFailure(s, nullptr, s.worker->openError(), true);
        }
        ASSERT_EQ(1u, run.messages.shown.size());
        const auto& shown = run.messages.shown[0];
        EXPECT_EQ(run.text(c.caption).substr(0, 31), shown.caption);
        EXPECT_EQ(static_cast<unsigned>(MB_ICONWARNING), shown.type);
        if (c.number > 0) {
            EXPECT_EQ(formatWithNumber(run.text(c.text), c.number), shown.text);
        } else if (c.number < 0) {
            std::string format = run.text(c.text);
            EXPECT_EQ(0u, shown.text.find(format.substr(0, format.find('%')))) << shown.text;
            EXPECT_NE(shown.text, format) << "the error number is filled in";
        } else {
            EXPECT_EQ(run.text(c.text), shown.text);
        }
    }
}

}  // namespace
}  // namespace orv::test
