// What the Win32 link tests share: the device simulator, a run record with
// its events, the real language library and a capture file, and a hidden
// message window as its main window that records what the links post.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/win32/CaptureState.h"
#include "app/win32/Win32Seams.h"
#include "tests/link/win32/DevSim.h"
#include "tests/support/TestSupport.h"
#include "tests/support/win32/Win32TestSupport.h"

namespace orv::test {

// The run record as the main window's creation leaves it, with a capture
// file open in a temporary folder.
class LinkRun {
public:
    LinkRun();
    ~LinkRun();
    CaptureState& state() { return *state_; }
    ScriptedMessages messages{box::kAnswerOk};
    std::string text(unsigned id) const { return strings_.load(id, 1023); }

    int count(UINT message, WPARAM wParam) const { return countMessages(posted, message, wParam); }
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

// Closes the run's capture file (expecting no failure) and returns its bytes.
std::vector<std::uint8_t> finishCaptureFile(CaptureState& state);

std::vector<std::uint8_t> printerData(std::uint64_t seed, std::size_t size);
// Kernel plus user time of a thread, and of this process, in milliseconds.
double threadCpuMs(HANDLE thread);
double processCpuMs();

}  // namespace orv::test
