// The view window: draws the text grid or the hex-dump text, scrolls in
// pixels, and shows a caret at the grid cursor while a run is active.
#pragma once
#include <windows.h>

#include "app/win32/CaptureState.h"
#include "view/TextGrid.h"

namespace orv {

// What the view does with CMD_START and CMD_STOP: open the run's link, and
// close it with the capture file.  Its creator hands them over.
struct ViewRunHalves {
    void (*openLink)(CaptureState& state);
    void (*closeLink)(CaptureState& state);
};

ATOM registerViewClass(HINSTANCE instance);
// Creates the view between the main window's toolbar and status bar; the
// handle goes to state.viewWindow.  None on failure.  run must outlive it.
HWND createViewWindow(CaptureState& state, HINSTANCE instance, int showCommand, HWND mainWindow,
                      const ViewRunHalves& run);
// (Re)creates the view font from viewLogFont, measures its cell, and sends
// window a WM_SIZE with its client size.
bool createViewFont(CaptureState& state, HWND window);
// Back to an empty text view: grid, positions, byteCount 0, " " in status
// part 1, and the font made again.
void resetView(CaptureState& state);
// Frees loadedData and sets viewMode back to VIEW_TEXT: the hex text must
// not outlive its mode.
void freeLoadedData(CaptureState& state);
// Asks view to repaint the cells, from any thread: InvalidateRect only
// queues the paint.
void repaintViewCells(const CaptureState& state, HWND view, const CellRect& cells);
// Sends the view a WM_SIZE with its client size, so its extents follow.
void refreshViewExtents(CaptureState& state);

// The caret while a run is active: made on focus or when a link opens,
// removed when the run has ended.
void showCaret(CaptureState& state);
void placeCaret(CaptureState& state);
void removeCaret(CaptureState& state);

LRESULT CALLBACK viewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace orv
