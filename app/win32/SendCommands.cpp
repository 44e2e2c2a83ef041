#include "app/win32/SendCommands.h"

#include <memory>
#include <new>
#include <vector>

#include "app/win32/FileViews.h"
#include "app/win32/LinkWorker.h"
#include "app/win32/RunDisplay.h"
#include "base/Text.h"
#include "view/win32/ViewWindow.h"

namespace orv {
namespace {

bool startSend(CaptureState& s, HWND main, SendProgress* progress) {
    char path[kPathSize];
    copyCut(path, s.writer.captureFilePath());
    if (!chooseOpenFile(s, main, path)) return true;  // nothing to tell
    // The file is held once: read here, then handed to the worker.
    std::vector<std::uint8_t> data;
    if (!readWholeFile(s, main, path, data)) return false;
    LinkPlan plan;
    if (!planLink(s, main, plan)) return false;
    showStatusText(s, IDS_STATE_STARTING);
    try {
        s.worker.reset(new LinkWorker(s, plan));
        setRunState(s, RunState::Sending);
        s.stateFlags.fetch_or(FLAG_SENDING);
        if (s.worker->startSend(std::move(data), progress)) return true;
    } catch (const std::bad_alloc&) {
        s.messages->show(main, "Not enough memory.", "", box::kOk | box::kIconWarning);
    }
    closeSend(s);
    return false;
}

}  // namespace

int closeSend(CaptureState& s) {
    if (s.runState != RunState::Sending) return 0;
    if (s.worker) s.worker->stop();
    s.worker.reset();
    setRunState(s, RunState::Idle);
    s.stateFlags.fetch_and(~static_cast<std::uint32_t>(FLAG_SENDING));
    return 1;
}

void sendFileToDevice(CaptureState& s, SendProgress* progress) {
    if (linkOpen(s)) return;
    HWND main = s.mainWindow;
    setSendControls(s);
    if (!startSend(s, main, progress)) tellUser(s, main, IDS_FAILURE_CAPTION, IDS_SEND_FAILED, MB_ICONWARNING);
    if (s.runState == RunState::Sending) return;
    setRunControls(s, false);
    showStatusText(s, IDS_STATE_IDLE);
}

void cancelSend(CaptureState& s) {
    if (s.runState != RunState::Sending) return;
    // A send that has ended already only needs its end; nothing to ask.
    if (!s.worker->finished() &&
        tellUser(s, s.mainWindow, IDS_QUESTION_CAPTION, IDS_CANCEL_SEND, MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    // The send may have ended while the question was open; endSend acts
    // only while it has not been ended yet.
    endSend(s);
}

void endSend(CaptureState& s) {
    if (!closeSend(s)) return;
    removeCaret(s.view);
    setRunControls(s, false);
    showStatusText(s, IDS_STATE_IDLE);
}

void finishSend(CaptureState& s, LPARAM id) {
    if (!fromWorker(s, id) || s.runState != RunState::Sending) return;
    const SendResult result = s.worker->sendResult();
    const bool lan = s.worker->isLan();
    endSend(s);
    if (result.stage == SendResult::Stage::Open && result.error.kind != LinkFailure::Stopped) {
        tellLinkFailure(s, s.mainWindow, result.error, lan);
        tellUser(s, s.mainWindow, IDS_FAILURE_CAPTION, IDS_SEND_FAILED, MB_ICONWARNING);
    }
}

}  // namespace orv
