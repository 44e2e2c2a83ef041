#include "link/win32/ReceivePath.h"

#include <process.h>

#include <cstring>

namespace orv {

LPARAM packReplyText(const char* text) {
    std::uint32_t packed = 0;
    for (int i = 0; i < 4 && text[i]; ++i) packed |= std::uint32_t(std::uint8_t(text[i])) << (8 * i);
    return static_cast<LPARAM>(packed);
}

void unpackReplyText(LPARAM packed, char (&text)[5]) {
    std::uint32_t bits = static_cast<std::uint32_t>(packed);
    for (int i = 0; i < 4; ++i) text[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    text[4] = '\0';
}

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
    RECT r{cells.firstColumn * width - x, cells.firstRow * height - y,
           (cells.lastColumn + 1) * width - x, (cells.lastRow + 1) * height - y};
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
    PostMessageA(dialog_, UM_QUERY_REPLY, static_cast<WPARAM>(controlId), packReplyText(text));
}

bool startLinkThread(CaptureState& state, unsigned(__stdcall* procedure)(void*)) {
    unsigned id = 0;
    auto handle = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, procedure, &state, 0, &id));
    if (!handle) return false;
    state.threadHandle.store(handle);
    state.threadId.store(id);
    return true;
}

void joinLinkThread(CaptureState& state) {
    // The closer owns the handle: it stays valid while it is waited on and
    // is closed here, once.
    HANDLE thread = state.threadHandle.exchange(nullptr);
    if (thread) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    state.threadId.store(0);
}

}  // namespace orv
