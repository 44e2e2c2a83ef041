#include "app/win32/Startup.h"

#include <cstdio>
#include <cstring>

#include "app/StartOptions.h"
#include "app/win32/MainWindow.h"
#include "base/win32/Owned.h"

namespace orv {

bool activateRunningInstance() {
    HWND found = FindWindowA(MAIN_CLASS_NAME, nullptr);
    if (!found) return false;
    if (IsIconic(found)) ShowWindow(found, SW_RESTORE);
    SetForegroundWindow(GetLastActivePopup(found));
    return true;
}

namespace {

// The language library of a language, from the program's own folder and
// as resources only: a file of that name in the current folder or on the
// path is never looked at, and no code of the library ever runs.
HMODULE loadLanguageLibrary(int languageId) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return nullptr;
    char* name = std::strrchr(path, '\\');
    name = name ? name + 1 : path;
    const std::size_t room = sizeof path - static_cast<std::size_t>(name - path);
    if (std::snprintf(name, room, LANGUAGE_LIBRARY_FORMAT, languageId) >= static_cast<int>(room)) return nullptr;
    return LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

}  // namespace

LoadedLibrary loadResourceLibrary(CaptureState& state) {
    LoadedLibrary library(loadLanguageLibrary(state.languageId));
    if (!library) {
        state.languageId = 1033;
        library.reset(loadLanguageLibrary(state.languageId));
    }
    state.resourceLibrary = library.get();
    return library;
}

ATOM registerMainClass(HINSTANCE instance) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = mainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = MAIN_CLASS_NAME;
    return RegisterClassExA(&wc);
}

HWND createMainWindow(CaptureState& state, HINSTANCE instance, int showCommand) {
    state.accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDA_MAIN));
    HWND window = CreateWindowExA(0, MAIN_CLASS_NAME, MAIN_TITLE, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, &state);
    if (window) {
        ShowWindow(window, showCommand);
        UpdateWindow(window);
    }
    state.mainWindow = window;
    return window;
}

int runMessageLoop(CaptureState& state) {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!TranslateAcceleratorA(state.mainWindow, state.accelerators, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}

namespace {

// One instance per user session.  The mutex decides, not the window: two
// starts at the same moment (a "-r" start at log-on and a click) would
// both look before either had made its window.
constexpr const char* kInstanceMutex = "Local\\Kelmora Orvantide";
constexpr int kWaitForFirstWindowMs = 5000;

class InstanceClaim {
public:
    InstanceClaim() : mutex_(CreateMutexA(nullptr, FALSE, kInstanceMutex)) {
        other_ = mutex_ && GetLastError() == ERROR_ALREADY_EXISTS;
    }
    bool anotherRuns() const { return other_; }

private:
    KernelHandle mutex_;
    bool other_ = false;
};

}  // namespace

int runProgram(CaptureState& state, HINSTANCE instance, int showCommand) {
    parseStartOptions(GetCommandLineA(), state.startFlags, state.startDelayMs);
    InstanceClaim claim;
    if (claim.anotherRuns()) {
        // The first may still be making its window: bring it forward once
        // it is there.
        for (int waited = 0; waited < kWaitForFirstWindowMs && !activateRunningInstance(); waited += 50) Sleep(50);
        return 0;
    }
    if (activateRunningInstance()) return 0;
    state.appInstance = instance;
    state.languageId = LOWORD(GetUserDefaultLCID());
    const LoadedLibrary resources = loadResourceLibrary(state);  // for the whole run
    if (!resources) return 0;
    if (!registerMainClass(instance)) return 0;
    if (!createMainWindow(state, instance, showCommand)) return 0;
    return runMessageLoop(state);
}

}  // namespace orv
