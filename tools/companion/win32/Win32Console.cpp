// The unattended commands' console on Windows: the stop on Ctrl+C,
// Ctrl+Break and the console closing, time-stamped events and a status
// line on standard error.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <memory>

#include "base/win32/Win32FileSystem.h"
#include "tools/companion/ConsoleLines.h"
#include "tools/companion/DeviceLinks.h"
#include "tools/companion/win32/ConsoleSession.h"
#include "tools/companion/win32/StopEvent.h"

namespace orv::companion {
namespace {

std::atomic<bool> gStopped{false};
HANDLE gStopEvent = nullptr;  // set with the stop: every wait watches it
HANDLE gDoneEvent = nullptr;  // set once the files are closed

// The system ends the process when the handler of a closing console,
// log-off or shutdown returns: it waits (a few seconds at most) for the
// capture to close its file first.
constexpr DWORD kCloseWaitMs = 4000;

BOOL WINAPI onControl(DWORD kind) {
    gStopped = true;
    SetEvent(gStopEvent);
    if (kind == CTRL_CLOSE_EVENT || kind == CTRL_LOGOFF_EVENT || kind == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(gDoneEvent, kCloseWaitMs);
    return TRUE;
}

class Console final : public ConsoleLines {
public:
    Console() : ConsoleLines(stderrIsTerminal()) {
        installStopHandler();
        sessionEnd_ = std::make_unique<SessionEndWatch>([] { onControl(CTRL_C_EVENT); }, gDoneEvent);
    }
    // The files are closed by now: a closing console may end the process.
    ~Console() override { SetEvent(gDoneEvent); }

    std::uint64_t nowMs() override { return GetTickCount64(); }
    LocalTime localTime() override {
        SYSTEMTIME t;
        GetLocalTime(&t);
        return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
    }
    bool stopRequested() override { return stopAsked(); }
    void pause(int ms) override { waitForStop(ms); }

private:
    QuickEditOff quickEdit_;
    std::unique_ptr<SessionEndWatch> sessionEnd_;  // made once the events exist
};

}  // namespace

void installStopHandler() {
    if (gStopEvent) return;
    gStopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    gDoneEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(onControl, TRUE);
}

bool stopAsked() { return gStopped.load(); }
HANDLE stopEvent() { return gStopEvent; }

bool waitForStop(int ms) {
    if (gStopEvent) WaitForSingleObject(gStopEvent, static_cast<DWORD>(ms));
    return stopAsked();
}

bool stderrIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

std::unique_ptr<CaptureHost> makeConsoleHost() { return std::make_unique<Console>(); }
std::unique_ptr<FileSystem> makeFileSystem() { return std::make_unique<Win32FileSystem>(Win32FileSystem::kUtf8); }

}  // namespace orv::companion
