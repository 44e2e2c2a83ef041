#include "tests/link/win32/DevSim.h"

#include <cstdlib>
#include <sstream>

#include "app/win32/LinkWorker.h"
#include "base/Text.h"
#include "tests/support/TestSupport.h"

namespace orv::test {
namespace {

std::string windowsFromUnix(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

}  // namespace

DevSim::DevSim(const std::string& options) {
    static int serial = 0;
    // Wine reuses its process ids, and a test that was killed leaves its
    // folder behind: an old "listening" line must never be read as ours.
    unixDir_ = "/tmp/orv-devsim-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()) + "-" +
               std::to_string(++serial);
    windowsDir_ = windowsFromUnix(unixDir_);
    CreateDirectoryA(windowsDir_.c_str(), nullptr);
    for (const char* name : {"\\out", "\\pid"}) DeleteFileA((windowsDir_ + name).c_str());
    std::string command = "Z:\\bin\\sh -c \"echo $$ > " + unixDir_ +
                          "/pid; exec " ORV_NATIVE_BUILD_DIR "/orvantide-devsim " + options + " > " + unixDir_ +
                          "/out 2>&1\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &process_))
        process_ = PROCESS_INFORMATION{};
}

// The simulator is a Linux program: Wine's handle of the shell that starts
// it is signalled at once, so it is followed by its Linux process id.
std::string DevSim::linuxPid() const {
    std::string pid = readText(windowsDir_ + "\\pid");
    while (!pid.empty() && (pid.back() == '\n' || pid.back() == '\r')) pid.pop_back();
    return pid;
}

bool DevSim::running() const {
    std::string pid = linuxPid();
    if (pid.empty()) return false;
    // "PID (name) STATE ...": a zombie has ended too.
    std::string stat = readText("Z:\\proc\\" + pid + "\\stat");
    std::size_t close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

void DevSim::signal(const char* name) const {
    std::string command = std::string("Z:\\bin\\kill -") + name + " " + linuxPid();
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return;
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
}

DevSim::~DevSim() {
    // Wine may even report the start of a Linux program as failed while it
    // runs: the id file decides.  The shell writes it before it becomes
    // the simulator.
    for (int i = 0; i < 100 && linuxPid().empty(); ++i) Sleep(20);
    for (const char* name : {"TERM", "KILL"}) {
        if (!running()) break;
        signal(name);
        for (int i = 0; i < 250 && running(); ++i) Sleep(20);
    }
    if (process_.hProcess) {
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
    for (const char* name : {"\\out", "\\pid"}) DeleteFileA((windowsDir_ + name).c_str());
    RemoveDirectoryA(windowsDir_.c_str());
}

std::string DevSim::waitForLine(const char* prefix, DWORD ms) {
    for (DWORD waited = 0; waited <= ms; waited += 20) {
        std::istringstream lines(readText(windowsDir_ + "\\out"));
        std::string line;
        while (std::getline(lines, line))
            if (line.rfind(prefix, 0) == 0) return line;
        Sleep(20);
    }
    return std::string();
}

int DevSim::port() {
    std::string line = waitForLine("listening ", 10000);
    std::size_t colon = line.rfind(':');
    return colon == std::string::npos ? 0 : std::atoi(line.c_str() + colon + 1);
}

bool DevSim::ptyReady() { return !waitForLine("pty ", 10000).empty(); }

std::string DevSim::report(DWORD ms) { return waitForLine("sent ", ms); }

std::string comLink(int port) {
    const char* prefix = std::getenv("WINEPREFIX");
    return std::string(prefix ? prefix : "") + "/dosdevices/com" + std::to_string(port);
}

void pointAtLan(CaptureState& s, const char* host, const std::string& port) {
    s.profile.connection.method = 1;
    copyCut(s.profile.connection.lanHost, host);
    copyCut(s.profile.connection.dService, port.c_str());
}

void pointAtSerial(CaptureState& s, int port) {
    s.profile.connection.method = 0;
    copyCut(s.profile.connection.comPort, ("COM" + std::to_string(port)).c_str());
}

bool startCaptureWorker(CaptureState& s, DWORD ms) {
    LinkPlan plan;
    if (!planLink(s, nullptr, plan)) return false;
    s.worker.reset(new LinkWorker(s, plan));
    if (!s.worker->startCapture()) return false;
    // The worker's word on its link, from the main window's queue; other
    // messages go their way meanwhile.
    const LPARAM id = static_cast<LPARAM>(s.worker->id());
    for (const DWORD start = GetTickCount(); GetTickCount() - start < ms;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.hwnd == s.mainWindow && msg.lParam == id &&
                (msg.message == UM_LINK_OPENED || msg.message == UM_LINK_OPEN_FAILED)) {
                // As the main window's run control has it then.
                if (msg.message == UM_LINK_OPENED) setRunState(s, RunState::Capturing);
                return msg.message == UM_LINK_OPENED;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return false;
}

bool openLanTo(DevSim& sim, CaptureState& s) {
    int port = sim.port();
    if (port == 0) return false;
    pointAtLan(s, "127.0.0.1", std::to_string(port));
    return startCaptureWorker(s);
}

bool openSerialOn(DevSim& sim, CaptureState& s, int port) {
    if (!sim.ptyReady()) return false;
    pointAtSerial(s, port);
    return startCaptureWorker(s);
}

}  // namespace orv::test
