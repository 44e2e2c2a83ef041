// The main window: its procedure and the handlers it dispatches to.
#pragma once
#include <windows.h>

#include "app/win32/CaptureState.h"

namespace orv {

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The run record a main window was created with.
CaptureState* captureStateOf(HWND window);

}  // namespace orv
