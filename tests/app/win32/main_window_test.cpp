// The main window created in this process, hidden: the run record as its
// creation leaves it, and its answer to a lost capture-file write.
#include "tests/app/win32/MainWindowFixture.h"

#include <string>

#include "Version.h"
#include "app/win32/MainWindow.h"

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

class MainWindowTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        create();
    }
};

TEST_F(MainWindowTest, CreationLeavesTheRunRecordAtItsDefaults) {
    EXPECT_EQ(0, s->isOpen.load());
    EXPECT_EQ(comPortNumber(s->profile.connection.comPort), s->portNumber);
    EXPECT_EQ(921600u, s->baudRate);
    EXPECT_EQ(8, s->byteSize);
    EXPECT_EQ(2, s->flowControl);
    EXPECT_EQ(0, s->parity);
    EXPECT_EQ(0, s->stopBits);
    EXPECT_EQ(1, s->showCommErrors);
    EXPECT_EQ(s->profile.connection.method, static_cast<std::int32_t>(s->linkKind));
    std::string port = s->profile.connection.dService;
    EXPECT_EQ(port.substr(0, 31), s->dataPort);
    EXPECT_EQ(VIEW_TEXT, s->viewMode);
    EXPECT_EQ(0u, s->byteCount.load());
    EXPECT_EQ(0u, s->stateFlags.load());
    for (HANDLE event :
         {s->readOverlapped.hEvent, s->writeOverlapped.hEvent, s->lanRxDoneEvent, s->sendDoneEvent, s->linkStopEvent})
        EXPECT_NE(nullptr, event);
    for (std::size_t i = 0; i < kGridBytes; i += 4099) ASSERT_EQ(' ', s->view.cells[i].load());
    EXPECT_NE(nullptr, GetMenu(s->mainWindow));
    SOCKET probe = socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_NE(INVALID_SOCKET, probe) << "the socket layer runs";
    closesocket(probe);
    // The profile was found (or made) under the application-data folder.
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(s->profile.profilePath)) << s->profile.profilePath;
}

TEST_F(MainWindowTest, LostCaptureFileWriteIsToldWithTheIncompleteFileText) {
    PostMessageA(s->mainWindow, UM_CAPTURE_WRITE_FAILED, 0x80070070, 0);
    pump();
    ASSERT_EQ(1u, messages.shown.size());
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

TEST_F(MainWindowTest, DestroyingTheWindowClosesItsEvents) {
    DestroyWindow(s->mainWindow);
    EXPECT_EQ(nullptr, s->readOverlapped.hEvent);
    EXPECT_EQ(nullptr, s->linkStopEvent);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the loop is told to end";
}

}  // namespace
}  // namespace orv::test
