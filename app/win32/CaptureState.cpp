#include "app/win32/CaptureState.h"

#include "app/win32/LinkWorker.h"

namespace orv {

CaptureState::CaptureState() = default;
// A worker still running (a test that ends mid-run) is stopped first: its
// thread holds the record.
CaptureState::~CaptureState() { worker.reset(); }

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
