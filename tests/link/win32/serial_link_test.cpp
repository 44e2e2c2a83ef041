// The window's capture over the serial link, through a pseudo-terminal that
// the device simulator makes and the test maps into the Wine prefix as a
// COM port: the worker, its hand-off and what it posts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "app/win32/LinkWorker.h"
#include "app/win32/RunControl.h"
#include "tests/link/win32/LinkHarness.h"

namespace orv::test {
namespace {

void captureByteExact(int port, std::size_t size, std::uint64_t seed) {
    ASSERT_NE(nullptr, std::getenv("WINEPREFIX"));
    DevSim sim("--pty " + comLink(port) + " --generate " + std::to_string(size) + " --seed " + std::to_string(seed) +
               " --delay-start 300 --close-when-done");
    LinkRun run;
    CaptureState& s = run.state();
    DWORD start = GetTickCount();
    ASSERT_TRUE(openSerialOn(sim, s, port));
    EXPECT_TRUE(pumpUntil([&] { return s.byteCount.load() >= size; }, 120000)) << s.byteCount.load() << " of " << size;
    DWORD elapsed = GetTickCount() - start;
    s.worker->stop();
    EXPECT_EQ(size, s.byteCount.load());
    std::vector<std::uint8_t> file = run.finishFile();
    ASSERT_EQ(size, file.size());
    EXPECT_TRUE(file == printerData(seed, size)) << "capture file differs from what was sent";
    std::printf("COM%d capture: %zu bytes in %lu ms\n", port, size, elapsed);
}

TEST(SerialLink, CapturesByteExactOnCom5) { captureByteExact(5, 8u << 20, 3); }

TEST(SerialLink, TwoDigitPortsOpenLikeOthers) { captureByteExact(12, 8u << 20, 4); }

TEST(SerialLink, QuietLineCostsLittleAndStopsAtOnce) {
    DevSim sim("--pty " + comLink(5) + " --hold");
    LinkRun run;
    CaptureState& s = run.state();
    ASSERT_TRUE(openSerialOn(sim, s, 5));
    pumpFor(200);
    double before = processCpuMs();
    DWORD start = GetTickCount();
    pumpFor(1000);
    double cpu = processCpuMs() - before;
    double share = cpu / (GetTickCount() - start);
    std::printf("quiet serial line: the program used %.1f ms of CPU in %lu ms\n", cpu, GetTickCount() - start);
    EXPECT_LT(share, 0.15) << "the capture must not spin while the line is quiet";

    start = GetTickCount();
    s.worker->stop();
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_EQ(0u, s.byteCount.load());
}

// A USB adapter pulled out, as Wine shows it: the other side of the
// pseudo-terminal closes during the run.
TEST(SerialLink, PortThatGoesAwayIsToldOnceAndTheFileIsComplete) {
    const std::size_t size = 50000;
    DevSim sim("--pty " + comLink(5) + " --generate " + std::to_string(size) +
               " --seed 5 --delay-start 300 --close-when-done");
    LinkRun run;
    CaptureState& s = run.state();
    ASSERT_TRUE(openSerialOn(sim, s, 5));
    EXPECT_TRUE(pumpUntil([&] { return run.count(UM_LINK_ERROR, LINK_ERROR_RECEIVE) > 0; }, 20000))
        << "the port that went away is told";
    pumpFor(1500);
    EXPECT_EQ(1, run.count(UM_LINK_ERROR, LINK_ERROR_RECEIVE)) << "once";
    s.worker->stop();  // the stop that the main window makes in answer
    EXPECT_EQ(size, s.byteCount.load());
    EXPECT_TRUE(run.finishFile() == printerData(5, size)) << "capture file differs from what was sent";
}

TEST(SerialLink, PortThatDoesNotExistFailsQuietly) {
    for (int port : {77, 0}) {  // 0: a number that fit no byte names no port
        LinkRun run;
        CaptureState& s = run.state();
        pointAtSerial(s, port);
        EXPECT_FALSE(startCaptureWorker(s));
        s.worker->stop();
        EXPECT_EQ(LinkFailure::Open, s.worker->openError().kind);
        tellLinkFailure(s, nullptr, s.worker->openError(), false);
        EXPECT_TRUE(run.messages.shown.empty()) << "the caller reports";
    }
}

}  // namespace
}  // namespace orv::test
