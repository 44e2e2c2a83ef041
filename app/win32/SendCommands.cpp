#include "app/win32/SendCommands.h"

#include <memory>

#include "app/win32/RunDisplay.h"
#include "base/Text.h"
#include "capture/win32/FileViews.h"
#include "link/win32/LinkDriver.h"
#include "view/win32/ViewWindow.h"

namespace orv {

int closeSend(CaptureState& s) { return linkDriver(s).closeSend(s, s.mainWindow); }

void sendFileToDevice(CaptureState& s, SendObserver* observer) {
    if (linkBusy(s) || s.linkOpening) return;
    s.connectAbandoned = false;
    HWND main = s.mainWindow;
    setSendControls(s);
    char path[kPathSize];
    copyCut(path, s.writer.captureFilePath());
    if (chooseOpenFile(s, main, path)) {
        std::unique_ptr<std::uint8_t[]> block;
        std::uint32_t size = 0;
        if (readWholeFile(s, main, path, block, size)) {
            showStatusText(s, IDS_STATE_STARTING);
            if (linkDriver(s).openSend(s, main, block.get(), size, observer)) {
                showStatusText(s, IDS_STATE_RUNNING);
                return;
            }
        }
        // A connect that the user gave up needs no message.
        if (!s.connectAbandoned) tellUser(s, main, IDS_FAILURE_CAPTION, IDS_SEND_FAILED, MB_ICONWARNING);
    }
    setRunControls(s, false);
    showStatusText(s, IDS_STATE_IDLE);
}

void cancelSend(CaptureState& s) {
    if (s.linkOpening) {
        s.connectAbandoned = true;  // the send has not started: nothing to ask
        return;
    }
    if (!(s.stateFlags.load() & FLAG_SENDING)) return;
    // A send whose data is already out only needs its end; nothing to ask.
    if (WaitForSingleObject(s.sendDoneEvent, 0) != WAIT_OBJECT_0 &&
        tellUser(s, s.mainWindow, IDS_QUESTION_CAPTION, IDS_CANCEL_SEND, MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    // The send may have ended while the question was open; endSend acts
    // only while it has not been closed yet.
    endSend(s);
}

void endSend(CaptureState& s) {
    if (!(s.stateFlags.load() & FLAG_SENDING)) return;
    closeSend(s);
    removeCaret(s);
    setRunControls(s, false);
    showStatusText(s, IDS_STATE_IDLE);
}

void finishSend(CaptureState& s) {
    if (!(s.stateFlags.load() & FLAG_SENDING)) return;
    // sendDoneEvent is reset by every close and open: when it is clear,
    // the message belongs to a send that has been closed already.
    if (WaitForSingleObject(s.sendDoneEvent, 0) != WAIT_OBJECT_0) return;
    endSend(s);
}

}  // namespace orv
