// The page view: a job as the printer put it on paper, white sheets one
// under the other on a grey surround, painted by the same painter that
// prints them (print/win32/PagePainter.h).  It starts fitted to the
// window's width; Page Down / Page Up / Home / End move by page, the
// arrows and the wheel scroll, Ctrl with the wheel or with plus and minus
// zooms and Ctrl+0 fits the width again.  The pages come from a PageFeed,
// made on its thread as the view needs them.
//
// The window tells its parent UM_PAGES_CHANGED (posted) whenever what
// pagePosition() says has changed: the page at the view's middle, the
// count, a failure.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <memory>

#include "print/win32/PagePainter.h"
#include "view/PageFeed.h"

namespace orv {

// What the page view shows and how it stands.  Its owner (the run
// record) keeps it; the window works on nothing else.  The user-interface
// thread's, but for newsPosted, which the feed's thread sets.
struct PageViewState {
    HWND window = nullptr;
    std::unique_ptr<PageFeed> feed;  // the job shown; none while hidden
    print::PagePainter painter;
    // 1 is the page's real size; fitWidth: the zoom follows the window's
    // width, until the user zooms.
    double zoom = 1;
    bool fitWidth = true;
    int scrollX = 0, scrollY = 0;  // pixels from the top-left of all pages
    int clientWidth = 0, clientHeight = 0;
    int dpiX = 96, dpiY = 96;  // the screen's pixels per inch
    // End was pressed while the pages were still being counted: the view
    // stays on the last page as the count grows.
    bool followEnd = false;
    PageFeed::Status status;  // as last laid out
    std::atomic<bool> newsPosted{false};
};

// Where the view stands, for the status bar.
struct PagePosition {
    bool shown = false;
    std::size_t page = 0;   // the page at the view's middle, from 0
    std::size_t pages = 0;  // counted so far
    bool counted = false;   // all of them
    bool made = false;      // the first page is there
    RenderOutcome outcome;  // a failure: nothing is shown
};

// Zoom limits and steps; pixels around and between the sheets, and what
// an arrow key or a wheel step scrolls.
constexpr double kLeastZoom = 0.1, kMostZoom = 8, kZoomStep = 1.25, kWheelZoomStep = 1.1;
constexpr int kPageGap = 12, kPageLine = 40;

ATOM registerPageViewClass(HINSTANCE instance);
// Creates the view, hidden, as a child of parent over area; the handle
// also goes to view.window.  None on failure.  view must outlive it.
HWND createPageView(PageViewState& view, HINSTANCE instance, HWND parent, const RECT& area);
// Shows the job that load reads, rendered with options, from its first
// page, fitted to the width, and gives the view the focus.  False (and
// nothing shown) when no thread could be had for it.
bool showPages(PageViewState& view, PageFeed::Load load, const render::RenderOptions& options);
// Hides the view and ends its feed.
void closePages(PageViewState& view);
bool pagesShown(const PageViewState& view);
PagePosition pagePosition(const PageViewState& view);

// What the keys and the wheel do, for a caller that has them.
void goToPage(PageViewState& view, std::size_t page);
void zoomPages(PageViewState& view, double factor);
void fitPagesToWidth(PageViewState& view);

LRESULT CALLBACK pageViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace orv
