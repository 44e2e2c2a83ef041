// The LAN link against the device simulator over loopback.
#include <gtest/gtest.h>

#include <cstring>

#include "base/Text.h"
#include "link/win32/LanLink.h"
#include "link/win32/ReceivePath.h"
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
    EXPECT_EQ(1, s.isOpen.load());
    ASSERT_TRUE(pumpUntil([&] { return s.byteCount.load() >= kSize; }, 240000));
    DWORD elapsed = GetTickCount() - start;
    // The simulator then closes: reported exactly once, and the thread idles.
    ASSERT_TRUE(pumpUntil([&] { return run.count(UM_LINK_ERROR, LINK_ERROR_RECEIVE) > 0; }, 10000));
    double cpuBefore = threadCpuMs(s.threadHandle.load());
    pumpFor(500);
    double idleCpu = threadCpuMs(s.threadHandle.load()) - cpuBefore;
    EXPECT_EQ(1, run.count(UM_LINK_ERROR, LINK_ERROR_RECEIVE));
    EXPECT_LT(idleCpu, 50.0) << "the receive thread must not spin after the failure";

    closeLanCapture(s, nullptr);
    EXPECT_EQ(0, s.isOpen.load());
    EXPECT_EQ(nullptr, s.threadHandle.load());
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
    closeLanCapture(s, nullptr);
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
    // The main window answers with its stop; the thread then asks for none.
    closeLanCapture(s, nullptr);
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
        for (const Posted& p : run.posted) {
            if (p.message != UM_QUERY_REPLY) continue;
            char text[5];
            unpackReplyText(p.lParam, text);
            texts.push_back(std::to_string(p.wParam) + "=" + text);
        }
        return texts;
    };
    SOCKET sock = static_cast<SOCKET>(s.lanSocket.load());
    ASSERT_EQ(1, send(sock, "I", 1, 0));
    ASSERT_TRUE(pumpUntil([&] { return replies().size() == 1; }, 5000));
    ASSERT_EQ(1, send(sock, "S", 1, 0));
    ASSERT_TRUE(pumpUntil([&] { return replies().size() == 5; }, 5000));
    const std::vector<std::string> expected = {"1033=0x0A", "1036=L", "1037=H", "1038=L", "1039=H"};
    EXPECT_EQ(expected, replies());
    // The count follows the reply on the receive thread, so wait for it too.
    EXPECT_TRUE(pumpUntil([&] { return s.byteCount.load() == 4u; }, 5000))
        << "replies are counted like all data, count " << s.byteCount.load();
    closeLanCapture(s, nullptr);
}

TEST(LanLink, HostNameIsLookedUpRatherThanTakenAsAnAddress) {
    DevSim sim("--lan 127.0.0.1:0 --generate 100 --close-when-done");
    int port = sim.port();
    ASSERT_NE(0, port);
    LinkRun run;
    CaptureState& s = run.state();
    pointAtLan(s, "localhost", std::to_string(port));
    ASSERT_EQ(1, openLanCapture(s, nullptr)) << (run.messages.shown.empty() ? "" : run.messages.shown[0].text);
    EXPECT_TRUE(pumpUntil([&] { return s.byteCount.load() == 100; }, 10000));
    closeLanCapture(s, nullptr);
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

TEST(LanLink, ConnectFailuresShowTheirTextsAndLeaveNothingOpen) {
    LinkRun sockets;  // the socket layer runs while the table is made
    struct Case {
        const char* host;
        std::string port;
        unsigned caption, text;
        bool withNumber;
    };
    const Case cases[] = {
        {"127.0.0.1", std::to_string(unusedPort()), IDS_LINK_CAPTION, IDS_LINK_FAILED, true},
        {"", "10001", IDS_SETTINGS_ERROR, IDS_HOST_MISSING, false},
        {"127.0.0.1", "port", IDS_SETTINGS_ERROR, IDS_PORT_INVALID, false},
        {"127.0.0.1", "70000", IDS_SETTINGS_ERROR, IDS_PORT_INVALID, false},
        {"no-such-host.invalid", "10001", IDS_LINK_CAPTION, IDS_LINK_FAILED, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.host) + ":" + c.port);
        LinkRun run;
        CaptureState& s = run.state();
        pointAtLan(s, c.host, c.port);
        EXPECT_EQ(0, openLanCapture(s, nullptr));
        EXPECT_EQ(0, s.isOpen.load());
        EXPECT_EQ(static_cast<std::uintptr_t>(INVALID_SOCKET), s.lanSocket.load());
        EXPECT_EQ(nullptr, s.threadHandle.load());
        ASSERT_EQ(1u, run.messages.shown.size());
        const auto& shown = run.messages.shown[0];
        EXPECT_EQ(run.text(c.caption).substr(0, 31), shown.caption);
        EXPECT_EQ(static_cast<unsigned>(MB_ICONWARNING), shown.type);
        if (c.withNumber) {
            std::string format = run.text(c.text);
            std::string before = format.substr(0, format.find('%'));
            EXPECT_EQ(0u, shown.text.find(before)) << shown.text;
            EXPECT_NE(shown.text, format) << "the error number is filled in";
        } else {
            EXPECT_EQ(run.text(c.text), shown.text);
        }
    }
}

TEST(LanLink, RefusedConnectionNamesTheSocketError) {
    LinkRun run;
    CaptureState& s = run.state();
    pointAtLan(s, "127.0.0.1", std::to_string(unusedPort()));
    EXPECT_EQ(0, openLanCapture(s, nullptr));
    ASSERT_EQ(1u, run.messages.shown.size());
    EXPECT_EQ(formatWithNumber(run.text(IDS_LINK_FAILED), WSAECONNREFUSED), run.messages.shown[0].text);
}

}  // namespace
}  // namespace orv::test
