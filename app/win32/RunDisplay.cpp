#include "app/win32/RunDisplay.h"

#include <commctrl.h>

#include <cstdio>
#include <string>

#include "base/Text.h"

namespace orv {
namespace {

// One row of the run-state table: a command and whether it is enabled.
struct ControlState {
    unsigned command;
    bool enabled;
    bool onToolbar;
    bool onMenu;
};

void applyControls(CaptureState& s, const ControlState* states, std::size_t count) {
    HMENU menu = s.mainWindow ? GetMenu(s.mainWindow) : nullptr;
    for (std::size_t i = 0; i < count; ++i) {
        const ControlState& c = states[i];
        if (menu && c.onMenu) EnableMenuItem(menu, c.command, MF_BYCOMMAND | (c.enabled ? MF_ENABLED : MF_GRAYED));
        if (s.toolbarWindow && c.onToolbar)
            SendMessageA(s.toolbarWindow, TB_SETSTATE, c.command,
                         MAKELPARAM(c.enabled ? TBSTATE_ENABLED : TBSTATE_INDETERMINATE, 0));
    }
}

}  // namespace

void setRunControls(CaptureState& s, bool capturing) {
    const bool idle = !capturing;
    const bool haveFile = idle && (s.stateFlags.load() & FLAG_HAVE_FILE);
    const bool printing = s.print != nullptr;
    const ControlState states[] = {
        {CMD_OPEN_FILE, idle, true, true},
        {CMD_START, idle, true, true},
        {CMD_STOP, capturing, true, true},
        {CMD_SETTINGS, idle, true, true},
        {CMD_SEND_FILE, idle, true, true},
        {CMD_CANCEL_SEND, false, true, true},
        {CMD_QUERY_DEVICE, capturing, false, true},
        {CMD_SAVE_AS, haveFile, true, true},
        {CMD_VIEW_HEX, haveFile, true, true},
        {CMD_VIEW_FILTERED, haveFile, true, true},
        {CMD_VIEW_TEXT, false, true, false},
        {CMD_ABOUT, true, false, true},
        {CMD_EXPORT_PDF, haveFile, false, true},
        {CMD_VIEW_PAGES, haveFile, false, true},
        {CMD_PRINT, haveFile && !printing, false, true},
        {CMD_CANCEL_PRINT, printing, false, true},
    };
    applyControls(s, states, sizeof states / sizeof states[0]);
}

void setSendControls(CaptureState& s) {
    const bool printing = s.print != nullptr;
    const ControlState states[] = {
        {CMD_OPEN_FILE, false, true, true},     {CMD_START, false, true, true},
        {CMD_STOP, false, true, true},          {CMD_SETTINGS, false, true, true},
        {CMD_SEND_FILE, false, true, true},     {CMD_CANCEL_SEND, true, true, true},
        {CMD_QUERY_DEVICE, false, false, true}, {CMD_SAVE_AS, false, true, true},
        {CMD_VIEW_HEX, false, true, true},      {CMD_VIEW_FILTERED, false, true, true},
        {CMD_VIEW_TEXT, false, true, false},    {CMD_ABOUT, false, false, true},
        {CMD_EXPORT_PDF, false, false, true},   {CMD_VIEW_PAGES, false, false, true},
        {CMD_PRINT, false, false, true},        {CMD_CANCEL_PRINT, printing, false, true},
    };
    applyControls(s, states, sizeof states / sizeof states[0]);
}

void enableTextViewButton(CaptureState& s) {
    if (s.toolbarWindow) SendMessageA(s.toolbarWindow, TB_SETSTATE, CMD_VIEW_TEXT, MAKELPARAM(TBSTATE_ENABLED, 0));
}

void releaseViewButtons(CaptureState& s) {
    if (!s.toolbarWindow) return;
    for (unsigned command : {CMD_VIEW_HEX, CMD_VIEW_FILTERED, CMD_VIEW_TEXT})
        SendMessageA(s.toolbarWindow, TB_CHECKBUTTON, command, MAKELPARAM(FALSE, 0));
}

void setPrintControls(CaptureState& s) {
    const bool printing = s.print != nullptr;
    const bool haveFile = s.runState == RunState::Idle && (s.stateFlags.load() & FLAG_HAVE_FILE);
    const ControlState states[] = {
        {CMD_PRINT, haveFile && !printing, false, true},
        {CMD_CANCEL_PRINT, printing, false, true},
    };
    applyControls(s, states, sizeof states / sizeof states[0]);
}

void showStatusText(CaptureState& s, unsigned stringId) {
    if (!s.statusWindow) return;
    std::string text = s.strings->load(stringId, 1023);
    SendMessageA(s.statusWindow, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void showByteCount(CaptureState& s) {
    if (!s.statusWindow) return;
    char text[16];
    std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(s.byteCount.load()));
    SendMessageA(s.statusWindow, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(text));
}

void showPagePosition(CaptureState& s) {
    if (!s.statusWindow) return;
    const PagePosition at = pagePosition(s.pages);
    std::string text = " ";
    if (at.shown && at.counted && at.pages == 0) {
        text = s.strings->load(IDS_PAGES_NONE, 1023);
    } else if (at.shown && at.pages > 0) {
        const std::string format = s.strings->load(at.counted ? IDS_PAGE_POSITION : IDS_PAGE_COUNTING, 1023);
        text = formatWithNumber(formatWithNumber(format, std::int64_t(at.page + 1)), std::int64_t(at.pages));
    }
    SendMessageA(s.statusWindow, SB_SETTEXTA, 2, reinterpret_cast<LPARAM>(text.c_str()));
}

void showPrintText(CaptureState& s, const std::string& text) {
    if (s.statusWindow) SendMessageA(s.statusWindow, SB_SETTEXTA, 3, reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace orv
