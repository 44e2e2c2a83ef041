// The device commands' console on Windows: the stop on Ctrl+C, Ctrl+Break,
// the console closing, a log-off and a shutdown (through a hidden window:
// a console program that uses user32 gets no control event for those),
// quick-edit off while a command runs, and the lines on standard error.
#include "tools/companion/Console.h"

#include <windows.h>

#include <atomic>
#include <memory>

#include "base/win32/Win32FileSystem.h"
#include "tools/companion/win32/ConsoleSession.h"

namespace orv::companion {
namespace {

StopSignal* gStop = nullptr;
HANDLE gDoneEvent = nullptr;  // set once the files are closed; lives as long as the process
std::atomic<bool> gSessionEnding{false};

// The system ends the process when the handler of a closing console,
// log-off or shutdown returns: it waits (a few seconds at most) for the
// capture to close its files first.
constexpr DWORD kCloseWaitMs = 4000;

BOOL WINAPI onControl(DWORD kind) {
    const bool ending = kind == CTRL_CLOSE_EVENT || kind == CTRL_LOGOFF_EVENT || kind == CTRL_SHUTDOWN_EVENT;
    if (ending) gSessionEnding.store(true);
    gStop->request();
    if (ending) WaitForSingleObject(gDoneEvent, kCloseWaitMs);
    return TRUE;
}

class Win32Console final : public Console {
public:
    Win32Console() : Console(stderrIsTerminal()) {
        static StopSignal stop;
        gStop = &stop;
        if (!gDoneEvent) gDoneEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        SetConsoleCtrlHandler(onControl, TRUE);
        // The watch waits for the files itself, as the handler does.
        sessionEnd_ = std::make_unique<SessionEndWatch>(
            [] {
                gSessionEnding.store(true);
                gStop->request();
            },
            gDoneEvent);
    }
    // The files are closed by now, whatever became of the command.
    ~Win32Console() override { SetEvent(gDoneEvent); }
    const StopSignal& stop() const override { return *gStop; }
    bool sessionEnding() const override { return gSessionEnding.load(); }
    void filesClosed() override { SetEvent(gDoneEvent); }

private:
    QuickEditOff quickEdit_;
    std::unique_ptr<SessionEndWatch> sessionEnd_;  // made once the events exist
};

}  // namespace

std::unique_ptr<Console> makeConsole() { return std::make_unique<Win32Console>(); }

bool stderrIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

std::unique_ptr<FileSystem> makeFileSystem() { return std::make_unique<Win32FileSystem>(Win32FileSystem::kUtf8); }

}  // namespace orv::companion
