// The program's entry steps: single instance, language library, main
// window class and window, message loop.
#pragma once
#include <windows.h>

#include "app/win32/CaptureState.h"
#include "base/win32/Owned.h"

namespace orv {

// Brings a running instance (and its open dialog) to the front; true when
// there was one.
bool activateRunningInstance();
// "Orvantide%04d.dll" for state.languageId, else for 1033, loaded as data;
// none when neither is there.  state.resourceLibrary names it (and
// state.languageId is updated) for as long as the owner returned lives.
LoadedLibrary loadResourceLibrary(CaptureState& state);
ATOM registerMainClass(HINSTANCE instance);
HWND createMainWindow(CaptureState& state, HINSTANCE instance, int showCommand);
// Runs until WM_QUIT; returns its wParam.
int runMessageLoop(CaptureState& state);

// The whole start: what WinMain does.
int runProgram(CaptureState& state, HINSTANCE instance, int showCommand);

}  // namespace orv
