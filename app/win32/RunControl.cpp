#include "app/win32/RunControl.h"

#include <commctrl.h>

#include <cstdio>
#include <string>

#include "link/win32/LanLink.h"
#include "link/win32/SendLink.h"
#include "link/win32/SerialLink.h"
#include "view/win32/ViewWindow.h"

namespace orv {
namespace {

constexpr const char* kProgramCaption = "Kelmora Orvantide";

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

void warn(CaptureState& s, HWND owner, const char* text, const char* caption) {
    s.messages->show(owner, text, caption, MB_ICONWARNING);
}

LocalTime localNow() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

// The run's capture file is incomplete: told once per run, during the run
// (a failed write) or at its stop, whichever comes first.
void tellCaptureLoss(CaptureState& s, HWND owner, unsigned type) {
    if (s.captureLossTold) return;
    s.captureLossTold = true;
    std::string text = s.strings->load(IDS_CLOSE_FAILED, 1023);
    std::string caption = s.strings->load(IDS_FAILURE_CAPTION, 31);
    s.messages->show(owner, text.c_str(), caption.c_str(), type);
}

void tellCloseFailed(CaptureState& s, HWND owner) { tellCaptureLoss(s, owner, MB_OK); }

// Answers every message box of a session that is ending: nobody is there
// to read it, and Windows ends the program once the session end returns.
// Questions get their refusing answer, so nothing is deleted or started.
class NobodyThere final : public MessageSeam {
public:
    int show(void*, const char*, const char*, unsigned type) override {
        switch (type & 0xF) {
        case box::kOkCancel: return box::kAnswerCancel;
        case box::kYesNo: return box::kAnswerNo;
        default: return box::kAnswerOk;
        }
    }
};

// Ends the link that runs (a send or a capture) and, for a capture, its
// file; shared by the close request and the window's destruction.  A
// capture file that could not be completed is still told: the program is
// closing, but the user must know the file is short.
void endWhatRuns(CaptureState& s, HWND owner) {
    if (s.stateFlags.load() & FLAG_SENDING) {
        closeSend(s);
        return;
    }
    if (s.linkKind == 0)
        closeSerialCapture(s, s.viewWindow);
    else
        closeLanCapture(s, s.viewWindow);
    removeCaret(s);
    if (s.writer.closeCaptureFile() < 0) tellCloseFailed(s, owner);
}

}  // namespace

void setRunControls(CaptureState& s, bool capturing) {
    const bool idle = !capturing;
    const bool haveFile = idle && (s.stateFlags.load() & FLAG_HAVE_FILE);
    const ControlState states[] = {
        {CMD_OPEN_FILE, idle, true, true},       {CMD_START, idle, true, true},
        {CMD_STOP, capturing, true, true},       {CMD_SETTINGS, idle, true, true},
        {CMD_SEND_FILE, idle, true, true},       {CMD_CANCEL_SEND, false, true, true},
        {CMD_QUERY_DEVICE, capturing, false, true}, {CMD_SAVE_AS, haveFile, true, true},
        {CMD_VIEW_HEX, haveFile, true, true},    {CMD_VIEW_FILTERED, haveFile, true, true},
        {CMD_VIEW_TEXT, false, true, false},     {CMD_ABOUT, true, false, true},
    };
    applyControls(s, states, sizeof states / sizeof states[0]);
}

void setSendControls(CaptureState& s) {
    const ControlState states[] = {
        {CMD_OPEN_FILE, false, true, true},   {CMD_START, false, true, true},
        {CMD_STOP, false, true, true},        {CMD_SETTINGS, false, true, true},
        {CMD_SEND_FILE, false, true, true},   {CMD_CANCEL_SEND, true, true, true},
        {CMD_QUERY_DEVICE, false, false, true}, {CMD_SAVE_AS, false, true, true},
        {CMD_VIEW_HEX, false, true, true},    {CMD_VIEW_FILTERED, false, true, true},
        {CMD_VIEW_TEXT, false, true, false},  {CMD_ABOUT, false, false, true},
    };
    applyControls(s, states, sizeof states / sizeof states[0]);
}

void enableTextViewButton(CaptureState& s) {
    if (s.toolbarWindow)
        SendMessageA(s.toolbarWindow, TB_SETSTATE, CMD_VIEW_TEXT, MAKELPARAM(TBSTATE_ENABLED, 0));
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

void startCapture(CaptureState& s, WPARAM command) {
    if (s.isOpen.load() || s.linkOpening) return;
    HWND main = s.mainWindow;
    // Both questions come before anything changes: a refusal leaves the
    // view and any loaded data as they were.
    if (s.writer.checkCaptureFolder(s.profile.files, *s.messages, *s.strings, main) != 0) return;
    if (!s.profile.files.autoNameFiles &&
        s.writer.confirmReplaceCaptureFile(s.profile.files, *s.messages, *s.strings, main) != 0)
        return;
    resetView(s);
    freeLoadedData(s);
    s.captureLossTold = false;
    s.connectAbandoned = false;
    showStatusText(s, IDS_STATE_STARTING);
    setRunControls(s, true);
    const bool fileCreated = s.writer.openCaptureFile(s.profile.files, localNow()) == 0;
    if (!fileCreated)
        warn(s, main, "Not open file & Connection failed.", kProgramCaption);
    else if (s.viewWindow)
        SendMessageA(s.viewWindow, WM_COMMAND, command, reinterpret_cast<LPARAM>(&s));
    if (s.isOpen.load()) {
        showStatusText(s, IDS_STATE_RUNNING);
        // The count and the extents (now the whole grid) are shown at once;
        // later refreshes follow the data.  The count is noted before it is
        // shown, so that a byte counted in between is shown by the next.
        s.shownByteCount = s.byteCount.load();
        showByteCount(s);
        refreshViewExtents(s);
        SetTimer(main, TIMER_REFRESH, TIMER_REFRESH_MS, nullptr);
        return;
    }
    // A connect that the user gave up needs no message.
    if (!s.connectAbandoned) warn(s, main, "Not open COM.", kProgramCaption);
    if (fileCreated) DeleteFileA(s.writer.captureFilePath());
    setRunControls(s, false);
    showStatusText(s, IDS_STATE_IDLE);
}

void openCaptureLink(CaptureState& s) {
    HWND view = s.viewWindow;
    int opened = s.linkKind == 0 ? openSerialCapture(s, view) : openLanCapture(s, view);
    if (opened) {
        showCaret(s);
        showByteCount(s);
        return;
    }
    removeCaret(s);
    s.writer.closeCaptureFile();
    s.stateFlags.fetch_or(FLAG_HAVE_FILE);
}

void stopCapture(CaptureState& s, WPARAM command) {
    if (s.linkOpening) {
        s.connectAbandoned = true;  // the start then ends as a failed one
        return;
    }
    if (!s.isOpen.load()) return;
    showStatusText(s, IDS_STATE_STOPPING);
    if (s.viewWindow) SendMessageA(s.viewWindow, WM_COMMAND, command, reinterpret_cast<LPARAM>(&s));
    setRunControls(s, false);
    showStatusText(s, IDS_STATE_IDLE);
    KillTimer(s.mainWindow, TIMER_REFRESH);
    showByteCount(s);
}

void closeCaptureLink(CaptureState& s) {
    HWND view = s.viewWindow;
    if (s.linkKind == 0)
        closeSerialCapture(s, view);
    else
        closeLanCapture(s, view);
    removeCaret(s);
    if (s.writer.closeCaptureFile() < 0) tellCloseFailed(s, view);
    s.stateFlags.fetch_or(FLAG_HAVE_FILE);
}

void refreshRunDisplay(CaptureState& s) {
    // A quiet line changes nothing on screen, so nothing is drawn: the
    // cells that did change were repainted as they came.
    const std::uint32_t count = s.byteCount.load();
    if (count == s.shownByteCount) return;
    s.shownByteCount = count;
    showByteCount(s);
    refreshViewExtents(s);
}

void reportCaptureWriteFailed(CaptureState& s) { tellCaptureLoss(s, s.mainWindow, MB_ICONWARNING); }

void endSession(CaptureState& s) {
    static NobodyThere nobody;
    s.messages = &nobody;
    if (s.linkOpening) {
        s.connectAbandoned = true;  // nothing runs yet: no file to complete
        return;
    }
    if (s.stateFlags.load() & FLAG_SENDING)
        endSend(s);
    else
        stopCapture(s, CMD_STOP);
}

void handleLinkError(CaptureState& s, WPARAM kind) {
    switch (LOWORD(kind)) {
    case LINK_ERROR_RECEIVE:
        // Stop first: the file is closed and complete before the message
        // waits for the user, who may well end the program from there.
        SendMessageA(s.mainWindow, WM_COMMAND, CMD_STOP, 0);
        warn(s, s.mainWindow, "Failed to receive data.", "Error");
        break;
    case LINK_ERROR_SEND: {
        std::string text = s.strings->load(IDS_SEND_FAILED, 1023);
        warn(s, s.mainWindow, text.c_str(), "Error");
        break;
    }
    default: break;
    }
}

void requestClose(CaptureState& s) {
    if (s.linkOpening) {
        // The start under way is given up first; the question comes after.
        s.connectAbandoned = true;
        s.closeWhenOpened = true;
        return;
    }
    std::string caption = s.strings->load(IDS_QUESTION_CAPTION, 31);
    const bool running = s.isOpen.load() != 0;
    std::string text = s.strings->load(running ? IDS_CLOSE_RUNNING : IDS_CLOSE_IDLE, 1023);
    if (s.messages->show(s.mainWindow, text.c_str(), caption.c_str(), MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    if (s.isOpen.load()) endWhatRuns(s, s.mainWindow);
    DestroyWindow(s.mainWindow);
}

void releaseResources(CaptureState& s) {
    if (s.isOpen.load()) endWhatRuns(s, nullptr);
    KillTimer(s.mainWindow, TIMER_REFRESH);
    closeRunEvents(s);
    if (s.viewFont) DeleteObject(s.viewFont);
    s.viewFont = nullptr;
    WSACleanup();
    freeLoadedData(s);
}

}  // namespace orv
