// Sending a file to the device over both links, against the simulator,
// which records every byte it takes.  A stand-in main window carries the
// menu, toolbar and status bar whose states a send changes, and answers
// UM_SEND_ENDED as the program's main window does.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>

#include "base/Text.h"
#include "app/win32/RunControl.h"
#include "link/win32/SendLink.h"
#include "tests/link/win32/LinkHarness.h"
#include "tests/link/win32/MainStandIn.h"

namespace orv::test {
namespace {


struct Link {
    const char* name;
    bool lan;
    int comPort;  // serial only
};
void PrintTo(const Link* link, std::ostream* os) { *os << link->name; }
const Link kLan{"LAN", true, 0};
// A two-digit port: the send opens it in the form that reaches COM10 and up.
const Link kCom12{"COM12", false, 12};
const Link kCom5{"COM5", false, 5};

std::string simOptions(const Link& link, const std::string& extra) {
    return (link.lan ? std::string("--lan 127.0.0.1:0") : "--pty " + comLink(link.comPort)) +
           " --hold --no-replies " + extra;
}

// A fresh Unix path for the simulator's record of what it took.
std::string recordUnixPath() {
    static int serial = 0;
    // Wine reuses process ids: the tick count keeps a killed run's file apart.
    return "/tmp/orv-send-record-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(GetTickCount()) + "-" + std::to_string(++serial);
}

// Points the run record at the simulator.
bool target(DevSim& sim, CaptureState& s, const Link& link) {
    if (link.lan) {
        int port = sim.port();
        if (port == 0) return false;
        copyCut(s.host, "127.0.0.1");
        copyCut(s.dataPort, std::to_string(port).c_str());
        s.linkKind = 1;
        return true;
    }
    s.portNumber = static_cast<std::uint8_t>(link.comPort);
    s.linkKind = 0;
    return sim.ptyReady();
}

// Records every chunk the send thread reports; an optional gate runs on
// the send thread before the chunk is recorded and may hold it there.
class ChunkLog : public SendObserver {
public:
    std::function<void(std::uint32_t offset, std::uint32_t size)> gate;
    void chunkSent(std::uint32_t offset, std::uint32_t size) override {
        if (gate) gate(offset, size);
        std::lock_guard<std::mutex> lock(mutex_);
        chunks_.push_back({offset, size});
    }
    std::vector<std::pair<std::uint32_t, std::uint32_t>> chunks() {
        std::lock_guard<std::mutex> lock(mutex_);
        return chunks_;
    }
    std::size_t count() { return chunks().size(); }

private:
    std::mutex mutex_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> chunks_;
};

bool waitOnThread(const std::function<bool()>& done, DWORD ms) {
    for (DWORD start = GetTickCount(); !done();) {
        if (GetTickCount() - start > ms) return false;
        Sleep(5);
    }
    return true;
}

bool sending(CaptureState& s) { return (s.stateFlags.load() & FLAG_SENDING) != 0; }

// Opens the send of data on the test's link, as the send-file command does
// after it has set FLAG_SENDING.
int openSend(const Link& link, CaptureState& s, const MainStandIn& main, const std::vector<std::uint8_t>& data,
             SendObserver* observer = nullptr) {
    s.stateFlags.fetch_or(FLAG_SENDING);
    const auto size = static_cast<std::uint32_t>(data.size());
    return link.lan ? openLanSend(s, main.window(), data.data(), size, observer)
                    : openSerialSend(s, main.window(), data.data(), size, observer);
}

// What must hold once a send has ended however it ended: nothing open,
// no thread, no copy, the event ready for the next send.
void expectLinkClosed(CaptureState& s) {
    EXPECT_FALSE(sending(s));
    EXPECT_EQ(0, s.isOpen.load());
    EXPECT_EQ(nullptr, s.threadHandle.load());
    EXPECT_EQ(nullptr, s.sendData);
    EXPECT_EQ(0u, s.sendSize);
    EXPECT_EQ(static_cast<std::uintptr_t>(INVALID_SOCKET), s.lanSocket.load());
    EXPECT_TRUE(s.commHandle == INVALID_HANDLE_VALUE || s.commHandle == nullptr);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(s.sendDoneEvent, 0));
}

int countOf(const std::vector<std::string>& texts, const std::string& text) {
    return static_cast<int>(std::count(texts.begin(), texts.end(), text));
}

void expectIdleControls(const MainStandIn& main) {
    for (UINT command : {CMD_START, CMD_SEND_FILE, CMD_OPEN_FILE, CMD_SETTINGS}) {
        EXPECT_TRUE(main.menuEnabled(command)) << command;
        EXPECT_TRUE(main.buttonEnabled(command)) << command;
    }
    for (UINT command : {CMD_CANCEL_SEND, CMD_STOP}) {
        EXPECT_FALSE(main.menuEnabled(command)) << command;
        EXPECT_FALSE(main.buttonEnabled(command)) << command;
    }
    EXPECT_FALSE(main.menuEnabled(CMD_QUERY_DEVICE));
}

void expectSendingControls(const MainStandIn& main) {
    EXPECT_TRUE(main.menuEnabled(CMD_CANCEL_SEND));
    EXPECT_TRUE(main.buttonEnabled(CMD_CANCEL_SEND));
    for (UINT command : {CMD_START, CMD_STOP, CMD_SEND_FILE, CMD_OPEN_FILE, CMD_SETTINGS, CMD_SAVE_AS,
                         CMD_VIEW_HEX, CMD_VIEW_FILTERED}) {
        EXPECT_FALSE(main.menuEnabled(command)) << command;
        EXPECT_FALSE(main.buttonEnabled(command)) << command;
    }
    EXPECT_FALSE(main.menuEnabled(CMD_QUERY_DEVICE)) << "no query while the send owns the link";
}

// ---- a whole file, chunk by chunk ----

struct ChunkCase {
    const Link* link;
    std::uint32_t size;
    std::vector<std::uint32_t> chunks;
};

void PrintTo(const ChunkCase& c, std::ostream* os) { *os << c.link->name << " " << c.size; }

class SendFile : public ::testing::TestWithParam<ChunkCase> {};

TEST_P(SendFile, ArrivesChunkByChunkByteExactWithTheControlsOfEachState) {
    const ChunkCase& c = GetParam();
    const std::string record = recordUnixPath();
    DevSim sim(simOptions(*c.link, "--record " + record));
    const std::string recordPath = "Z:" + record;
    auto received = [&] {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        return GetFileAttributesExA(recordPath.c_str(), GetFileExInfoStandard, &data) ? data.nFileSizeLow
                                                                                      : 0ul;
    };

    LinkRun run;
    MainStandIn main(run);
    CaptureState& s = run.state();
    ASSERT_TRUE(target(sim, s, *c.link));
    TempDir dir;
    const std::string file = dir / "send.zrd";
    const std::vector<std::uint8_t> data = printerData(11, c.size);
    writeFile(file, data);
    ScriptedFileDialogs dialogs;
    dialogs.choose(file);
    s.fileDialogs = &dialogs;
    setRunControls(s, false);
    main.statusTexts.clear();

    // Each chunk is held until the simulator has it, so that what it has
    // taken at that moment shows where the chunks begin and end.
    ChunkLog log;
    std::vector<unsigned long> takenAfterChunk;
    log.gate = [&](std::uint32_t offset, std::uint32_t size) {
        waitOnThread([&] { return received() >= offset + size; }, 10000);
        takenAfterChunk.push_back(received());
    };
    sendFileToDevice(s, &log);
    ASSERT_TRUE(sending(s)) << (run.messages.shown.empty() ? "" : run.messages.shown[0].text);
    EXPECT_EQ(1, s.isOpen.load());
    ASSERT_EQ(1u, dialogs.asked.size());
    EXPECT_EQ("open", dialogs.asked[0].kind);
    EXPECT_EQ(s.writer.captureFilePath(), dialogs.asked[0].initialPath);
    // While the data goes out the controls stay in the sending state until
    // the main window hears of the end.
    expectSendingControls(main);
    EXPECT_EQ((std::vector<std::string>{run.text(IDS_STATE_STARTING), run.text(IDS_STATE_RUNNING)}),
              main.statusTexts);

    ASSERT_TRUE(run.pumpUntil([&] { return !sending(s); }, 60000));
    expectLinkClosed(s);
    expectIdleControls(main);
    EXPECT_EQ(run.text(IDS_STATE_IDLE), main.statusText());
    EXPECT_EQ(1, countOf(main.statusTexts, run.text(IDS_STATE_IDLE)));
    EXPECT_EQ(1, main.count(UM_SEND_ENDED, 0));
    EXPECT_EQ(0, main.count(UM_LINK_ERROR, LINK_ERROR_SEND));
    EXPECT_TRUE(run.messages.shown.empty());

    std::vector<std::pair<std::uint32_t, std::uint32_t>> expectedChunks;
    std::vector<unsigned long> expectedTaken;
    std::uint32_t at = 0;
    for (std::uint32_t n : c.chunks) {
        expectedChunks.push_back({at, n});
        at += n;
        expectedTaken.push_back(at);
    }
    EXPECT_EQ(expectedChunks, log.chunks());
    EXPECT_EQ(expectedTaken, takenAfterChunk) << "bytes the simulator had taken after each chunk";
    EXPECT_NE(std::string::npos, sim.report().find("received " + std::to_string(c.size) + " bytes"));
    EXPECT_TRUE(readFile(recordPath) == data) << "the simulator's record differs from the file";
    DeleteFileA(recordPath.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    BothLinks, SendFile,
    ::testing::Values(ChunkCase{&kLan, 2500, {1024, 1024, 452}}, ChunkCase{&kCom12, 2500, {1024, 1024, 452}},
                      ChunkCase{&kLan, 1024, {1024}}, ChunkCase{&kCom5, 1024, {1024}}),
    [](const ::testing::TestParamInfo<ChunkCase>& info) {
        return std::string(info.param.link->name) + "_" + std::to_string(info.param.size);
    });

// ---- cancelling ----

class CancelSend : public ::testing::TestWithParam<const Link*> {};

TEST_P(CancelSend, StopsAfterTheCurrentChunkAndClosesOnce) {
    const Link& link = *GetParam();
    const std::string record = recordUnixPath();
    const std::string recordPath = "Z:" + record;
    // A slow reader with a small buffer: the 4 MiB would take a minute.
    DevSim sim(simOptions(link, "--read-rate 65536 --receive-buffer 4096 --record " + record));
    LinkRun run;
    MainStandIn main(run);
    CaptureState& s = run.state();
    ASSERT_TRUE(target(sim, s, link));
    const std::vector<std::uint8_t> data = printerData(5, 4u << 20);

    // The ninth chunk waits until the cancel has been asked for: it is the
    // chunk in progress when the cancel comes.
    constexpr std::size_t kHeld = 9;
    ChunkLog log;
    std::atomic<bool> reached{false};
    log.gate = [&](std::uint32_t offset, std::uint32_t) {
        if (offset / kSendChunk + 1 != kHeld) return;
        reached = true;
        waitOnThread([&] { return s.isOpen.load() == 0; }, 20000);
    };
    ASSERT_EQ(1, openSend(link, s, main, data, &log));
    setSendControls(s);
    ASSERT_TRUE(run.pumpUntil([&] { return reached.load(); }, 30000));

    main.statusTexts.clear();
    cancelSend(s);
    ASSERT_EQ(1u, run.messages.shown.size());
    EXPECT_EQ(run.text(IDS_CANCEL_SEND), run.messages.shown[0].text);
    EXPECT_EQ(run.text(IDS_QUESTION_CAPTION).substr(0, 31), run.messages.shown[0].caption);
    EXPECT_EQ(static_cast<unsigned>(MB_OKCANCEL | MB_ICONQUESTION), run.messages.shown[0].type);
    // The cancel has waited for the thread and closed the link.
    expectLinkClosed(s);
    expectIdleControls(main);
    EXPECT_EQ(kHeld, log.count()) << "no chunk after the one in progress";

    // The thread's own end message comes after the close and changes nothing.
    ASSERT_TRUE(run.pumpUntil([&] { return main.count(UM_SEND_ENDED, 0) == 1; }, 5000));
    run.pumpFor(200);
    EXPECT_EQ((std::vector<std::string>{run.text(IDS_STATE_IDLE)}), main.statusTexts) << "closed once";
    EXPECT_EQ(0, main.count(UM_LINK_ERROR, LINK_ERROR_SEND));
    expectLinkClosed(s);

    // What the simulator took is the start of the file, and no more than
    // the chunks that went out.
    sim.report(10000);
    std::vector<std::uint8_t> taken = readFile(recordPath);
    EXPECT_LE(taken.size(), kHeld * kSendChunk);
    EXPECT_TRUE(std::equal(taken.begin(), taken.end(), data.begin()));
    DeleteFileA(recordPath.c_str());
}

INSTANTIATE_TEST_SUITE_P(BothLinks, CancelSend, ::testing::Values(&kLan, &kCom5),
                         [](const ::testing::TestParamInfo<const Link*>& info) { return info.param->name; });

// A cancel that comes when the data is already out but the end message
// has not been handled yet: no question, one close, the late message is
// ignored.
TEST(CancelSendRace, AfterTheDataIsOutClosesOnceWithoutAsking) {
    DevSim sim(simOptions(kLan, ""));
    LinkRun run;
    MainStandIn main(run);
    CaptureState& s = run.state();
    ASSERT_TRUE(target(sim, s, kLan));
    const std::vector<std::uint8_t> data = printerData(2, 2500);
    s.stateFlags.fetch_or(FLAG_SENDING);
    ASSERT_EQ(1, openLanSend(s, main.window(), data.data(), 2500));
    // No pumping: the end message waits in the queue.
    ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(s.sendDoneEvent, 20000));
    main.statusTexts.clear();
    cancelSend(s);
    EXPECT_TRUE(run.messages.shown.empty()) << "nothing left to cancel";
    expectLinkClosed(s);
    ASSERT_TRUE(run.pumpUntil([&] { return main.count(UM_SEND_ENDED, 0) == 1; }, 5000));
    run.pumpFor(100);
    EXPECT_EQ((std::vector<std::string>{run.text(IDS_STATE_IDLE)}), main.statusTexts);
    EXPECT_NE(std::string::npos, sim.report().find("received 2500 bytes"));
}

// The send ends by itself while the cancel's question is open, and the
// question's modal loop hands the end message to the main window.
class PumpingQuestion : public MessageSeam {
public:
    PumpingQuestion(LinkRun& run, CaptureState& s) : run_(run), s_(s) {}
    std::atomic<bool> asked{false};
    int show(void*, const char*, const char*, unsigned) override {
        asked = true;
        run_.pumpUntil([&] { return !sending(s_); }, 20000);
        return IDOK;
    }

private:
    LinkRun& run_;
    CaptureState& s_;
};

TEST(CancelSendRace, SendEndingDuringTheQuestionIsClosedOnce) {
    DevSim sim(simOptions(kLan, ""));
    LinkRun run;
    MainStandIn main(run);
    CaptureState& s = run.state();
    PumpingQuestion question(run, s);
    s.messages = &question;
    ASSERT_TRUE(target(sim, s, kLan));
    const std::vector<std::uint8_t> data = printerData(3, 2500);
    ChunkLog log;
    log.gate = [&](std::uint32_t offset, std::uint32_t size) {
        if (offset + size == 2500) waitOnThread([&] { return question.asked.load(); }, 20000);
    };
    s.stateFlags.fetch_or(FLAG_SENDING);
    ASSERT_EQ(1, openLanSend(s, main.window(), data.data(), 2500, &log));
    run.pumpUntil([&] { return log.count() == 2; }, 10000);
    main.statusTexts.clear();
    cancelSend(s);
    EXPECT_TRUE(question.asked.load());
    expectLinkClosed(s);
    run.pumpFor(200);
    EXPECT_EQ((std::vector<std::string>{run.text(IDS_STATE_IDLE)}), main.statusTexts) << "closed once";
    EXPECT_EQ(1, main.count(UM_SEND_ENDED, 0));
    EXPECT_EQ(3u, log.count());
    EXPECT_NE(std::string::npos, sim.report().find("received 2500 bytes")) << "the whole file went out";
}

// ---- a device that stops taking data ----

class StalledPeer : public ::testing::TestWithParam<const Link*> {};

TEST_P(StalledPeer, EndsTheSendWithASendError) {
    const Link& link = *GetParam();
    DevSim sim(simOptions(link, "--stall-after 0 --stall-ms 120000 --receive-buffer 4096"));
    LinkRun run;
    MainStandIn main(run);
    CaptureState& s = run.state();
    ASSERT_TRUE(target(sim, s, link));
    const std::vector<std::uint8_t> data(32u << 20, 0x55);

    ChunkLog log;
    std::atomic<DWORD> lastChunkAt{GetTickCount()};
    log.gate = [&](std::uint32_t, std::uint32_t) { lastChunkAt = GetTickCount(); };
    DWORD start = GetTickCount();
    ASSERT_EQ(1, openSend(link, s, main, data, &log));
    ASSERT_TRUE(run.pumpUntil([&] { return main.count(UM_LINK_ERROR, LINK_ERROR_SEND) > 0; }, 60000));
    DWORD failedAt = GetTickCount();
    ASSERT_TRUE(run.pumpUntil([&] { return !sending(s); }, 10000));
    run.pumpFor(100);
    expectLinkClosed(s);
    expectIdleControls(main);
    EXPECT_EQ(1, main.count(UM_LINK_ERROR, LINK_ERROR_SEND));
    for (const Posted& p : main.posted)
        if (p.message == UM_LINK_ERROR) EXPECT_EQ(0, p.lParam);
    EXPECT_TRUE(run.messages.shown.empty()) << "the main window tells the failure, not the send thread";
    EXPECT_LT(log.count() * kSendChunk, data.size());
    // The failed chunk made no progress for half a minute before it was
    // given up: a device may hold its line that long while it prints.
    const DWORD idle = failedAt - lastChunkAt.load();
    EXPECT_GE(idle, 29000u);
    std::printf("%s: %zu chunks taken, then a send error %lu ms after the last (%lu ms in all)\n", link.name,
                log.count(), idle, failedAt - start);
}

INSTANTIATE_TEST_SUITE_P(BothLinks, StalledPeer, ::testing::Values(&kLan, &kCom5),
                         [](const ::testing::TestParamInfo<const Link*>& info) { return info.param->name; });

// A device busy printing stops reading for seconds in the middle of a
// send: the send waits for it, and the whole file arrives.
class ThrottlingDevice : public ::testing::TestWithParam<const Link*> {};

TEST_P(ThrottlingDevice, GetsTheWholeFileAfterItsPause) {
    const Link& link = *GetParam();
    const std::string record = recordUnixPath();
    const std::string recordPath = "Z:" + record;
    DevSim sim(simOptions(link, "--stall-after 200000 --stall-ms 5000 --receive-buffer 4096 --record " + record));
    LinkRun run;
    MainStandIn main(run);
    CaptureState& s = run.state();
    ASSERT_TRUE(target(sim, s, link));
    const std::vector<std::uint8_t> data = printerData(21, 1u << 20);
    ASSERT_EQ(1, openSend(link, s, main, data));
    ASSERT_TRUE(run.pumpUntil([&] { return !sending(s); }, 60000));
    run.pumpFor(100);
    EXPECT_EQ(0, main.count(UM_LINK_ERROR, LINK_ERROR_SEND));
    expectLinkClosed(s);
    EXPECT_NE(std::string::npos, sim.report(10000).find("received " + std::to_string(data.size()) + " bytes"));
    EXPECT_TRUE(readFile(recordPath) == data) << "the simulator's record differs from the file";
    DeleteFileA(recordPath.c_str());
}

// A cancel while the device holds a chunk up ends the send at once, not
// when the chunk would have been given up.
TEST_P(ThrottlingDevice, CancelEndsAHeldUpChunkAtOnce) {
    const Link& link = *GetParam();
    DevSim sim(simOptions(link, "--stall-after 0 --stall-ms 120000 --receive-buffer 4096"));
    LinkRun run;
    MainStandIn main(run);
    CaptureState& s = run.state();
    ASSERT_TRUE(target(sim, s, link));
    const std::vector<std::uint8_t> data(32u << 20, 0x55);
    ChunkLog log;
    std::atomic<DWORD> lastChunkAt{GetTickCount()};
    log.gate = [&](std::uint32_t, std::uint32_t) { lastChunkAt = GetTickCount(); };
    ASSERT_EQ(1, openSend(link, s, main, data, &log));
    setSendControls(s);
    ASSERT_TRUE(run.pumpUntil([&] { return GetTickCount() - lastChunkAt.load() > 2000; }, 30000)) << "held up";
    const DWORD start = GetTickCount();
    cancelSend(s);
    const DWORD took = GetTickCount() - start;
    expectLinkClosed(s);
    EXPECT_LT(took, 1000u) << "the cancel waited for the held-up chunk";
    std::printf("%s: cancel of a held-up chunk took %lu ms\n", link.name, static_cast<unsigned long>(took));
    run.pumpFor(100);
    EXPECT_EQ(0, main.count(UM_LINK_ERROR, LINK_ERROR_SEND)) << "a cancel is no failure";
}

INSTANTIATE_TEST_SUITE_P(BothLinks, ThrottlingDevice, ::testing::Values(&kLan, &kCom5),
                         [](const ::testing::TestParamInfo<const Link*>& info) { return info.param->name; });

// ---- the send-file command's failures ----

TEST(SendFileCommand, FailuresTellTheUserAndLeaveTheIdleState) {
    struct Case {
        const char* name;
        bool chooseFile, fileExists;
        Link link;
        std::size_t messages;  // the reader's or the link's own, then the send failure
    };
    const Case cases[] = {
        {"chooser cancelled", false, true, kCom5, 0},
        {"file unreadable", true, false, kCom5, 2},
        {"no such serial port", true, true, kCom5, 1},
        {"LAN connect refused", true, true, kLan, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LinkRun run;
        MainStandIn main(run);
        CaptureState& s = run.state();
        TempDir dir;
        const std::string file = dir / "send.zrd";
        if (c.fileExists) writeFile(file, printerData(1, 100));
        ScriptedFileDialogs dialogs;
        if (c.chooseFile) dialogs.choose(file);
        s.fileDialogs = &dialogs;
        if (c.link.lan) {
            copyCut(s.host, "127.0.0.1");
            copyCut(s.dataPort, "1");  // nothing listens there
            s.linkKind = 1;
        } else {
            s.portNumber = 77;  // no such port
            s.linkKind = 0;
        }
        main.statusTexts.clear();
        sendFileToDevice(s);
        EXPECT_FALSE(sending(s));
        expectLinkClosed(s);
        expectIdleControls(main);
        EXPECT_EQ(run.text(IDS_STATE_IDLE), main.statusText());
        ASSERT_EQ(c.messages, run.messages.shown.size());
        if (c.messages > 0) {
            const auto& last = run.messages.shown.back();
            EXPECT_EQ(run.text(IDS_SEND_FAILED), last.text);
            EXPECT_EQ(run.text(IDS_FAILURE_CAPTION).substr(0, 31), last.caption);
            EXPECT_EQ(static_cast<unsigned>(MB_ICONWARNING), last.type);
        }
    }
}

TEST(SendCommandBytes, WithNoLinkOpenGoNowhereAndShowNothing) {
    LinkRun run;
    CaptureState& s = run.state();
    for (std::int32_t kind : {0, 1}) {
        s.linkKind = kind;
        EXPECT_EQ(0, sendCommandBytes(s, "I", 1)) << kind;
    }
    EXPECT_TRUE(run.messages.shown.empty());
}

}  // namespace
}  // namespace orv::test
