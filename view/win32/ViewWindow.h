// The view window: draws the text grid or the hex-dump text, scrolls in
// pixels, and shows a caret at the grid cursor while a run is active.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "base/Ids.h"
#include "base/win32/Owned.h"
#include "view/TextGrid.h"
#include "view/ViewBuffer.h"

namespace orv {

// What the view shows and how it stands: the grid or the loaded text, the
// font and its cell, the scroll positions, the caret.  Its owner (the run
// record) keeps it; the view window works on nothing else.
//
// While a run is live the capture thread writes the grid and reads the
// scroll positions and the cell size (atomics) to turn changed cells into
// pixels; everything else is the user-interface thread's.
struct ViewState {
    ViewBuffer grid{};
    std::int32_t mode = VIEW_TEXT;
    std::unique_ptr<std::uint8_t[]> loadedData;  // the hex text or the filtered bytes
    std::uint32_t loadedSize = 0;
    // A run may write to the grid: the extents are the whole grid, and the
    // caret shows at the cursor.  Set by the owner as its runs start and end.
    bool live = false;
    HWND window = nullptr;
    GdiObject<HFONT> font;
    LOGFONTA logFont{};
    std::int32_t clientWidth = 0, clientHeight = 0;
    std::atomic<std::int32_t> scrollX{0}, scrollY{0};
    std::int32_t maxScrollX = 0, maxScrollY = 0;
    std::atomic<std::int32_t> charWidth{0}, lineHeight{0};
    std::int16_t caretShown = 0;
};

// What the view does with CMD_START and CMD_STOP: open the run's link, and
// close it with the capture file.  Its creator hands them over.
struct ViewRunHalves {
    std::function<void()> openLink;
    std::function<void()> closeLink;
};

ATOM registerViewClass(HINSTANCE instance);
// Creates the view as a child of parent over area; the handle also goes to
// view.window.  None on failure.  view and run must outlive it.
HWND createViewWindow(ViewState& view, HINSTANCE instance, int showCommand, HWND parent, const RECT& area,
                      const ViewRunHalves& run);
// (Re)creates the view font from logFont, measures its cell, and sends
// window a WM_SIZE with its client size.
bool createViewFont(ViewState& view, HWND window);
// Back to an empty text view: grid, positions, and the font made again.
void resetView(ViewState& view);
// Frees loadedData and sets mode back to VIEW_TEXT: the hex text must not
// outlive its mode.
void freeLoadedData(ViewState& view);
// Asks the view to repaint the cells, from any thread: InvalidateRect only
// queues the paint.
void repaintViewCells(const ViewState& view, const CellRect& cells);
// Sends the view a WM_SIZE with its client size, so its extents follow.
void refreshViewExtents(ViewState& view);

// The caret while a run is live: made on focus or when a link opens,
// removed when the run has ended.
void showCaret(ViewState& view);
void placeCaret(ViewState& view);
void removeCaret(ViewState& view);

LRESULT CALLBACK viewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace orv
