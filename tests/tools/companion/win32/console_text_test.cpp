// orvantide-cli.exe's messages on a console: UTF-16, so a name beyond the
// console's code page shows as it is spelled.  (Bytes to a pipe are UTF-8,
// compared with the Linux build in companion_cli_test.sh.)
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/support/TestSupport.h"

namespace orv::test {
namespace {

std::wstring consoleText() {
    HANDLE out = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(out, &info);
    const DWORD cells = DWORD(info.dwSize.X) * DWORD(info.dwCursorPosition.Y + 1);
    std::wstring text(cells, L' ');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(out, &text[0], cells, COORD{0, 0}, &read);
    CloseHandle(out);
    text.resize(read);
    return text;
}

TEST(CompanionConsole, MessagesShowNamesBeyondTheCodePage) {
    FreeConsole();
    if (!AllocConsole()) GTEST_SKIP() << "no console: " << GetLastError();
    const std::string folder = win32BuildFolder(4);
    std::wstring command =
        L"\"" + std::wstring(folder.begin(), folder.end()) + L"\\orvantide-cli.exe\" hexdump \u03a9\u4e2d-missing";
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION process{};
    // The program inherits the console, and with it standard error.
    ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        << GetLastError();
    EXPECT_EQ(DWORD(WAIT_OBJECT_0), WaitForSingleObject(process.hProcess, 30000));
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    if (status == STILL_ACTIVE) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(1u, status);
    const std::wstring shown = consoleText();
    FreeConsole();
    EXPECT_NE(std::wstring::npos, shown.find(L"orvantide: cannot open \u03a9\u4e2d-missing: No such file or directory"))
        << "not on the console as written";
}

}  // namespace
}  // namespace orv::test
