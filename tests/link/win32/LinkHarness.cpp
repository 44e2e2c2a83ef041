#include "tests/link/win32/LinkHarness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "base/Text.h"
#include "link/win32/LanLink.h"
#include "link/win32/SerialLink.h"
#include "tools/devsim/PrinterData.h"

namespace orv::test {
namespace {

std::string windowsFromUnix(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace


DevSim::DevSim(const std::string& options) {
    static int serial = 0;
    // Wine reuses its process ids, and a test that was killed leaves its
    // folder behind: an old "listening" line must never be read as ours.
    unixDir_ = "/tmp/orv-devsim-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(GetTickCount()) + "-" + std::to_string(++serial);
    windowsDir_ = windowsFromUnix(unixDir_);
    CreateDirectoryA(windowsDir_.c_str(), nullptr);
    for (const char* name : {"\\out", "\\pid"}) DeleteFileA((windowsDir_ + name).c_str());
    std::string command = "Z:\\bin\\sh -c \"echo $$ > " + unixDir_ + "/pid; exec " ORV_NATIVE_BUILD_DIR
                          "/orvantide-devsim " + options + " > " + unixDir_ + "/out 2>&1\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &process_))
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

LinkRun::LinkRun() : state_(std::make_unique<CaptureState>()) {
    library_ = LoadLibraryA((win32BuildFolder() + "\\Orvantide1033.dll").c_str());
    CaptureState& s = *state_;
    s.messages = &messages;
    s.strings = &strings_;
    s.resourceLibrary = library_;
    setCaptureStateDefaults(s);
    createRunEvents(s);
    clearGrid(s.view);

    WNDCLASSA wc{};
    wc.lpfnWndProc = sinkProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "OrvLinkSink";
    RegisterClassA(&wc);
    sink_ = CreateWindowA("OrvLinkSink", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrA(sink_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    s.mainWindow = sink_;
    startSockets(s, nullptr, wsa_);

    std::strcpy(s.profile.files.captureFolder, dir_.path().c_str());
    std::strcpy(s.profile.files.captureFileName, "link.zrd");
    s.writer.openCaptureFile(s.profile.files, LocalTime{});
}

LinkRun::~LinkRun() {
    state_->writer.closeCaptureFile();
    closeRunEvents(*state_);
    DestroyWindow(sink_);
    WSACleanup();
    if (library_) FreeLibrary(library_);
}

LRESULT CALLBACK LinkRun::sinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* run = reinterpret_cast<LinkRun*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (run && (message == WM_COMMAND || message >= WM_APP)) {
        run->posted.push_back({message, wParam, lParam});
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool LinkRun::pumpUntil(const std::function<bool()>& done, DWORD ms) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    return true;
}

void LinkRun::pumpFor(DWORD ms) {
    pumpUntil([] { return false; }, ms);
}

int LinkRun::count(UINT message, WPARAM wParam) const {
    int n = 0;
    for (const Posted& p : posted)
        if (p.message == message && LOWORD(p.wParam) == wParam) ++n;
    return n;
}

std::vector<std::uint8_t> LinkRun::finishFile() {
    EXPECT_EQ(0, state_->writer.closeCaptureFile());
    return readFile(state_->writer.captureFilePath());
}

std::vector<std::uint8_t> printerData(std::uint64_t seed, std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    devsim::generatePrinterData(seed, 0, bytes.data(), size);
    return bytes;
}

bool openLanTo(DevSim& sim, LinkRun& run) {
    int port = sim.port();
    if (port == 0) return false;
    CaptureState& s = run.state();
    copyCut(s.host, "127.0.0.1");
    copyCut(s.dataPort, std::to_string(port).c_str());
    s.linkKind = 1;
    return openLanCapture(s, nullptr) == 1;
}

std::string comLink(int port) {
    const char* prefix = std::getenv("WINEPREFIX");
    return std::string(prefix ? prefix : "") + "/dosdevices/com" + std::to_string(port);
}

bool openSerialOn(DevSim& sim, LinkRun& run, int port) {
    if (!sim.ptyReady()) return false;
    run.state().portNumber = static_cast<std::uint8_t>(port);
    return openSerialCapture(run.state(), nullptr) == 1;
}

double threadCpuMs(HANDLE thread) {
    FILETIME created, ended, kernel, user;
    if (!GetThreadTimes(thread, &created, &ended, &kernel, &user)) return -1;
    auto ms = [](const FILETIME& t) {
        return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

}  // namespace orv::test
