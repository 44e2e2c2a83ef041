#include "link/win32/ReceivePath.h"

namespace orv {

void endQueryDialog(CaptureState& state) {
    if (HWND dialog = state.queryDialog.load()) PostMessageA(dialog, UM_END_QUERY, 0, 0);
}

void reportLinkFailure(CaptureState& state) {
    if (state.linkFailed.exchange(true)) return;
    endQueryDialog(state);
    PostMessageA(state.mainWindow, UM_LINK_ERROR, LINK_ERROR_RECEIVE, 0);
}

void ReceivePath::repaintCells(const CellRect& cells) {
    HWND view = state_.viewWindow;
    int width = state_.charWidth.load(std::memory_order_relaxed);
    int height = state_.lineHeight.load(std::memory_order_relaxed);
    if (!view || width <= 0 || height <= 0) return;
    int x = state_.scrollX.load(std::memory_order_relaxed);
    int y = state_.scrollY.load(std::memory_order_relaxed);
    RECT r{cells.firstColumn * width - x, cells.firstRow * height - y, (cells.lastColumn + 1) * width - x,
           (cells.lastRow + 1) * height - y};
    InvalidateRect(view, &r, FALSE);
}

ReplySink* ReceivePath::openQueryDialog() {
    dialog_ = state_.queryDialog.load();
    return dialog_ ? this : nullptr;
}

void ReceivePath::captureWriteFailed(std::int32_t failure) {
    PostMessageA(state_.mainWindow, UM_CAPTURE_WRITE_FAILED, static_cast<WPARAM>(failure), 0);
}

void ReceivePath::showReplyText(int controlId, const char* text) {
    // Posted, not set: the dialog belongs to the user-interface thread,
    // which may be waiting for this thread to end.
    PostMessageA(dialog_, UM_QUERY_REPLY, static_cast<WPARAM>(controlId), static_cast<LPARAM>(packReplyText(text)));
}

}  // namespace orv
