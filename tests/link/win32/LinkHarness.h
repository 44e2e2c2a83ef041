// What the Win32 link tests share: the device simulator started from Wine
// (it is a Linux program: Wine runs it directly), a run record with its
// events, the real language library and a capture file, and a hidden
// window standing in for the main window that records what the links post.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/win32/CaptureState.h"
#include "app/win32/Win32Seams.h"
#include "tests/support/TestSupport.h"

namespace orv::test {

// orvantide-devsim with the given options, its output in a file.
class DevSim {
public:
    explicit DevSim(const std::string& options);
    ~DevSim();
    // The TCP port from "listening HOST:PORT" (0 when it never came).
    int port();
    // Waits for the "pty ..." line; false when it never came.
    bool ptyReady();
    // Waits up to ms for the report line of the first connection.
    std::string report(DWORD ms = 20000);
    // Whether the simulator still runs.
    bool running() const;
    // Unix path of a scratch file beside the simulator's output.
    std::string unixPath(const std::string& name) const { return unixDir_ + "/" + name; }
    std::string windowsPath(const std::string& name) const { return windowsDir_ + "\\" + name; }

private:
    std::string waitForLine(const char* prefix, DWORD ms);
    std::string linuxPid() const;
    void signal(const char* name) const;
    std::string unixDir_, windowsDir_;
    PROCESS_INFORMATION process_{};
};

struct Posted {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// The run record as the main window's creation leaves it, with a capture
// file open in a temporary folder.
class LinkRun {
public:
    LinkRun();
    ~LinkRun();
    CaptureState& state() { return *state_; }
    ScriptedMessages messages{box::kAnswerOk};
    std::string text(unsigned id) const { return strings_.load(id, 1023); }

    // Pumps messages until done() or ms pass; returns done().
    bool pumpUntil(const std::function<bool()>& done, DWORD ms);
    void pumpFor(DWORD ms);
    int count(UINT message, WPARAM wParam) const;
    std::vector<Posted> posted;

    // Closes the capture file and returns its bytes.
    std::vector<std::uint8_t> finishFile();

private:
    static LRESULT CALLBACK sinkProc(HWND, UINT, WPARAM, LPARAM);
    std::unique_ptr<CaptureState> state_;
    HMODULE library_ = nullptr;
    LibraryStrings strings_{library_};
    TempDir dir_;
    HWND sink_ = nullptr;
    WSADATA wsa_{};
};

std::vector<std::uint8_t> printerData(std::uint64_t seed, std::size_t size);
// Kernel plus user time of a thread, in milliseconds.
double threadCpuMs(HANDLE thread);

// Points the run at the simulator's TCP port and opens the LAN capture.
bool openLanTo(DevSim& sim, LinkRun& run);
// Waits for the simulator's pty (mapped as COM`port`) and opens the serial
// capture on it.
bool openSerialOn(DevSim& sim, LinkRun& run, int port);
// Unix path of a COM port of the Wine prefix.
std::string comLink(int port);

}  // namespace orv::test
