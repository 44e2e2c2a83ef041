#include "app/win32/CaptureState.h"

#include <commctrl.h>

#include "base/Text.h"

namespace orv {

std::string loadedWith(const CaptureState& s, unsigned textId, const std::string& subject) {
    return formatWithText(s.strings->load(textId, 1023), subject);
}

void warnUser(const CaptureState& s, const std::string& text) {
    const std::string caption = s.strings->load(IDS_FAILURE_CAPTION, 31);
    s.messages->show(s.mainWindow, text.c_str(), caption.c_str(), box::kOk | box::kIconWarning);
}

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
