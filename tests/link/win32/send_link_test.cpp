// Sending a file to the device over both links, against the simulator,
// which records every byte it takes.  The real main window, hidden, carries
// the menu, toolbar and status bar whose states a send changes, and
// answers UM_SEND_ENDED.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>

#include "app/win32/LinkWorker.h"
#include "app/win32/QueryDialog.h"
#include "app/win32/RunControl.h"
#include "app/win32/RunDisplay.h"
#include "app/win32/SendCommands.h"
#include "base/Text.h"
#include "tests/link/win32/LinkHarness.h"
#include "tests/link/win32/LinkWindowFixture.h"

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
    return (link.lan ? std::string("--lan 127.0.0.1:0") : "--pty " + comLink(link.comPort)) + " --hold --no-replies " +
           extra;
}

// A fresh Unix path for the simulator's record of what it took.
std::string recordUnixPath() {
    static int serial = 0;
    // Wine reuses process ids: the tick count keeps a killed run's file apart.
    return "/tmp/orv-send-record-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()) +
           "-" + std::to_string(++serial);
}

// Points the run record at the simulator.
bool target(DevSim& sim, CaptureState& s, const Link& link) {
    if (link.lan) {
        int port = sim.port();
        if (port == 0) return false;
        pointAtLan(s, "127.0.0.1", std::to_string(port));
        return true;
    }
    pointAtSerial(s, link.comPort);
    return sim.ptyReady();
}

// Records every chunk the send thread reports; an optional gate runs on
// the send thread before the chunk is recorded and may hold it there.
class ChunkLog : public SendProgress {
public:
    std::function<void(std::uint32_t offset, std::uint32_t size)> gate;
    void chunkSent(std::uint64_t offset, std::size_t size) override {
        if (gate) gate(static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(size));
        std::lock_guard<std::mutex> lock(mutex_);
        chunks_.push_back({static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(size)});
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

bool sending(CaptureState& s) { return (s.stateFlags.load() & FLAG_SENDING) != 0; }

// What must hold once a send has ended however it ended: no worker (its
// thread ended, its link closed), the idle state.
void expectLinkClosed(CaptureState& s) {
    EXPECT_FALSE(sending(s));
    EXPECT_EQ(RunState::Idle, s.runState);
    EXPECT_EQ(nullptr, s.worker);
}

int countOf(const std::vector<std::string>& texts, const std::string& text) {
    return static_cast<int>(std::count(texts.begin(), texts.end(), text));
}

class SendFixture : public LinkWindowFixture {
protected:
    // Starts the send of data on the test's link as the send-file command
    // does, without its file dialog.
    int openSend(const std::vector<std::uint8_t>& data, SendProgress* progress = nullptr) {
        LinkPlan plan;
        if (!planLink(*s, nullptr, plan)) return 0;
        setSendControls(*s);
        s->worker.reset(new LinkWorker(*s, plan));
        setRunState(*s, RunState::Sending);
        s->stateFlags.fetch_or(FLAG_SENDING);
        worker = s->worker.get();
        return s->worker->startSend(data, progress) ? 1 : 0;
    }
    LinkWorker* worker = nullptr;

    void expectIdleControls() {
        for (UINT command : {CMD_START, CMD_SEND_FILE, CMD_OPEN_FILE, CMD_SETTINGS}) {
            EXPECT_TRUE(menuEnabled(command)) << command;
            EXPECT_TRUE(buttonEnabled(command)) << command;
        }
        for (UINT command : {CMD_CANCEL_SEND, CMD_STOP}) {
            EXPECT_FALSE(menuEnabled(command)) << command;
            EXPECT_FALSE(buttonEnabled(command)) << command;
        }
        EXPECT_FALSE(menuEnabled(CMD_QUERY_DEVICE));
    }

    void expectSendingControls() {
        EXPECT_TRUE(menuEnabled(CMD_CANCEL_SEND));
        EXPECT_TRUE(buttonEnabled(CMD_CANCEL_SEND));
        for (UINT command : {CMD_START, CMD_STOP, CMD_SEND_FILE, CMD_OPEN_FILE, CMD_SETTINGS, CMD_SAVE_AS, CMD_VIEW_HEX,
                             CMD_VIEW_FILTERED}) {
            EXPECT_FALSE(menuEnabled(command)) << command;
            EXPECT_FALSE(buttonEnabled(command)) << command;
        }
        EXPECT_FALSE(menuEnabled(CMD_QUERY_DEVICE)) << "no query while the send owns the link";
    }
};

// ---- a whole file, chunk by chunk ----

struct ChunkCase {
    const Link* link;
    std::uint32_t size;
    std::vector<std::uint32_t> chunks;
};

void PrintTo(const ChunkCase& c, std::ostream* os) { *os << c.link->name << " " << c.size; }

class SendFile : public SendFixture, public ::testing::WithParamInterface<ChunkCase> {};

TEST_P(SendFile, ArrivesChunkByChunkByteExactWithTheControlsOfEachState) {
    const ChunkCase& c = GetParam();
    const std::string record = recordUnixPath();
    DevSim sim(simOptions(*c.link, "--record " + record));
    const std::string recordPath = "Z:" + record;
    auto recorded = [&] {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        return GetFileAttributesExA(recordPath.c_str(), GetFileExInfoStandard, &data) ? data.nFileSizeLow : 0ul;
    };

    CaptureState& state = *s;
    ASSERT_TRUE(target(sim, state, *c.link));
    const std::string file = dir / "send.zrd";
    const std::vector<std::uint8_t> data = printerData(11, c.size);
    writeFile(file, data);
    dialogs.choose(file);
    setRunControls(state, false);
    blankStatus();

    // Each chunk is held until the simulator has it, so that what it has
    // taken at that moment shows where the chunks begin and end.
    ChunkLog log;
    std::vector<unsigned long> takenAfterChunk;
    log.gate = [&](std::uint32_t offset, std::uint32_t size) {
        waitUntil([&] { return recorded() >= offset + size; }, 10000);
        takenAfterChunk.push_back(recorded());
    };
    sendFileToDevice(state, &log);
    ASSERT_TRUE(sending(state)) << (messages.shown.empty() ? "" : messages.shown[0].text);
    EXPECT_EQ(RunState::Sending, state.runState);
    ASSERT_EQ(1u, dialogs.asked.size());
    EXPECT_EQ("open", dialogs.asked[0].kind);
    EXPECT_EQ(state.writer.captureFilePath(), dialogs.asked[0].initialPath);
    // While the data goes out the controls stay in the sending state until
    // the main window hears of the end.
    expectSendingControls();

    ASSERT_TRUE(pumpUntil([&] { return !sending(state); }, 60000));
    EXPECT_EQ((std::vector<std::string>{text(IDS_STATE_STARTING), text(IDS_STATE_RUNNING), text(IDS_STATE_IDLE)}),
              statusTexts());
    expectLinkClosed(state);
    expectIdleControls();
    EXPECT_EQ(text(IDS_STATE_IDLE), statusText(0));
    EXPECT_EQ(1, countOf(statusTexts(), text(IDS_STATE_IDLE)));
    EXPECT_EQ(1, count(UM_SEND_ENDED, 0));
    EXPECT_EQ(0, count(UM_LINK_ERROR, LINK_ERROR_SEND));
    EXPECT_TRUE(messages.shown.empty());

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

INSTANTIATE_TEST_SUITE_P(BothLinks, SendFile,
                         ::testing::Values(ChunkCase{&kLan, 2500, {1024, 1024, 452}},
                                           ChunkCase{&kCom12, 2500, {1024, 1024, 452}}, ChunkCase{&kLan, 1024, {1024}},
                                           ChunkCase{&kCom5, 1024, {1024}}),
                         [](const ::testing::TestParamInfo<ChunkCase>& info) {
                             return std::string(info.param.link->name) + "_" + std::to_string(info.param.size);
                         });

// ---- cancelling ----

class CancelSend : public SendFixture, public ::testing::WithParamInterface<const Link*> {};

TEST_P(CancelSend, StopsAfterTheCurrentChunkAndClosesOnce) {
    const Link& link = *GetParam();
    const std::string record = recordUnixPath();
    const std::string recordPath = "Z:" + record;
    // A slow reader with a small buffer: the 4 MiB would take a minute.
    DevSim sim(simOptions(link, "--read-rate 65536 --receive-buffer 4096 --record " + record));
    CaptureState& state = *s;
    ASSERT_TRUE(target(sim, state, link));
    const std::vector<std::uint8_t> data = printerData(5, 4u << 20);

    // The ninth chunk waits until the cancel has been asked for: it is the
    // chunk in progress when the cancel comes.
    constexpr std::size_t kHeld = 9;
    ChunkLog log;
    std::atomic<bool> reached{false};
    log.gate = [&](std::uint32_t offset, std::uint32_t) {
        if (offset / kSendChunk + 1 != kHeld) return;
        reached = true;
        waitUntil([&] { return worker->stopRequested(); }, 20000);
    };
    ASSERT_EQ(1, openSend(data, &log));
    ASSERT_TRUE(pumpUntil([&] { return reached.load(); }, 30000));

    blankStatus();
    cancelSend(state);
    ASSERT_EQ(1u, messages.shown.size());
    EXPECT_EQ(text(IDS_CANCEL_SEND), messages.shown[0].text);
    EXPECT_EQ(text(IDS_QUESTION_CAPTION).substr(0, 31), messages.shown[0].caption);
    EXPECT_EQ(static_cast<unsigned>(MB_OKCANCEL | MB_ICONQUESTION), messages.shown[0].type);
    // The cancel has waited for the thread and closed the link.
    expectLinkClosed(state);
    expectIdleControls();
    EXPECT_EQ(kHeld, log.count()) << "no chunk after the one in progress";

    // The thread's own end message comes after the close and changes nothing.
    ASSERT_TRUE(pumpUntil([&] { return count(UM_SEND_ENDED, 0) == 1; }, 5000));
    pumpFor(200);
    EXPECT_EQ((std::vector<std::string>{text(IDS_STATE_IDLE)}), statusTexts()) << "closed once";
    EXPECT_EQ(0, count(UM_LINK_ERROR, LINK_ERROR_SEND));
    expectLinkClosed(state);

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
class CancelSendRace : public SendFixture {};

TEST_F(CancelSendRace, AfterTheDataIsOutClosesOnceWithoutAsking) {
    DevSim sim(simOptions(kLan, ""));
    CaptureState& state = *s;
    ASSERT_TRUE(target(sim, state, kLan));
    const std::vector<std::uint8_t> data = printerData(2, 2500);
    ASSERT_EQ(1, openSend(data));
    // No pumping: the end message waits in the queue.
    ASSERT_TRUE(waitUntil([&] { return worker->finished(); }, 20000));
    blankStatus();
    cancelSend(state);
    EXPECT_TRUE(messages.shown.empty()) << "nothing left to cancel";
    expectLinkClosed(state);
    ASSERT_TRUE(pumpUntil([&] { return count(UM_SEND_ENDED, 0) == 1; }, 5000));
    pumpFor(100);
    EXPECT_EQ((std::vector<std::string>{text(IDS_STATE_IDLE)}), statusTexts());
    EXPECT_NE(std::string::npos, sim.report().find("received 2500 bytes"));
}

// The send ends by itself while the cancel's question is open, and the
// question's modal loop hands the end message to the main window.
class PumpingQuestion : public MessageSeam {
public:
    explicit PumpingQuestion(CaptureState& state) : s_(state) {}
    std::atomic<bool> asked{false};
    int show(void*, const char*, const char*, unsigned) override {
        asked = true;
        pumpUntil([&] { return !sending(s_); }, 20000);
        return IDOK;
    }

private:
    CaptureState& s_;
};

TEST_F(CancelSendRace, SendEndingDuringTheQuestionIsClosedOnce) {
    DevSim sim(simOptions(kLan, ""));
    CaptureState& state = *s;
    PumpingQuestion question(state);
    state.messages = &question;
    ASSERT_TRUE(target(sim, state, kLan));
    const std::vector<std::uint8_t> data = printerData(3, 2500);
    ChunkLog log;
    log.gate = [&](std::uint32_t offset, std::uint32_t size) {
        if (offset + size == 2500) waitUntil([&] { return question.asked.load(); }, 20000);
    };
    ASSERT_EQ(1, openSend(data, &log));
    // The open link is shown first, so that the state texts after the blank
    // are the end's alone.
    pumpUntil([&] { return log.count() == 2 && statusText(0) == text(IDS_STATE_RUNNING); }, 10000);
    blankStatus();
    cancelSend(state);
    EXPECT_TRUE(question.asked.load());
    expectLinkClosed(state);
    pumpFor(200);
    EXPECT_EQ((std::vector<std::string>{text(IDS_STATE_IDLE)}), statusTexts()) << "closed once";
    EXPECT_EQ(1, count(UM_SEND_ENDED, 0));
    EXPECT_EQ(3u, log.count());
    EXPECT_NE(std::string::npos, sim.report().find("received 2500 bytes")) << "the whole file went out";
}

// ---- a device that stops taking data ----

class StalledPeer : public SendFixture, public ::testing::WithParamInterface<const Link*> {};

TEST_P(StalledPeer, EndsTheSendWithASendError) {
    const Link& link = *GetParam();
    DevSim sim(simOptions(link, "--stall-after 0 --stall-ms 120000 --receive-buffer 4096"));
    CaptureState& state = *s;
    ASSERT_TRUE(target(sim, state, link));
    const std::vector<std::uint8_t> data(32u << 20, 0x55);

    ChunkLog log;
    std::atomic<DWORD> lastChunkAt{GetTickCount()};
    log.gate = [&](std::uint32_t, std::uint32_t) { lastChunkAt = GetTickCount(); };
    DWORD start = GetTickCount();
    ASSERT_EQ(1, openSend(data, &log));
    const LPARAM id = worker->id();
    ASSERT_TRUE(pumpUntil([&] { return count(UM_LINK_ERROR, LINK_ERROR_SEND) > 0; }, 60000));
    DWORD failedAt = GetTickCount();
    ASSERT_TRUE(pumpUntil([&] { return !sending(state); }, 10000));
    pumpFor(100);
    expectLinkClosed(state);
    expectIdleControls();
    EXPECT_EQ(1, count(UM_LINK_ERROR, LINK_ERROR_SEND));
    for (const Posted& p : received())
        if (p.message == UM_LINK_ERROR) EXPECT_EQ(id, p.lParam);
    // Told once, by the main window on the link's message: the send thread
    // tells nothing itself.
    ASSERT_EQ(1u, messages.shown.size()) << "the main window tells the failure, not the send thread";
    EXPECT_EQ(text(IDS_SEND_FAILED), messages.shown[0].text);
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
class ThrottlingDevice : public SendFixture, public ::testing::WithParamInterface<const Link*> {};

TEST_P(ThrottlingDevice, GetsTheWholeFileAfterItsPause) {
    const Link& link = *GetParam();
    const std::string record = recordUnixPath();
    const std::string recordPath = "Z:" + record;
    DevSim sim(simOptions(link, "--stall-after 200000 --stall-ms 5000 --receive-buffer 4096 --record " + record));
    CaptureState& state = *s;
    ASSERT_TRUE(target(sim, state, link));
    const std::vector<std::uint8_t> data = printerData(21, 1u << 20);
    ASSERT_EQ(1, openSend(data));
    ASSERT_TRUE(pumpUntil([&] { return !sending(state); }, 60000));
    pumpFor(100);
    EXPECT_EQ(0, count(UM_LINK_ERROR, LINK_ERROR_SEND));
    expectLinkClosed(state);
    EXPECT_NE(std::string::npos, sim.report(10000).find("received " + std::to_string(data.size()) + " bytes"));
    EXPECT_TRUE(readFile(recordPath) == data) << "the simulator's record differs from the file";
    DeleteFileA(recordPath.c_str());
}

// A cancel while the device holds a chunk up ends the send at once, not
// when the chunk would have been given up.
TEST_P(ThrottlingDevice, CancelEndsAHeldUpChunkAtOnce) {
    const Link& link = *GetParam();
    DevSim sim(simOptions(link, "--stall-after 0 --stall-ms 120000 --receive-buffer 4096"));
    CaptureState& state = *s;
    ASSERT_TRUE(target(sim, state, link));
    const std::vector<std::uint8_t> data(32u << 20, 0x55);
    ChunkLog log;
    std::atomic<DWORD> lastChunkAt{GetTickCount()};
    log.gate = [&](std::uint32_t, std::uint32_t) { lastChunkAt = GetTickCount(); };
    ASSERT_EQ(1, openSend(data, &log));
    ASSERT_TRUE(pumpUntil([&] { return GetTickCount() - lastChunkAt.load() > 2000; }, 30000)) << "held up";
    const DWORD start = GetTickCount();
    cancelSend(state);
    const DWORD took = GetTickCount() - start;
    expectLinkClosed(state);
    EXPECT_LT(took, 1000u) << "the cancel waited for the held-up chunk";
    std::printf("%s: cancel of a held-up chunk took %lu ms\n", link.name, static_cast<unsigned long>(took));
    pumpFor(100);
    EXPECT_EQ(0, count(UM_LINK_ERROR, LINK_ERROR_SEND)) << "a cancel is no failure";
}

INSTANTIATE_TEST_SUITE_P(BothLinks, ThrottlingDevice, ::testing::Values(&kLan, &kCom5),
                         [](const ::testing::TestParamInfo<const Link*>& info) { return info.param->name; });

// ---- the send-file command's failures ----

class SendFileCommand : public SendFixture {};

TEST_F(SendFileCommand, FailuresTellTheUserAndLeaveTheIdleState) {
    struct Case {
        const char* name;
        bool chooseFile, fileExists;
        Link link;
        std::size_t messages;  // the reader's or the link's own, then the send failure
        std::uint64_t sparseSize = 0;  // a file this big, all holes
    };
    const Case cases[] = {
        {"chooser cancelled", false, true, kCom5, 0},
        {"file unreadable", true, false, kCom5, 2},
        {"no such serial port", true, true, kCom5, 1},
        {"LAN connect refused", true, true, kLan, 2},
        {"file too big for the memory", true, true, kLan, 2, 0x100000011ull},
    };
    CaptureState& state = *s;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages.shown.clear();
        TempDir folder;
        const std::string file = folder / "send.zrd";
        if (c.fileExists) writeFile(file, printerData(1, 100));
        if (c.sparseSize) std::filesystem::resize_file(file, c.sparseSize);
        ScriptedFileDialogs chooser;
        if (c.chooseFile) chooser.choose(file);
        state.fileDialogs = &chooser;
        if (c.link.lan)
            pointAtLan(state, "127.0.0.1", "1");  // nothing listens there
        else
            pointAtSerial(state, 77);  // no such port
        blankStatus();
        sendFileToDevice(state);
        state.fileDialogs = &dialogs;
        // A link that cannot be opened is known on the worker's thread.
        EXPECT_TRUE(pumpUntil([&] { return !sending(state); }, 15000));
        expectLinkClosed(state);
        expectIdleControls();
        EXPECT_EQ(text(IDS_STATE_IDLE), statusText(0));
        ASSERT_EQ(c.messages, messages.shown.size());
        if (c.sparseSize) EXPECT_EQ("Not enough memory.", messages.shown[0].text);
        if (c.messages > 0) {
            const auto& last = messages.shown.back();
            EXPECT_EQ(text(IDS_SEND_FAILED), last.text);
            EXPECT_EQ(text(IDS_FAILURE_CAPTION).substr(0, 31), last.caption);
            EXPECT_EQ(static_cast<unsigned>(MB_ICONWARNING), last.type);
        }
    }
}

TEST(SendCommandBytes, WithNoLinkOpenGoNowhereAndShowNothing) {
    LinkRun run;
    CaptureState& s = run.state();
    EXPECT_EQ(0, sendCommandBytes(s, "I", 1));
    setRunState(s, RunState::Sending);  // a send's thread owns its link
    EXPECT_EQ(0, sendCommandBytes(s, "I", 1));
    setRunState(s, RunState::Idle);
    EXPECT_TRUE(run.messages.shown.empty());
}

}  // namespace
}  // namespace orv::test
