#include "app/win32/RunControl.h"

#include <winsock2.h>

#include <string>

#include "app/win32/RunDisplay.h"
#include "app/win32/SendCommands.h"
#include "link/win32/LinkDriver.h"
#include "view/win32/ViewWindow.h"

namespace orv {
namespace {

constexpr const char* kProgramCaption = "Kelmora Orvantide";

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
    tellUser(s, owner, IDS_FAILURE_CAPTION, IDS_CLOSE_FAILED, type);
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
    linkDriver(s).closeCapture(s, s.viewWindow);
    removeCaret(s);
    if (s.writer.closeCaptureFile() < 0) tellCloseFailed(s, owner);
}

}  // namespace

void startCapture(CaptureState& s, WPARAM command) {
    if (linkOpen(s) || s.linkOpening) return;
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
    if (linkOpen(s)) {
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
    if (linkDriver(s).openCapture(s, view)) {
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
    if (!linkOpen(s)) return;
    showStatusText(s, IDS_STATE_STOPPING);
    if (s.viewWindow) SendMessageA(s.viewWindow, WM_COMMAND, command, reinterpret_cast<LPARAM>(&s));
    setRunControls(s, false);
    showStatusText(s, IDS_STATE_IDLE);
    KillTimer(s.mainWindow, TIMER_REFRESH);
    showByteCount(s);
}

void closeCaptureLink(CaptureState& s) {
    HWND view = s.viewWindow;
    linkDriver(s).closeCapture(s, view);
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
    const unsigned question = linkOpen(s) ? IDS_CLOSE_RUNNING : IDS_CLOSE_IDLE;
    if (tellUser(s, s.mainWindow, IDS_QUESTION_CAPTION, question, MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;
    if (linkOpen(s)) endWhatRuns(s, s.mainWindow);
    DestroyWindow(s.mainWindow);
}

void releaseResources(CaptureState& s) {
    if (linkOpen(s)) endWhatRuns(s, nullptr);
    KillTimer(s.mainWindow, TIMER_REFRESH);
    closeRunEvents(s);
    s.viewFont.reset();
    WSACleanup();
    freeLoadedData(s);
}

}  // namespace orv
