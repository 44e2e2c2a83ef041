#include "app/win32/Startup.h"

#include <cstdio>

#include "app/StartOptions.h"
#include "app/win32/MainWindow.h"

namespace orv {

bool activateRunningInstance() {
    HWND found = FindWindowA(MAIN_CLASS_NAME, nullptr);
    if (!found) return false;
    if (IsIconic(found)) ShowWindow(found, SW_RESTORE);
    SetForegroundWindow(GetLastActivePopup(found));
    return true;
}

bool loadResourceLibrary(CaptureState& state) {
    char name[MAX_PATH];
    std::snprintf(name, sizeof name, LANGUAGE_LIBRARY_FORMAT, state.languageId);
    HMODULE library = LoadLibraryA(name);
    if (!library) {
        state.languageId = 1033;
        std::snprintf(name, sizeof name, LANGUAGE_LIBRARY_FORMAT, state.languageId);
        library = LoadLibraryA(name);
        if (!library) return false;
    }
    state.resourceLibrary = library;
    return true;
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
    HWND window = CreateWindowExA(0, MAIN_CLASS_NAME, MAIN_TITLE, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                  instance, &state);
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

int runProgram(CaptureState& state, HINSTANCE instance, int showCommand) {
    parseStartOptions(GetCommandLineA(), state.startFlags, state.startDelayMs);
    if (activateRunningInstance()) return 0;
    state.appInstance = instance;
    state.languageId = LOWORD(GetUserDefaultLCID());
    if (!loadResourceLibrary(state)) return 0;
    if (!registerMainClass(instance)) return 0;
    if (!createMainWindow(state, instance, showCommand)) return 0;
    return runMessageLoop(state);
}

}  // namespace orv
