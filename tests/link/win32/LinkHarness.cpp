#include "tests/link/win32/LinkHarness.h"

#include <gtest/gtest.h>

#include <cstring>

#include "app/win32/LinkWorker.h"
#include "tools/devsim/PrinterData.h"

namespace orv::test {

LinkRun::LinkRun() : state_(std::make_unique<CaptureState>()) {
    library_ = LoadLibraryA((win32BuildFolder() + "\\Orvantide1033.dll").c_str());
    CaptureState& s = *state_;
    s.messages = &messages;
    s.strings = &strings_;
    s.resourceLibrary = library_;
    setCaptureStateDefaults(s);
    clearGrid(s.view.grid);

    WNDCLASSA wc{};
    wc.lpfnWndProc = sinkProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "OrvLinkSink";
    RegisterClassA(&wc);
    sink_ = CreateWindowA("OrvLinkSink", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrA(sink_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    s.mainWindow = sink_;
    WSAStartup(MAKEWORD(2, 2), &wsa_);

    std::strcpy(s.profile.files.captureFolder, dir_.path().c_str());
    std::strcpy(s.profile.files.captureFileName, "link.zrd");
    s.writer.openCaptureFile(s.profile.files, LocalTime{});
}

LinkRun::~LinkRun() {
    state_->worker.reset();
    state_->writer.closeCaptureFile();
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

std::vector<std::uint8_t> LinkRun::finishFile() { return finishCaptureFile(*state_); }

std::vector<std::uint8_t> finishCaptureFile(CaptureState& s) {
    EXPECT_EQ(0, s.writer.closeCaptureFile());
    return readFile(s.writer.captureFilePath());
}

std::vector<std::uint8_t> printerData(std::uint64_t seed, std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    devsim::generatePrinterData(seed, 0, bytes.data(), size);
    return bytes;
}

namespace {

double cpuMs(const FILETIME& kernel, const FILETIME& user) {
    auto ms = [](const FILETIME& t) {
        return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

}  // namespace

double threadCpuMs(HANDLE thread) {
    FILETIME created, ended, kernel, user;
    return GetThreadTimes(thread, &created, &ended, &kernel, &user) ? cpuMs(kernel, user) : -1;
}

double processCpuMs() {
    FILETIME created, ended, kernel, user;
    return GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user) ? cpuMs(kernel, user) : -1;
}

}  // namespace orv::test
