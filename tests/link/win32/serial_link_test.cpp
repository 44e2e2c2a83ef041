// The serial link through a pseudo-terminal that the device simulator
// makes and the test maps into the Wine prefix as a COM port.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "link/win32/ReceivePath.h"
#include "link/win32/SerialLink.h"
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
    EXPECT_EQ(1, s.isOpen.load());
    EXPECT_TRUE(pumpUntil([&] { return s.byteCount.load() >= size; }, 120000)) << s.byteCount.load() << " of " << size;
    DWORD elapsed = GetTickCount() - start;
    closeSerialCapture(s, nullptr);
    EXPECT_EQ(INVALID_HANDLE_VALUE, s.commHandle);
    EXPECT_EQ(nullptr, s.threadHandle.load());
    EXPECT_EQ(size, s.byteCount.load());
    std::vector<std::uint8_t> file = run.finishFile();
    ASSERT_EQ(size, file.size());
    EXPECT_TRUE(file == printerData(seed, size)) << "capture file differs from what was sent";
    std::printf("COM%d capture: %zu bytes in %lu ms\n", port, size, elapsed);
}

TEST(SerialLink, CapturesByteExactOnCom5) { captureByteExact(5, 8u << 20, 3); }

TEST(SerialLink, TwoDigitPortsOpenLikeOthers) { captureByteExact(12, 8u << 20, 4); }

TEST(SerialLink, NinetyQueuedBytesGiveOneChunkOf80AndOneOf10) {
    // The data file lies where both sides see it: /tmp is Z:\tmp.
    std::string unixFile = "/tmp/orv-ninety-" + std::to_string(GetCurrentProcessId());
    std::string windowsFile = "Z:" + unixFile;
    std::vector<std::uint8_t> data(90);
    for (int i = 0; i < 90; ++i) data[i] = static_cast<std::uint8_t>('A' + i % 26);
    writeFile(windowsFile, data);
    DevSim sim("--pty " + comLink(5) + " --file " + unixFile + " --delay-start 300 --close-when-done");
    ASSERT_TRUE(sim.ptyReady());

    LinkRun run;
    CaptureState& s = run.state();
    s.portNumber = 5;
    ASSERT_EQ(1, openSerialPort(s, nullptr));  // the port without its receive thread
    ReceivePath path(s);
    std::uint8_t buffer[100];
    EXPECT_EQ(0u, serialRead(s, path.handoff(), buffer, 80)) << "nothing queued yet";
    ASSERT_TRUE(pumpUntil(
        [&] {
            DWORD errors = 0;
            COMSTAT status{};
            ClearCommError(s.commHandle, &errors, &status);
            return status.cbInQue >= 90;
        },
        10000));
    ASSERT_EQ(80u, serialRead(s, path.handoff(), buffer, 80));
    EXPECT_TRUE(std::equal(buffer, buffer + 80, data.begin()));
    path.handoff().deliver(buffer, 80);
    ASSERT_EQ(10u, serialRead(s, path.handoff(), buffer, 80));
    EXPECT_TRUE(std::equal(buffer, buffer + 10, data.begin() + 80));
    path.handoff().deliver(buffer, 10);
    EXPECT_EQ(0u, serialRead(s, path.handoff(), buffer, 80));
    closeSerialCapture(s, nullptr);
    // Both chunks went through the whole hand-off.
    EXPECT_EQ(90u, s.byteCount.load());
    char row[91] = {};
    readRow(s.view, 0, 0, 89, row);
    EXPECT_EQ(std::string(data.begin(), data.begin() + 90), std::string(row));
    EXPECT_EQ(data, run.finishFile());
    DeleteFileA(windowsFile.c_str());
}

TEST(SerialLink, QuietLineCostsLittleAndStopsAtOnce) {
    DevSim sim("--pty " + comLink(5) + " --hold");
    LinkRun run;
    CaptureState& s = run.state();
    ASSERT_TRUE(openSerialOn(sim, s, 5));
    pumpFor(200);
    double before = threadCpuMs(s.threadHandle.load());
    DWORD start = GetTickCount();
    pumpFor(1000);
    double cpu = threadCpuMs(s.threadHandle.load()) - before;
    double share = cpu / (GetTickCount() - start);
    std::printf("quiet serial line: receive thread used %.1f ms of CPU in %lu ms\n", cpu, GetTickCount() - start);
    EXPECT_LT(share, 0.15) << "the receive loop must not spin while the line is quiet";

    start = GetTickCount();
    closeSerialCapture(s, nullptr);
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_EQ(0, s.isOpen.load());
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
    closeSerialCapture(s, nullptr);  // the stop that the main window sends in answer
    EXPECT_EQ(nullptr, s.threadHandle.load());
    EXPECT_EQ(size, s.byteCount.load());
    EXPECT_TRUE(run.finishFile() == printerData(5, size)) << "capture file differs from what was sent";
}

TEST(SerialLink, PortThatDoesNotExistFailsQuietly) {
    LinkRun run;
    CaptureState& s = run.state();
    s.portNumber = 77;
    EXPECT_EQ(0, openSerialCapture(s, nullptr));
    EXPECT_EQ(INVALID_HANDLE_VALUE, s.commHandle);
    EXPECT_EQ(0, s.isOpen.load());
    EXPECT_TRUE(run.messages.shown.empty()) << "the caller reports";
    s.portNumber = 0;  // a number that fit no byte names no port
    EXPECT_EQ(0, openSerialCapture(s, nullptr));
}

// As Wine's own comm tests do: whatever the block held (the last program's
// settings), every member the program sets comes out the same.
TEST(SerialLink, ControlBlockIsSetWhateverThePortHeldBefore) {
    auto s = std::make_unique<CaptureState>();
    setCaptureStateDefaults(*s);
    for (int fill : {0x00, 0xFF}) {
        SCOPED_TRACE(fill);
        DCB dcb;
        std::memset(&dcb, fill, sizeof dcb);
        fillDeviceControlBlock(dcb, *s);
        EXPECT_EQ(921600u, dcb.BaudRate);
        EXPECT_EQ(8, dcb.ByteSize);
        EXPECT_EQ(NOPARITY, dcb.Parity);
        EXPECT_EQ(ONESTOPBIT, dcb.StopBits);
        EXPECT_EQ(1u, dcb.fBinary);
        EXPECT_EQ(0u, dcb.fParity);
        EXPECT_EQ(1u, dcb.fOutxCtsFlow);
        EXPECT_EQ(0u, dcb.fOutxDsrFlow);
        EXPECT_EQ(unsigned(DTR_CONTROL_ENABLE), dcb.fDtrControl);
        EXPECT_EQ(unsigned(RTS_CONTROL_HANDSHAKE), dcb.fRtsControl);
        EXPECT_EQ(0u, dcb.fDsrSensitivity) << "a three-wire cable would bring nothing";
        EXPECT_EQ(0u, dcb.fTXContinueOnXoff);
        EXPECT_EQ(0u, dcb.fOutX);
        EXPECT_EQ(0u, dcb.fInX);
        EXPECT_EQ(0u, dcb.fErrorChar);
        EXPECT_EQ(0u, dcb.fNull) << "0x00 bytes of print data would be dropped";
        EXPECT_EQ(0u, dcb.fAbortOnError) << "one line error would stop every read";
        EXPECT_EQ(0u, dcb.fDummy2);
        EXPECT_EQ(0, dcb.wReserved);
        EXPECT_EQ(100, dcb.XonLim);
        EXPECT_EQ(100, dcb.XoffLim);
        EXPECT_EQ(0x11, dcb.XonChar);
        EXPECT_EQ(0x13, dcb.XoffChar);
        EXPECT_EQ(0, dcb.ErrorChar);
        EXPECT_EQ(0, dcb.EofChar);
        EXPECT_EQ(0, dcb.EvtChar);
    }
}

TEST(SerialLink, PortGetsTheFixedLineSettings) {
    DevSim sim("--pty " + comLink(5) + " --hold");
    ASSERT_TRUE(sim.ptyReady());
    LinkRun run;
    CaptureState& s = run.state();
    s.portNumber = 5;
    ASSERT_EQ(1, openSerialPort(s, nullptr));
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(GetCommState(s.commHandle, &dcb));
    EXPECT_EQ(921600u, dcb.BaudRate);
    EXPECT_EQ(8, dcb.ByteSize);
    EXPECT_EQ(NOPARITY, dcb.Parity);
    EXPECT_EQ(ONESTOPBIT, dcb.StopBits);
    // A pseudo-terminal under Wine reads back RTS control 1 whatever was
    // set; the block written is checked with the line rules.
    EXPECT_NE(0u, dcb.fRtsControl);
    COMMTIMEOUTS timeouts{};
    ASSERT_TRUE(GetCommTimeouts(s.commHandle, &timeouts));
    EXPECT_EQ(MAXDWORD, timeouts.ReadIntervalTimeout);
    EXPECT_EQ(1000u, timeouts.ReadTotalTimeoutConstant);
    EXPECT_EQ(2u, timeouts.WriteTotalTimeoutMultiplier);
    closeSerialCapture(s, nullptr);
}

}  // namespace
}  // namespace orv::test
