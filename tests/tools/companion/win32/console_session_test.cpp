// The companion's console helpers on their own: quick-edit off while a
// capture runs, and the end of the session seen through a hidden window.
#include <windows.h>
#include <gtest/gtest.h>

#include <atomic>

#include "tools/companion/win32/ConsoleSession.h"

namespace orv::companion {
namespace {

// The watch's window among the top-level windows of this process, as a
// log-off broadcast reaches them (EnumWindows lists no message-only window).
BOOL CALLBACK collectOwn(HWND window, LPARAM found) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[64] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (pid == GetCurrentProcessId() && !lstrcmpA(cls, SessionEndWatch::kWindowClass))
        *reinterpret_cast<HWND*>(found) = window;
    return TRUE;
}

HWND ownTopLevelWindow() {
    HWND found = nullptr;
    EnumWindows(collectOwn, reinterpret_cast<LPARAM>(&found));
    return found;
}

struct Sent {
    HWND window;
    UINT message;
    WPARAM wParam;
    LRESULT result = 0;
};

DWORD WINAPI sendFromOtherThread(void* param) {
    auto* s = static_cast<Sent*>(param);
    s->result = SendMessageA(s->window, s->message, s->wParam, 0);
    return 0;
}

TEST(SessionEndWatch, EndOfSessionStopsAndWaitsForTheFilesToClose) {
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> ends{0};
    {
        SessionEndWatch watch([&] { ++ends; }, done);
        HWND window = ownTopLevelWindow();
        ASSERT_NE(nullptr, window) << "no top-level window to get the broadcasts";
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_NE(0, SendMessageA(window, WM_QUERYENDSESSION, 0, 0)) << "the session may end";
        SendMessageA(window, WM_ENDSESSION, FALSE, 0);
        EXPECT_EQ(0, ends.load()) << "a cancelled end stops nothing";

        // The answer to WM_ENDSESSION waits for done: after it, the
        // process may be ended at any moment.
        Sent sent{window, WM_ENDSESSION, TRUE};
        HANDLE sender = CreateThread(nullptr, 0, sendFromOtherThread, &sent, 0, nullptr);
        ASSERT_NE(nullptr, sender);
        EXPECT_EQ(DWORD(WAIT_TIMEOUT), WaitForSingleObject(sender, 500)) << "returned before the files were closed";
        EXPECT_EQ(1, ends.load());
        SetEvent(done);
        EXPECT_EQ(DWORD(WAIT_OBJECT_0), WaitForSingleObject(sender, 5000));
        CloseHandle(sender);
    }
    EXPECT_EQ(nullptr, ownTopLevelWindow()) << "the window goes with the watch";
    CloseHandle(done);
}

TEST(QuickEditOff, ClearsQuickEditWhileItLivesAndRestoresTheMode) {
    { QuickEditOff nothing; }  // without a console: nothing to do, nothing fails
    // A console of its own, whatever the test was started with.
    FreeConsole();
    if (!AllocConsole()) GTEST_SKIP() << "no console: " << GetLastError();
    HANDLE input = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, input);
    const DWORD withQuickEdit = ENABLE_EXTENDED_FLAGS | ENABLE_QUICK_EDIT_MODE | ENABLE_PROCESSED_INPUT;
    ASSERT_TRUE(SetConsoleMode(input, withQuickEdit));
    DWORD mode = 0;
    {
        QuickEditOff off;
        ASSERT_TRUE(GetConsoleMode(input, &mode));
        EXPECT_EQ(0u, mode & ENABLE_QUICK_EDIT_MODE);
        EXPECT_NE(0u, mode & ENABLE_PROCESSED_INPUT) << "Ctrl+C must still stop";
    }
    ASSERT_TRUE(GetConsoleMode(input, &mode));
    EXPECT_NE(0u, mode & ENABLE_QUICK_EDIT_MODE);
    CloseHandle(input);
    FreeConsole();
}

}  // namespace
}  // namespace orv::companion
