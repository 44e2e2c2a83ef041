// The Win32 ends of the chunk hand-off: repaints of changed cells in the
// view window, answers posted to the query dialog, and the capture-file
// failure posted to the main window.  Nothing here waits for the
// user-interface thread: a receive thread only posts and invalidates.
#pragma once
#include <windows.h>

#include "app/win32/CaptureState.h"
#include "link/ChunkHandoff.h"

namespace orv {

// Asks an open query dialog to end because the link failed.
void endQueryDialog(CaptureState& state);
// The capture link broke (the peer closed, a receive failed, the port is
// gone): ends the query dialog and asks the main window to stop the run
// with "Failed to receive data.".  Once per run, from any thread.
void reportLinkFailure(CaptureState& state);

class ReceivePath final : private RepaintSink, private HandoffObserver, private ReplySink {
public:
    explicit ReceivePath(CaptureState& state)
        : state_(state), handoff_(state.byteCount, state.writer, state.view, state.replyParser, *this, *this) {}
    ChunkHandoff& handoff() { return handoff_; }

private:
    void repaintCells(const CellRect& cells) override;
    ReplySink* openQueryDialog() override;
    void captureWriteFailed(std::int32_t failure) override;
    void showReplyText(int controlId, const char* text) override;

    CaptureState& state_;
    HWND dialog_ = nullptr;
    ChunkHandoff handoff_;
};

// Puts the capture file on the disk when that is due, and returns how long
// a receive thread may wait before it is due next (INFINITE when nothing
// waits).  Called by the receive threads after deliveries and on waking.
inline DWORD keepCaptureDurable(ChunkHandoff& handoff) {
    static_assert(kNothingToFlush == INFINITE, "nothing to flush is a wait without limit");
    return handoff.keepDurable(GetTickCount64());
}

}  // namespace orv
