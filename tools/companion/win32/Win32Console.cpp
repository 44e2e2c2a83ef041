// The unattended commands' console on Windows: the stop on Ctrl+C,
// Ctrl+Break and the console closing, time-stamped events and a status
// line on standard error.
#include <windows.h>

#include <atomic>
#include <cstdio>

#include "base/win32/Win32FileSystem.h"
#include "tools/companion/DeviceLinks.h"
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

constexpr ULONGLONG kStatusEveryMs = 250;

class Console final : public CaptureHost {
public:
    Console() : terminal_(stderrIsTerminal()) { installStopHandler(); }
    ~Console() override {
        clearStatus();
        SetEvent(gDoneEvent);
    }

    std::uint64_t nowMs() override { return GetTickCount64(); }
    LocalTime localTime() override {
        SYSTEMTIME t;
        GetLocalTime(&t);
        return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
    }
    bool stopRequested() override { return stopAsked(); }
    void pause(int ms) override { waitForStop(ms); }
    void event(const std::string& line) override {
        clearStatus();
        const LocalTime t = localTime();
        std::fprintf(stderr, "%04d-%02d-%02d %02d:%02d:%02d %s\n", t.year, t.month, t.day, t.hour, t.minute, t.second,
                     line.c_str());
        std::fflush(stderr);
    }
    void status(const CaptureStatus& s) override {
        if (!terminal_) return;
        const ULONGLONG now = GetTickCount64();
        if (shown_ && now - shownAt_ < kStatusEveryMs) return;
        const double seconds = shown_ ? double(now - shownAt_) / 1000.0 : 0.0;
        const double rate = seconds > 0 ? double(s.totalBytes - shownTotal_) / seconds / 1000.0 : 0.0;
        char line[512];
        std::snprintf(line, sizeof line, "%s %llu B | total %llu B | %.1f kB/s | %s",
                      s.file.empty() ? "(no file)" : s.file.c_str(), static_cast<unsigned long long>(s.fileBytes),
                      static_cast<unsigned long long>(s.totalBytes), rate, s.connected ? "connected" : "waiting");
        std::fprintf(stderr, "\r%-79.79s", line);
        std::fflush(stderr);
        shown_ = true;
        shownAt_ = now;
        shownTotal_ = s.totalBytes;
    }

private:
    void clearStatus() {
        if (!shown_) return;
        std::fprintf(stderr, "\r%79s\r", "");
        shown_ = false;
    }

    bool terminal_;
    bool shown_ = false;
    ULONGLONG shownAt_ = 0;
    std::uint64_t shownTotal_ = 0;
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
std::unique_ptr<FileSystem> makeFileSystem() { return std::make_unique<Win32FileSystem>(); }

}  // namespace orv::companion
