#include "app/win32/CaptureState.h"

namespace orv {

void setCaptureStateDefaults(CaptureState& s) {
    s.caretShown = 0;
    s.runState = RunState::Idle;
    s.clientWidth = s.clientHeight = 0;
    s.scrollX.store(0);
    s.scrollY.store(0);
    s.maxScrollX = s.maxScrollY = 0;
    s.viewFont.reset();
}

}  // namespace orv
