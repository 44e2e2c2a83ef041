// Orvantide.exe started as a user starts it, from the Win32 build folder,
// and a look for its top-level windows.
#pragma once
#include <windows.h>

#include <string>

#include "tests/support/TestSupport.h"
#include "tests/support/win32/Win32TestSupport.h"

namespace orv::test {

struct Program {
    PROCESS_INFORMATION pi{};
    bool start(const std::string& arguments = "") {
        std::string exe = win32BuildFolder() + "\\Orvantide.exe";
        std::string commandLine = "\"" + exe + "\"" + arguments;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        return CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                              win32BuildFolder().c_str(), &si, &pi) != 0;
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

namespace detail {
struct FindArgs {
    DWORD pid;
    const char* className;
    HWND found;
};

inline BOOL CALLBACK findWindowOf(HWND window, LPARAM param) {
    auto* args = reinterpret_cast<FindArgs*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == args->pid && className(window) == args->className && IsWindowVisible(window)) {
        args->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace detail

// Polls for a visible top-level window of the class in the process.
inline HWND waitForWindow(DWORD pid, const char* className, DWORD ms = 15000) {
    for (DWORD waited = 0; waited < ms; waited += 50) {
        detail::FindArgs args{pid, className, nullptr};
        EnumWindows(detail::findWindowOf, reinterpret_cast<LPARAM>(&args));
        if (args.found) return args.found;
        Sleep(50);
    }
    return nullptr;
}

}  // namespace orv::test
