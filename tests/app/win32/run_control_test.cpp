// Capture runs through the real main window: the controls and status
// texts of each run state, starts that are refused or fail, stops, link
// errors and the close questions.  The device is orvantide-devsim on
// loopback.
#include "tests/app/win32/MainWindowFixture.h"

#include <atomic>
#include <cstdio>

#include "app/win32/LinkWorker.h"
#include "app/win32/RunControl.h"
#include "app/win32/RunDisplay.h"
#include "base/Text.h"
#include "base/win32/Win32FileSystem.h"
#include "tests/link/win32/LinkHarness.h"

namespace orv::test {
namespace {

// Which commands each run state enables, in menu and toolbar alike.
struct ControlRow {
    unsigned command;
    bool idle, idleWithFile, capturing, sending;
    bool onMenu, onToolbar;
};

const ControlRow kControls[] = {
    // command             idle   file   capt   send   menu   toolbar
    {CMD_OPEN_FILE, true, true, false, false, true, true},
    {CMD_START, true, true, false, false, true, true},
    {CMD_STOP, false, false, true, false, true, true},
    {CMD_SETTINGS, true, true, false, false, true, true},
    {CMD_SEND_FILE, true, true, false, false, true, true},
    {CMD_CANCEL_SEND, false, false, false, true, true, true},
    {CMD_QUERY_DEVICE, false, false, true, false, true, false},
    {CMD_SAVE_AS, false, true, false, false, true, true},
    {CMD_VIEW_HEX, false, true, false, false, true, true},
    {CMD_VIEW_FILTERED, false, true, false, false, true, true},
    {CMD_VIEW_TEXT, false, false, false, false, false, true},
    {CMD_ABOUT, true, true, true, false, true, false},
    {CMD_EXPORT_PDF, false, true, false, false, true, false},
};

enum class Controls { Idle, IdleWithFile, Capturing, Sending };

class RunControlTest : public MainWindowFixture {
protected:
    void expectControls(Controls state) {
        for (const ControlRow& row : kControls) {
            bool want = state == Controls::Idle           ? row.idle
                        : state == Controls::IdleWithFile ? row.idleWithFile
                        : state == Controls::Capturing    ? row.capturing
                                                          : row.sending;
            if (row.onMenu) EXPECT_EQ(want, menuEnabled(row.command)) << "menu " << row.command;
            if (row.onToolbar) EXPECT_EQ(want, buttonEnabled(row.command)) << "button " << row.command;
        }
        EXPECT_TRUE(menuEnabled(CMD_EXIT)) << "Exit is never greyed";
    }
    bool startOn(DevSim& sim) {
        int port = sim.port();
        if (!port) return false;
        useLan(port);
        command(CMD_START);
        return pumpUntil([&] { return s->runState != RunState::Starting; }, 15000) && capturing();
    }
    bool capturing() const { return s->runState == RunState::Capturing; }
    bool idle() const { return s->runState == RunState::Idle; }
    // The serial link on a port that is not there.
    void useMissingPort() {
        s->profile.connection.method = 0;
        copyCut(s->profile.connection.comPort, "COM0");
    }
};

TEST_F(RunControlTest, RightAfterStartUpOnlyOpenStartSendAndSettingsAreOffered) {
    create();
    expectControls(Controls::Idle);
    EXPECT_EQ(text(IDS_STATE_IDLE), statusText(0));
}

TEST_F(RunControlTest, EachRunStateSetsItsRowOfTheTable) {
    create();
    setRunControls(*s, true);
    expectControls(Controls::Capturing);
    setSendControls(*s);
    expectControls(Controls::Sending);
    s->stateFlags.fetch_or(FLAG_HAVE_FILE);
    setRunControls(*s, false);
    expectControls(Controls::IdleWithFile);
    enableTextViewButton(*s);
    EXPECT_TRUE(buttonEnabled(CMD_VIEW_TEXT));
    setRunControls(*s, false);
    EXPECT_FALSE(buttonEnabled(CMD_VIEW_TEXT)) << "every state change greys the text view again";
}

TEST_F(RunControlTest, CaptureRunFromStartToStop) {
    DevSim sim("--lan 127.0.0.1:0 --generate 30000 --seed 4");
    create();
    ASSERT_TRUE(startOn(sim)) << (messages.shown.empty() ? "" : messages.shown[0].text);
    EXPECT_EQ(text(IDS_STATE_RUNNING), statusText(0));
    expectControls(Controls::Capturing);

    ASSERT_TRUE(pumpUntil([&] { return s->byteCount.load() == 30000; }, 20000));
    // The timer shows the count; during a run the extents are the whole grid.
    ASSERT_TRUE(pumpUntil([&] { return statusText(1) == "30000"; }, 3000)) << statusText(1);
    EXPECT_EQ(kGridRows * s->view.lineHeight.load() - s->view.clientHeight, s->view.maxScrollY);

    command(CMD_START);  // a second start while capturing does nothing
    EXPECT_TRUE(capturing());

    command(CMD_STOP);
    EXPECT_TRUE(idle());
    EXPECT_EQ(text(IDS_STATE_IDLE), statusText(0));
    EXPECT_EQ("30000", statusText(1)) << "the final count stays";
    EXPECT_FALSE(KillTimer(s->mainWindow, TIMER_REFRESH)) << "the refresh timer is gone";
    expectControls(Controls::IdleWithFile);
    EXPECT_EQ(printerData(4, 30000), readFile(dir / "run.zrd"));

    // After the run the extents narrow to the content at the next resize.
    SendMessageA(s->view.window, WM_SIZE, 0, MAKELPARAM(400, 200));
    int rows = s->view.grid.lineCount.load();
    EXPECT_EQ(std::max(0, rows * s->view.lineHeight.load() - 200), s->view.maxScrollY);

    command(CMD_STOP);  // a stop while idle does nothing
    EXPECT_TRUE(messages.shown.empty());
}

// The platform's disk, full once the first block is to be written.
class FullDisk final : public Win32FileSystem {
public:
    SysError write(Handle, const void*, std::size_t) override { return syserr::kDiskFull; }
};

TEST_F(RunControlTest, LostCaptureBytesAreToldOnceNotAgainAtTheStop) {
    DevSim sim("--lan 127.0.0.1:0 --generate 100000 --seed 4");
    create();
    FullDisk disk;
    s->writer.setFileSystem(disk);
    ASSERT_TRUE(startOn(sim));
    ASSERT_TRUE(pumpUntil([&] { return s->byteCount.load() == 100000; }, 20000));
    ASSERT_TRUE(pumpUntil([&] { return !messages.shown.empty(); }, 5000)) << "told during the run";
    command(CMD_STOP);
    pumpFor(100);
    ASSERT_EQ(1u, messages.shown.size()) << "and not again at the stop: " << messages.shown.back().text;
    EXPECT_EQ(text(IDS_CLOSE_FAILED), messages.shown[0].text);
    s->writer.setFileSystem(s->fileSystem);
}

// Counts what reaches the view window: its sizes (the refresh's extents)
// and its paints.
struct ViewTraffic {
    static inline WNDPROC original = nullptr;
    static inline int sizes = 0, paints = 0;
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_SIZE) ++sizes;
        if (message == WM_PAINT) ++paints;
        return CallWindowProcA(original, window, message, wParam, lParam);
    }
};

TEST_F(RunControlTest, QuietLineRepaintsNothing) {
    DevSim sim("--lan 127.0.0.1:0 --generate 300 --seed 4");
    create(SW_SHOWNORMAL);
    ASSERT_TRUE(startOn(sim));
    ASSERT_TRUE(pumpUntil([&] { return statusText(1) == "300"; }, 20000)) << "the timer shows the bytes";
    pumpFor(100);
    ViewTraffic::original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(s->view.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ViewTraffic::proc)));
    ViewTraffic::sizes = ViewTraffic::paints = 0;
    pumpFor(1300);  // two refreshes or more, and nothing came
    SetWindowLongPtrA(s->view.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ViewTraffic::original));
    EXPECT_EQ(0, ViewTraffic::sizes);
    EXPECT_EQ(0, ViewTraffic::paints);
    command(CMD_STOP);
}

TEST_F(RunControlTest, RefusedStartLeavesTheHexViewAndItsDataAsTheyWere) {
    create();
    writeFile(dir / "run.zrd", {1, 2, 3});
    s->view.loadedData.reset(new std::uint8_t[81]);
    const std::uint8_t* data = s->view.loadedData.get();
    s->view.loadedSize = 81;
    s->view.mode = VIEW_HEX;
    s->view.grid.cells[5].store('x');

    messages.answer(box::kAnswerNo);  // keep the existing file
    command(CMD_START);
    EXPECT_EQ(text(IDS_REPLACE_QUESTION), messages.shown.at(0).text);
    EXPECT_EQ(VIEW_HEX, s->view.mode);
    EXPECT_EQ(data, s->view.loadedData.get());
    EXPECT_EQ('x', s->view.grid.cells[5].load());
    EXPECT_EQ(std::vector<std::uint8_t>({1, 2, 3}), readFile(dir / "run.zrd"));

    // Refused at the folder question: the same.
    copyCut(s->profile.files.captureFolder, (dir / "missing").c_str());
    messages.answer(box::kAnswerCancel);
    command(CMD_START);
    EXPECT_EQ(2u, messages.shown.size());
    EXPECT_EQ(VIEW_HEX, s->view.mode);
    EXPECT_EQ(data, s->view.loadedData.get());
    EXPECT_FALSE(pathExists(dir / "missing"));
    expectControls(Controls::Idle);
}

TEST_F(RunControlTest, StartWhoseLinkFailsLeavesNoFileAndSaysSo) {
    create();
    useMissingPort();
    s->stateFlags.store(0);
    command(CMD_START);
    EXPECT_EQ(text(IDS_STATE_STARTING), statusText(0)) << "the link opens on the worker's thread";
    ASSERT_TRUE(pumpUntil([&] { return idle(); }, 10000));
    EXPECT_TRUE(shown("Not open COM."));
    EXPECT_EQ("Kelmora Orvantide", messages.shown.back().caption);
    EXPECT_FALSE(pathExists(dir / "run.zrd")) << "the file this start made is deleted";
    EXPECT_EQ(text(IDS_STATE_IDLE), statusText(0));
    expectControls(Controls::IdleWithFile);
}

TEST_F(RunControlTest, StartWhoseFileCannotBeMadeShowsBothMessagesAndDeletesNothing) {
    create();
    // A folder where the capture file should be: it can't be replaced.
    ASSERT_TRUE(CreateDirectoryA((dir / "run.zrd").c_str(), nullptr));
    writeFile(dir / "run.zrd" + "\\keep.txt", {7});
    useMissingPort();
    messages.answer(box::kAnswerYes);  // replace it
    command(CMD_START);
    ASSERT_EQ(3u, messages.shown.size());
    EXPECT_EQ("Not open file & Connection failed.", messages.shown[1].text);
    EXPECT_EQ("Not open COM.", messages.shown[2].text);
    EXPECT_TRUE(isFolder(dir / "run.zrd"));
    EXPECT_TRUE(pathExists(dir / "run.zrd" + "\\keep.txt"));
    EXPECT_TRUE(idle());
    expectControls(Controls::Idle);
}

// Another thread's view of the window: how long its messages wait.
struct WindowProbe {
    HWND window;
    std::atomic<bool> done{false};
    std::atomic<DWORD> slowest{0};
    std::atomic<int> answered{0}, unanswered{0};
};

DWORD WINAPI probeWindow(void* param) {
    auto* p = static_cast<WindowProbe*>(param);
    while (!p->done.load()) {
        DWORD start = GetTickCount();
        DWORD_PTR result = 0;
        if (SendMessageTimeoutA(p->window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result))
            ++p->answered;
        else
            ++p->unanswered;
        DWORD took = GetTickCount() - start;
        if (took > p->slowest.load()) p->slowest.store(took);
        Sleep(10);
    }
    return 0;
}

// A fast device must not starve the window: another thread's messages are
// answered all through the run while the view repaints.  The slowest answer
// is printed; only a window that stops answering (5 s) fails.
TEST_F(RunControlTest, WindowAnswersWhileAFastCaptureRuns) {
    const std::uint32_t size = 16u << 20;
    DevSim sim("--lan 127.0.0.1:0 --generate " + std::to_string(size) + " --seed 9");
    create(SW_SHOWNORMAL);
    ASSERT_TRUE(startOn(sim));
    WindowProbe probe{s->mainWindow};
    HANDLE thread = CreateThread(nullptr, 0, probeWindow, &probe, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    const bool all = pumpUntil([&] { return s->byteCount.load() == size; }, 120000);
    probe.done.store(true);
    while (WaitForSingleObject(thread, 10) == WAIT_TIMEOUT) pump();
    CloseHandle(thread);
    command(CMD_STOP);
    EXPECT_TRUE(all) << s->byteCount.load();
    EXPECT_EQ(0, probe.unanswered.load());
    EXPECT_GT(probe.answered.load(), 0);
    std::printf("window answered %d messages during %u bytes; slowest %lu ms\n", probe.answered.load(), size,
                static_cast<unsigned long>(probe.slowest.load()));
    EXPECT_EQ(printerData(9, size), readFile(dir / "run.zrd"));
}

// A port on loopback whose handshake is never answered: a listener that
// takes no connection, its backlog already full.
class UnansweringPort {
public:
    UnansweringPort() {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof address;
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 0);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        for (SOCKET& filler : fillers_) {
            filler = socket(AF_INET, SOCK_STREAM, 0);
            u_long nonBlocking = 1;
            ioctlsocket(filler, FIONBIO, &nonBlocking);
            connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
        }
        Sleep(200);
    }
    ~UnansweringPort() {
        for (SOCKET filler : fillers_) closesocket(filler);
        closesocket(listener_);
    }
    int port() const { return port_; }

private:
    SOCKET listener_;
    SOCKET fillers_[2];
    int port_ = 0;
};

// A device that never answers the connect: the window answers all the
// while, and the start fails with the connect's own message once its time
// is up.
TEST_F(RunControlTest, WindowAnswersWhileAConnectIsNeverAnswered) {
    create();  // starts the socket layer
    UnansweringPort silent;
    useLan(silent.port());
    WindowProbe probe{s->mainWindow};
    HANDLE thread = CreateThread(nullptr, 0, probeWindow, &probe, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    command(CMD_START);
    EXPECT_TRUE(pumpUntil([&] { return idle(); }, 20000));
    probe.done.store(true);
    while (WaitForSingleObject(thread, 10) == WAIT_TIMEOUT) pump();
    CloseHandle(thread);
    EXPECT_GT(probe.answered.load(), 10);
    EXPECT_EQ(0, probe.unanswered.load());
    ASSERT_EQ(2u, messages.shown.size());
    EXPECT_EQ(formatWithNumber(text(IDS_LINK_FAILED), WSAETIMEDOUT), messages.shown[0].text);
    EXPECT_EQ("Not open COM.", messages.shown[1].text);
    std::printf("window answered %d messages during the connect; slowest %lu ms\n", probe.answered.load(),
                static_cast<unsigned long>(probe.slowest.load()));
}

void CALLBACK stopOnce(HWND window, UINT, UINT_PTR id, DWORD) {
    KillTimer(window, id);
    PostMessageA(window, WM_COMMAND, CMD_STOP, 0);
}

// Stop during that connect gives the start up at once, with nothing to say.
TEST_F(RunControlTest, StopDuringAConnectGivesTheStartUp) {
    create();  // starts the socket layer
    UnansweringPort silent;
    useLan(silent.port());
    SetTimer(s->mainWindow, 77, 300, stopOnce);
    const DWORD start = GetTickCount();
    command(CMD_START);
    ASSERT_TRUE(pumpUntil([&] { return idle(); }, 9000));
    EXPECT_LT(GetTickCount() - start, 5000u);
    EXPECT_TRUE(messages.shown.empty()) << messages.shown[0].text;
    expectControls(Controls::IdleWithFile);
    EXPECT_FALSE(pathExists(dir / "run.zrd")) << "the failed start leaves no file";
}

TEST_F(RunControlTest, ConnectionEndedByTheDeviceStopsTheRun) {
    DevSim sim("--lan 127.0.0.1:0 --generate 5000 --close-when-done");
    create();
    const int port = sim.port();
    ASSERT_NE(0, port);
    useLan(port);
    // No startOn: on a busy machine the start and the end can come in one
    // pump, so that the run is never seen capturing.
    command(CMD_START);
    ASSERT_TRUE(pumpUntil([&] { return idle(); }, 20000));
    pumpFor(100);
    EXPECT_EQ(text(IDS_STATE_IDLE), statusText(0));
    EXPECT_EQ("5000", statusText(1));
    EXPECT_EQ(printerData(1, 5000), readFile(dir / "run.zrd"));
    expectControls(Controls::IdleWithFile);
}

TEST_F(RunControlTest, LinkErrorsByKind) {
    DevSim sim("--lan 127.0.0.1:0 --hold");
    create();
    ASSERT_TRUE(startOn(sim));

    const LPARAM worker = s->worker->id();
    SendMessageA(s->mainWindow, UM_LINK_ERROR, 7, worker);
    SendMessageA(s->mainWindow, UM_LINK_ERROR, LINK_ERROR_RECEIVE, worker + 1);
    EXPECT_TRUE(messages.shown.empty()) << "unknown kinds and other runs' errors are ignored";

    SendMessageA(s->mainWindow, UM_LINK_ERROR, LINK_ERROR_SEND, worker);
    ASSERT_EQ(1u, messages.shown.size());
    EXPECT_EQ(text(IDS_SEND_FAILED), messages.shown[0].text);
    EXPECT_EQ("Error", messages.shown[0].caption);
    EXPECT_TRUE(capturing()) << "a send error stops nothing by itself";

    // The message may wait long for the user: by then the run is over
    // and the file complete on disk.
    struct FileStateAtMessage : MessageSeam {
        CaptureState* state = nullptr;
        MessageSeam* inner = nullptr;
        std::vector<bool> fileOpen;
        int show(void* owner, const char* text, const char* caption, unsigned type) override {
            fileOpen.push_back(state->writer.isFileOpen());
            return inner->show(owner, text, caption, type);
        }
    } recorder;
    recorder.state = s.get();
    recorder.inner = &messages;
    s->messages = &recorder;
    SendMessageA(s->mainWindow, UM_LINK_ERROR, LINK_ERROR_RECEIVE, worker);
    s->messages = &messages;
    ASSERT_EQ(2u, messages.shown.size());
    EXPECT_EQ("Failed to receive data.", messages.shown[1].text);
    EXPECT_EQ(std::vector<bool>{false}, recorder.fileOpen) << "closed before the message";
    EXPECT_TRUE(idle()) << "a receive error stops the run";
    EXPECT_EQ(text(IDS_STATE_IDLE), statusText(0));
}

TEST_F(RunControlTest, CloseAsksWhileIdleAndWhileCapturing) {
    DevSim sim("--lan 127.0.0.1:0 --hold");
    create();
    messages.answer(box::kAnswerCancel);
    SendMessageA(s->mainWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(text(IDS_CLOSE_IDLE), messages.shown.at(0).text);
    EXPECT_EQ(text(IDS_QUESTION_CAPTION), messages.shown[0].caption);
    ASSERT_TRUE(IsWindow(s->mainWindow));

    ASSERT_TRUE(startOn(sim));
    messages.answer(box::kAnswerCancel);
    SendMessageA(s->mainWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(text(IDS_CLOSE_RUNNING), messages.shown.at(1).text);
    EXPECT_TRUE(IsWindow(s->mainWindow));
    EXPECT_TRUE(capturing()) << "Cancel keeps the run";

    messages.answer(box::kAnswerOk);
    SendMessageA(s->mainWindow, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(s->mainWindow));
    EXPECT_TRUE(idle());
    EXPECT_FALSE(s->writer.isFileOpen()) << "the capture file is closed";
    EXPECT_TRUE(pathExists(dir / "run.zrd"));
}

TEST_F(RunControlTest, ShiftF5StartsAndShiftF6Stops) {
    DevSim sim("--lan 127.0.0.1:0 --hold");
    create();
    int port = sim.port();
    ASSERT_NE(0, port);
    useLan(port);
    // The program's own table: the test program carries none of its own.
    HMODULE exe = LoadLibraryExA((win32BuildFolder() + "\\Orvantide.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, exe);
    s->accelerators = LoadAcceleratorsA(exe, MAKEINTRESOURCEA(IDA_MAIN));
    FreeLibrary(exe);
    ASSERT_NE(nullptr, s->accelerators);
    SetFocus(s->view.window);  // a child has the focus: the keys still reach the window
    // The key as the message loop sees it, with Shift held in this
    // thread's key state (no real keyboard under the test display).
    auto press = [&](WORD key) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = 0x80;
        SetKeyboardState(keys);
        PostMessageA(s->view.window, WM_KEYDOWN, key, 1);
        PostMessageA(s->view.window, WM_KEYUP, key, 0xC0000001);
        pump();
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
    };
    press(VK_F5 - 1);
    EXPECT_TRUE(idle()) << "Shift+F4 is nothing";
    press(VK_F5);
    ASSERT_TRUE(pumpUntil([&] { return capturing(); }, 5000)) << "Shift+F5 starts";
    press(VK_F6);
    EXPECT_TRUE(pumpUntil([&] { return idle(); }, 5000)) << "Shift+F6 stops";
}

}  // namespace
}  // namespace orv::test
