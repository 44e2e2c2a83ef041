// Orvantide.exe as a user starts it: one window, a second start that only
// brings the first to the front, and a clean end through the close box.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/Ids.h"
#include "tests/support/TestSupport.h"

namespace {

struct Program {
    PROCESS_INFORMATION pi{};
    bool start(const std::string& arguments = "") {
        std::string exe = orv::test::win32BuildFolder() + "\\Orvantide.exe";
        std::string commandLine = "\"" + exe + "\"" + arguments;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        return CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                              orv::test::win32BuildFolder().c_str(), &si, &pi) != 0;
    }
    ~Program() {
        if (pi.hProcess) {
            if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 99);
            WaitForSingleObject(pi.hProcess, 5000);
            CloseHandle(pi.hProcess);
            CloseHandle(pi.hThread);
        }
    }
    DWORD waitExit(DWORD ms) {
        if (WaitForSingleObject(pi.hProcess, ms) != WAIT_OBJECT_0) return STILL_ACTIVE;
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        return code;
    }
};

struct FindArgs {
    DWORD pid;
    const char* className;
    HWND found;
};

BOOL CALLBACK findWindowOf(HWND window, LPARAM param) {
    auto* args = reinterpret_cast<FindArgs*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (pid == args->pid && std::string(name) == args->className && IsWindowVisible(window)) {
        args->found = window;
        return FALSE;
    }
    return TRUE;
}

// Polls for a visible top-level window of the class in the process.
HWND waitForWindow(DWORD pid, const char* className, DWORD ms = 15000) {
    for (DWORD waited = 0; waited < ms; waited += 50) {
        FindArgs args{pid, className, nullptr};
        EnumWindows(findWindowOf, reinterpret_cast<LPARAM>(&args));
        if (args.found) return args.found;
        Sleep(50);
    }
    return nullptr;
}

TEST(Startup, ShowsItsWindowWithMenuAndEndsCleanlyAfterTheCloseQuestion) {
    Program program;
    ASSERT_TRUE(program.start());
    HWND main = waitForWindow(program.pi.dwProcessId, MAIN_CLASS_NAME);
    ASSERT_NE(nullptr, main);
    char title[64] = "";
    GetWindowTextA(main, title, sizeof title);
    EXPECT_STREQ(MAIN_TITLE, title);
    EXPECT_NE(nullptr, GetMenu(main));

    PostMessageA(main, WM_CLOSE, 0, 0);
    HWND question = waitForWindow(program.pi.dwProcessId, "#32770");
    ASSERT_NE(nullptr, question) << "closing asks first";
    EXPECT_EQ(STILL_ACTIVE, program.waitExit(300)) << "nothing ends before the answer";
    PostMessageA(question, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(0u, program.waitExit(15000));
}

TEST(Startup, CancelInTheCloseQuestionKeepsTheWindow) {
    Program program;
    ASSERT_TRUE(program.start());
    HWND main = waitForWindow(program.pi.dwProcessId, MAIN_CLASS_NAME);
    ASSERT_NE(nullptr, main);
    PostMessageA(main, WM_COMMAND, CMD_EXIT, 0);  // the menu's Exit asks the same question
    HWND question = waitForWindow(program.pi.dwProcessId, "#32770");
    ASSERT_NE(nullptr, question);
    PostMessageA(question, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(STILL_ACTIVE, program.waitExit(500));
    EXPECT_TRUE(IsWindow(main));
}

TEST(Startup, SecondStartEndsAtOnceAndKeepsTheFirst) {
    Program first;
    ASSERT_TRUE(first.start());
    ASSERT_NE(nullptr, waitForWindow(first.pi.dwProcessId, MAIN_CLASS_NAME));
    Program second;
    ASSERT_TRUE(second.start(" -r"));
    EXPECT_EQ(0u, second.waitExit(15000));
    EXPECT_EQ(STILL_ACTIVE, first.waitExit(0));
}

}  // namespace
