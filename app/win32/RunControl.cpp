#include "app/win32/RunControl.h"

#include <string>

#include "app/win32/DocumentCommands.h"
#include "app/win32/LinkWorker.h"
#include "app/win32/RunDisplay.h"
#include "app/win32/SendCommands.h"
#include "app/win32/ViewCommands.h"
#include "view/win32/ViewWindow.h"

namespace orv {
namespace {

constexpr const char* kProgramCaption = "Kelmora Orvantide";

void warn(CaptureState& s, HWND owner, const char* text, const char* caption) {
    s.messages->show(owner, text, caption, MB_ICONWARNING);
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

void becomeIdle(CaptureState& s) {
    setRunState(s, RunState::Idle);
    removeCaret(s.view);
    setRunControls(s, false);
    showStatusText(s, IDS_STATE_IDLE);
    // A close asked for while a start was under way comes now.
    if (s.closeWhenIdle) {
        s.closeWhenIdle = false;
        PostMessageA(s.mainWindow, WM_CLOSE, 0, 0);
    }
}

// A start that ended before its run began: the link's own message where it
// has one, then "Not open COM.", and the file this start made goes.
void failStart(CaptureState& s, const LinkError* error, bool lan) {
    const bool givenUp = error && error->kind == LinkFailure::Stopped;
    if (error && !givenUp) tellLinkFailure(s, s.mainWindow, *error, lan);
    if (!givenUp) warn(s, s.mainWindow, "Not open COM.", kProgramCaption);
    s.writer.discardCaptureFile();
    s.stateFlags.fetch_or(FLAG_HAVE_FILE);
    becomeIdle(s);
}

// Ends the capture's worker and closes its file, as far as it goes; a
// file closed complete gets its PDF when the settings ask for one.
void endCapture(CaptureState& s, HWND owner) {
    if (s.worker) s.worker->stop();
    s.worker.reset();
    const bool hadFile = s.writer.hasFile();
    if (s.writer.closeCaptureFile() != 0)
        tellCloseFailed(s, owner);
    else if (hadFile)
        queueCaptureDocuments(s);
    s.stateFlags.fetch_or(FLAG_HAVE_FILE);
}

// Ends what runs (a send or a capture, started or not); shared by the
// close request and the window's destruction.  A capture file that could
// not be completed is still told: the program is closing, but the user
// must know the file is short.
void endWhatRuns(CaptureState& s, HWND owner) {
    switch (s.runState) {
    case RunState::Sending: closeSend(s); break;
    case RunState::Starting:
        if (s.worker) s.worker->stop();
        s.worker.reset();
        s.writer.discardCaptureFile();
        break;
    case RunState::Capturing:
    case RunState::Stopping: endCapture(s, owner); break;
    case RunState::Idle: return;
    }
    setRunState(s, RunState::Idle);
    removeCaret(s.view);
}

}  // namespace

void startCapture(CaptureState& s, WPARAM command) {
    if (linkOpen(s)) return;
    HWND main = s.mainWindow;
    // Both questions come before anything changes: a refusal leaves the
    // view and any loaded data as they were.
    if (s.writer.checkCaptureFolder(s.profile.files, *s.messages, *s.strings, main) != 0) return;
    if (!s.profile.files.autoNameFiles &&
        s.writer.confirmReplaceCaptureFile(s.profile.files, *s.messages, *s.strings, main) != 0)
        return;
    leavePages(s);
    clearView(s);
    freeLoadedData(s.view);
    s.captureLossTold = false;
    showStatusText(s, IDS_STATE_STARTING);
    setRunState(s, RunState::Starting);
    setRunControls(s, true);
    if (s.writer.openCaptureFile(s.profile.files, localTimeNow()) != 0) {
        warn(s, main, "Not open file & Connection failed.", kProgramCaption);
        warn(s, main, "Not open COM.", kProgramCaption);
        becomeIdle(s);
        return;
    }
    if (s.view.window) SendMessageA(s.view.window, WM_COMMAND, command, reinterpret_cast<LPARAM>(&s));
}

void openCaptureLink(CaptureState& s) {
    LinkPlan plan;
    if (!planLink(s, s.mainWindow, plan)) return failStart(s, nullptr, true);
    s.worker.reset(new LinkWorker(s, plan));
    if (!s.worker->startCapture()) {
        s.worker.reset();
        failStart(s, nullptr, plan.lan);
    }
    // The run begins when the worker tells that its link is open.
}

void linkOpened(CaptureState& s, LPARAM id) {
    if (!fromWorker(s, id)) return;
    if (s.runState == RunState::Sending) {
        showStatusText(s, IDS_STATE_RUNNING);
        return;
    }
    if (s.runState != RunState::Starting) return;
    // The file replaces the one the user agreed to replace only now.
    if (s.writer.captureStarted() != 0) {
        s.worker->stop();
        s.worker.reset();
        warn(s, s.mainWindow, "Not open file & Connection failed.", kProgramCaption);
        failStart(s, nullptr, false);
        return;
    }
    setRunState(s, RunState::Capturing);
    showStatusText(s, IDS_STATE_RUNNING);
    showCaret(s.view);
    // The count and the extents (now the whole grid) are shown at once;
    // later refreshes follow the data.  The count is noted before it is
    // shown, so that a byte counted in between is shown by the next.
    s.shownByteCount = s.byteCount.load();
    showByteCount(s);
    refreshViewExtents(s.view);
    SetTimer(s.mainWindow, TIMER_REFRESH, TIMER_REFRESH_MS, nullptr);
}

void linkOpenFailed(CaptureState& s, LPARAM id) {
    if (!fromWorker(s, id) || s.runState != RunState::Starting) return;
    s.worker->stop();
    const LinkError error = s.worker->openError();
    const bool lan = s.worker->isLan();
    s.worker.reset();
    failStart(s, &error, lan);
}

void stopCapture(CaptureState& s, WPARAM command) {
    if (s.runState == RunState::Starting) {
        // The start then ends as a failed one, told by the worker.
        if (s.worker) s.worker->requestStop();
        return;
    }
    if (s.runState != RunState::Capturing) return;
    showStatusText(s, IDS_STATE_STOPPING);
    setRunState(s, RunState::Stopping);
    if (s.view.window) SendMessageA(s.view.window, WM_COMMAND, command, reinterpret_cast<LPARAM>(&s));
    setRunState(s, RunState::Idle);
    removeCaret(s.view);
    setRunControls(s, false);
    showStatusText(s, IDS_STATE_IDLE);
    KillTimer(s.mainWindow, TIMER_REFRESH);
    showByteCount(s);
}

void closeCaptureLink(CaptureState& s) { endCapture(s, s.view.window); }

void refreshRunDisplay(CaptureState& s) {
    // A quiet line changes nothing on screen, so nothing is drawn: the
    // cells that did change were repainted as they came.
    const std::uint32_t count = s.byteCount.load();
    if (count == s.shownByteCount) return;
    s.shownByteCount = count;
    showByteCount(s);
    refreshViewExtents(s.view);
}

void reportCaptureWriteFailed(CaptureState& s, LPARAM id) {
    if (fromWorker(s, id)) tellCaptureLoss(s, s.mainWindow, MB_ICONWARNING);
}

void endSession(CaptureState& s) {
    static NobodyThere nobody;
    s.messages = &nobody;
    switch (s.runState) {
    case RunState::Starting:
        endWhatRuns(s, nullptr);
        becomeIdle(s);
        break;
    case RunState::Sending: endSend(s); break;
    default: stopCapture(s, CMD_STOP); break;
    }
}

void handleLinkError(CaptureState& s, WPARAM kind, LPARAM id) {
    if (!fromWorker(s, id)) return;
    switch (LOWORD(kind)) {
    case LINK_ERROR_RECEIVE:
        if (s.runState == RunState::Starting) {
            // The worker failed before its link opened.
            s.worker->stop();
            s.worker.reset();
            failStart(s, nullptr, false);
            return;
        }
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
    if (s.runState == RunState::Starting) {
        // The start under way is given up first; the question comes after.
        s.closeWhenIdle = true;
        if (s.worker) s.worker->requestStop();
        return;
    }
    const unsigned question = linkOpen(s) ? IDS_CLOSE_RUNNING : IDS_CLOSE_IDLE;
    if (tellUser(s, s.mainWindow, IDS_QUESTION_CAPTION, question, MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;
    endWhatRuns(s, s.mainWindow);
    DestroyWindow(s.mainWindow);
}

void releaseResources(CaptureState& s) {
    endWhatRuns(s, nullptr);
    finishCaptureDocuments(s);
    KillTimer(s.mainWindow, TIMER_REFRESH);
    s.view.font.reset();
    freeLoadedData(s.view);
}

}  // namespace orv
