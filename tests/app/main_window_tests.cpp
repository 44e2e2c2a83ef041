// The main window created in this process, hidden: the run record as its
// creation leaves it, and its answer to a lost capture-file write.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <memory>
#include <string>

#include "app/win32/MainWindow.h"
#include "app/win32/Startup.h"
#include "app/win32/Win32Seams.h"
#include "tests/support/TestSupport.h"

namespace orv {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        library = LoadLibraryA((test::win32BuildFolder() + "\\Orvantide1033.dll").c_str());
        ASSERT_NE(nullptr, library);
        s->resourceLibrary = library;
        s->messages = &messages;
        s->strings = &strings;
        HINSTANCE instance = GetModuleHandleA(nullptr);
        s->appInstance = instance;
        registerMainClass(instance);
        ASSERT_NE(nullptr, createMainWindow(*s, instance, SW_HIDE));
    }
    void TearDown() override {
        if (IsWindow(s->mainWindow)) DestroyWindow(s->mainWindow);
        if (library) FreeLibrary(library);
    }
    void pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }

    std::unique_ptr<CaptureState> s = std::make_unique<CaptureState>();
    HMODULE library = nullptr;
    LibraryStrings strings{library};
    test::ScriptedMessages messages{box::kAnswerOk};
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
    EXPECT_EQ(s->profile.connection.method, s->linkKind);
    std::string port = s->profile.connection.dService;
    EXPECT_EQ(port.substr(0, 31), s->dataPort);
    EXPECT_EQ(VIEW_TEXT, s->viewMode);
    EXPECT_EQ(0u, s->byteCount.load());
    EXPECT_EQ(0u, s->stateFlags.load());
    for (HANDLE event : {s->readOverlapped.hEvent, s->writeOverlapped.hEvent, s->lanRxDoneEvent,
                         s->sendDoneEvent, s->linkStopEvent})
        EXPECT_NE(nullptr, event);
    for (std::size_t i = 0; i < kGridBytes; i += 4099) ASSERT_EQ(' ', s->view.cells[i].load());
    EXPECT_NE(nullptr, GetMenu(s->mainWindow));
    SOCKET probe = socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_NE(INVALID_SOCKET, probe) << "the socket layer runs";
    closesocket(probe);
    // The profile was found (or made) under the application-data folder.
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(s->profile.profilePath))
        << s->profile.profilePath;
}

TEST_F(MainWindowTest, LostCaptureFileWriteIsToldWithTheIncompleteFileText) {
    PostMessageA(s->mainWindow, UM_CAPTURE_WRITE_FAILED, 0x80070070, 0);
    pump();
    ASSERT_EQ(1u, messages.shown.size());
    EXPECT_EQ(strings.load(IDS_CLOSE_FAILED, 1023), messages.shown[0].text);
    EXPECT_EQ(strings.load(IDS_FAILURE_CAPTION, 31), messages.shown[0].caption);
}

TEST_F(MainWindowTest, DestroyingTheWindowClosesItsEvents) {
    DestroyWindow(s->mainWindow);
    EXPECT_EQ(nullptr, s->readOverlapped.hEvent);
    EXPECT_EQ(nullptr, s->linkStopEvent);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the loop is told to end";
}

}  // namespace
}  // namespace orv
