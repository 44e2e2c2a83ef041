// The device simulator, orvantide-devsim, started from Wine (it is a Linux
// program of the native tree, which Wine runs directly), and the capture
// links opened on it.  No gtest here: the screenshot tool uses it too.
#pragma once
#include <windows.h>

#include <string>

#include "app/win32/CaptureState.h"

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

// Unix path of a COM port of the Wine prefix.
std::string comLink(int port);

// Points the run's settings at a LAN peer, or at COM`port`.
void pointAtLan(CaptureState& state, const char* host, const std::string& port);
void pointAtSerial(CaptureState& state, int port);
// Starts a capture worker (state.worker) on the link the settings name,
// into the open capture file, and waits for its word on the link: true
// once it is open.  Messages are dispatched meanwhile; no main window's
// run control takes part.
bool startCaptureWorker(CaptureState& state, DWORD ms = 15000);
// Points the run at the simulator's TCP port and starts the capture.
bool openLanTo(DevSim& sim, CaptureState& state);
// Waits for the simulator's pty (mapped as COM`port`) and starts the
// serial capture on it.
bool openSerialOn(DevSim& sim, CaptureState& state, int port);

}  // namespace orv::test
