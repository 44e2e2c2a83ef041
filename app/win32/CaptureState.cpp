#include "app/win32/CaptureState.h"

#include <commctrl.h>

namespace orv {

void setCaptureStateDefaults(CaptureState& s) {
    s.view.caretShown = 0;
    setRunState(s, RunState::Idle);
    s.view.clientWidth = s.view.clientHeight = 0;
    s.view.scrollX.store(0);
    s.view.scrollY.store(0);
    s.view.maxScrollX = s.view.maxScrollY = 0;
    s.view.font.reset();
}

void clearView(CaptureState& s) {
    s.byteCount.store(0);
    if (s.statusWindow) SendMessageA(s.statusWindow, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(" "));
    resetView(s.view);
}

}  // namespace orv
