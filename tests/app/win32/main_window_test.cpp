// The main window created in this process, hidden: the run record as its
// creation leaves it, and its answer to a lost capture-file write.
#include <string>

#include "Version.h"
#include "app/win32/LinkWorker.h"
#include "app/win32/MainWindow.h"
#include "base/Text.h"
#include "tests/app/win32/MainWindowFixture.h"

namespace orv::test {
namespace {

// The about box, read and closed from a timer while its modal loop runs.
std::string aboutText;

BOOL CALLBACK noteAbout(HWND window, LPARAM found) {
    char cls[16] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (std::string(cls) != "#32770" || !GetDlgItem(window, IDC_ABOUT_TEXT)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

void CALLBACK readAndCloseAbout(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND about = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), noteAbout, reinterpret_cast<LPARAM>(&about));
    if (!about) return;
    KillTimer(nullptr, timer);
    char text[256] = "";
    GetDlgItemTextA(about, IDC_ABOUT_TEXT, text, sizeof text);
    aboutText = text;
    PostMessageA(about, WM_COMMAND, IDOK, 0);
}

// Any dialog of this thread, closed from a timer: one that opened at all.
bool dialogOpened = false;

BOOL CALLBACK closeDialog(HWND window, LPARAM) {
    char cls[16] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (std::string(cls) != "#32770" || !IsWindowVisible(window)) return TRUE;
    dialogOpened = true;
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    return FALSE;
}

void CALLBACK closeAnyDialog(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), closeDialog, 0); }

class MainWindowTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        create();
    }
};

TEST_F(MainWindowTest, CreationLeavesTheRunRecordAtItsDefaults) {
    EXPECT_EQ(RunState::Idle, s->runState);
    EXPECT_EQ(nullptr, s->worker);
    EXPECT_EQ(VIEW_TEXT, s->view.mode);
    EXPECT_EQ(0u, s->byteCount.load());
    EXPECT_EQ(0u, s->stateFlags.load());
    for (std::size_t i = 0; i < kGridBytes; i += 4099) ASSERT_EQ(' ', s->view.grid.cells[i].load());
    EXPECT_NE(nullptr, GetMenu(s->mainWindow));
    SOCKET probe = socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_NE(INVALID_SOCKET, probe) << "the socket layer runs";
    closesocket(probe);
    // The profile was found (or made) under the application-data folder.
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(s->profile.profilePath)) << s->profile.profilePath;
}

TEST_F(MainWindowTest, LostCaptureFileWriteIsToldWithTheIncompleteFileText) {
    s->worker.reset(new LinkWorker(*s, LinkPlan{}));             // never started
    PostMessageA(s->mainWindow, UM_CAPTURE_WRITE_FAILED, 0, 0);  // no worker's: left alone
    PostMessageA(s->mainWindow, UM_CAPTURE_WRITE_FAILED, 0, s->worker->id());
    PostMessageA(s->mainWindow, UM_CAPTURE_WRITE_FAILED, 0, s->worker->id());
    pump();
    s->worker.reset();
    ASSERT_EQ(1u, messages.shown.size()) << "once per run";
    EXPECT_EQ(strings.load(IDS_CLOSE_FAILED, 1023), messages.shown[0].text);
    EXPECT_EQ(strings.load(IDS_FAILURE_CAPTION, 31), messages.shown[0].caption);
}

TEST_F(MainWindowTest, AboutBoxShowsTheBuildsVersion) {
    aboutText.clear();
    UINT_PTR timer = SetTimer(nullptr, 0, 50, readAndCloseAbout);
    SendMessageA(s->mainWindow, WM_COMMAND, CMD_ABOUT, 0);
    KillTimer(nullptr, timer);
    EXPECT_EQ(strings.load(IDS_ABOUT_TEXT, 63) + "\nVersion " ORV_VERSION, aboutText);
}

TEST_F(MainWindowTest, SettingsOpenNothingWhileALinkIsOpen) {
    dialogOpened = false;
    UINT_PTR timer = SetTimer(nullptr, 0, 50, closeAnyDialog);
    setRunState(*s, RunState::Capturing);
    SendMessageA(s->mainWindow, WM_COMMAND, CMD_SETTINGS, 0);
    EXPECT_FALSE(dialogOpened) << "the settings never change under a running capture";
    setRunState(*s, RunState::Idle);
    SendMessageA(s->mainWindow, WM_COMMAND, CMD_SETTINGS, 0);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(dialogOpened) << "and open when idle";
}

TEST_F(MainWindowTest, TheRunsLinkFollowsTheSettings) {
    ConnectionSettings& c = s->profile.connection;
    LinkPlan plan;
    c.method = 0;
    copyCut(c.comPort, "COM12");
    ASSERT_TRUE(planLink(*s, nullptr, plan));
    EXPECT_FALSE(plan.lan);
    EXPECT_EQ("\\\\.\\COM12", plan.device) << "ports above COM9 too";
    copyCut(c.comPort, "COM300");
    ASSERT_TRUE(planLink(*s, nullptr, plan));
    EXPECT_EQ("\\\\.\\COM0", plan.device) << "no port: its open fails as a missing port does";
    c.method = 2;  // any other method is the LAN
    copyCut(c.lanHost, "10.0.0.9");
    copyCut(c.dService, "4001");
    ASSERT_TRUE(planLink(*s, nullptr, plan));
    EXPECT_TRUE(plan.lan);
    EXPECT_EQ("10.0.0.9", plan.host);
    EXPECT_EQ(4001, plan.port);
    EXPECT_TRUE(messages.shown.empty());
    copyCut(c.dService, "70000");
    EXPECT_FALSE(planLink(*s, nullptr, plan));
    copyCut(c.lanHost, "");
    EXPECT_FALSE(planLink(*s, nullptr, plan));
    ASSERT_EQ(2u, messages.shown.size());
    EXPECT_EQ(text(IDS_PORT_INVALID), messages.shown[0].text);
    EXPECT_EQ(text(IDS_HOST_MISSING), messages.shown[1].text);
}

TEST_F(MainWindowTest, DestroyingTheWindowEndsTheMessageLoop) {
    DestroyWindow(s->mainWindow);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the loop is told to end";
}

}  // namespace
}  // namespace orv::test
