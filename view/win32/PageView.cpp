#include "view/win32/PageView.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "base/Ids.h"
#include "base/win32/Scoped.h"
#include "base/win32/WindowRecord.h"

namespace orv {
namespace {

const char kClassName[] = "OrvantidePages";
const COLORREF kSurround = RGB(128, 128, 128), kShadow = RGB(64, 64, 64);
constexpr int kGap = kPageGap, kLine = kPageLine;
// Positions stay where scroll bars can take them, whatever the job.
constexpr std::int64_t kMostPixels = INT_MAX / 2;

// The sheets' places at the view's zoom, in pixels of all the pages laid
// out one under the other; empty until the first page's size is known.
struct Layout {
    int width = 0, height = 0;   // one sheet
    std::int64_t allHeight = 0;  // every sheet counted so far, with the gaps
    int allWidth = 0;
    bool empty() const { return width <= 0 || height <= 0; }
    std::int64_t top(std::size_t page) const { return kGap + std::int64_t(page) * (height + kGap); }
};

Layout layoutOf(const PageViewState& v) {
    Layout l;
    if (v.status.width <= 0 || v.status.height <= 0) return l;
    // Whole pixels, never more than the zoom makes: a sheet fitted to the
    // width must not need a scroll bar across.
    l.width = std::max(1, int(std::floor(v.status.width * v.zoom * v.dpiX / 72 + 1e-6)));
    l.height = std::max(1, int(std::floor(v.status.height * v.zoom * v.dpiY / 72 + 1e-6)));
    l.allHeight = std::min(kMostPixels, kGap + std::int64_t(v.status.pages) * (l.height + kGap));
    l.allWidth = l.width + 2 * kGap;
    return l;
}

int maxScrollY(const PageViewState& v, const Layout& l) {
    return int(std::max<std::int64_t>(0, l.allHeight - v.clientHeight));
}
int maxScrollX(const PageViewState& v, const Layout& l) { return std::max(0, l.allWidth - v.clientWidth); }

// The sheet's left edge in the window: centred when it is narrower.
int sheetLeft(const PageViewState& v, const Layout& l) {
    return (l.allWidth < v.clientWidth ? (v.clientWidth - l.allWidth) / 2 : -v.scrollX) + kGap;
}

// The page at a point of the laid-out pages (a gap counts to the page
// below it), within the pages counted.
std::size_t pageAt(const PageViewState& v, const Layout& l, std::int64_t y) {
    if (l.empty() || v.status.pages == 0) return 0;
    const std::int64_t page = std::max<std::int64_t>(0, y - kGap / 2) / (l.height + kGap);
    return std::size_t(std::min<std::int64_t>(page, std::int64_t(v.status.pages) - 1));
}

std::size_t middlePage(const PageViewState& v, const Layout& l) {
    return pageAt(v, l, std::int64_t(v.scrollY) + v.clientHeight / 2);
}

void setBar(HWND window, int bar, int range, int page, int position, UINT extra) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | extra;
    info.nMin = 0;
    info.nMax = std::max(0, range - 1);
    info.nPage = UINT(std::max(0, page));
    info.nPos = position;
    SetScrollInfo(window, bar, &info, TRUE);
}

void tellParent(const PageViewState& v) {
    if (HWND parent = v.window ? GetParent(v.window) : nullptr) PostMessageA(parent, UM_PAGES_CHANGED, 0, 0);
}

// The pages the window shows, to the feed, which keeps those and their
// neighbours.  Before the first page's size is known: the first page.
void wantShown(const PageViewState& v, const Layout& l) {
    if (!v.feed) return;
    if (l.empty()) return v.feed->want(0, 0);
    const std::int64_t stride = l.height + kGap;
    const std::int64_t first = std::max<std::int64_t>(0, (std::int64_t(v.scrollY) - kGap) / stride);
    const std::int64_t last = std::max(first, (std::int64_t(v.scrollY) + v.clientHeight) / stride);
    v.feed->want(std::size_t(first), std::size_t(last));
}

// Scrolls to (x, y), kept inside the pages, and has everything follow.
void scrollTo(PageViewState& v, std::int64_t x, std::int64_t y) {
    const Layout l = layoutOf(v);
    const std::size_t before = middlePage(v, l);
    const int newX = int(std::clamp<std::int64_t>(x, 0, maxScrollX(v, l)));
    const int newY = int(std::clamp<std::int64_t>(y, 0, maxScrollY(v, l)));
    if (v.window && (newX != v.scrollX || newY != v.scrollY))
        ScrollWindowEx(v.window, v.scrollX - newX, v.scrollY - newY, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
    v.scrollX = newX;
    v.scrollY = newY;
    if (v.window) {
        // The vertical bar stays, greyed when there is nothing to scroll,
        // so that the width a sheet is fitted to stays too.  A bar that
        // comes or goes resizes the view, whose WM_SIZE (sent meanwhile)
        // lays everything out anew: nothing more to do here then.
        const int width = v.clientWidth, height = v.clientHeight;
        setBar(v.window, SB_VERT, int(l.allHeight), v.clientHeight, v.scrollY, SIF_DISABLENOSCROLL);
        if (v.clientWidth == width && v.clientHeight == height)
            setBar(v.window, SB_HORZ, l.allWidth, v.clientWidth, v.scrollX, 0);
        if (v.clientWidth != width || v.clientHeight != height) return;
    }
    wantShown(v, l);
    if (middlePage(v, l) != before) tellParent(v);
}

// The fitting zoom for the window's width.
double widthZoom(const PageViewState& v) {
    if (v.status.width <= 0 || v.clientWidth <= 2 * kGap) return v.zoom;
    return std::clamp((v.clientWidth - 2.0 * kGap) * 72 / (v.status.width * v.dpiX), kLeastZoom, kMostZoom);
}

// A new zoom, the point at the view's middle staying where it is.
void setZoom(PageViewState& v, double zoom) {
    zoom = std::clamp(zoom, kLeastZoom, kMostZoom);
    const Layout before = layoutOf(v);
    if (before.empty()) {
        v.zoom = zoom;
        return;
    }
    const std::int64_t middleY = std::int64_t(v.scrollY) + v.clientHeight / 2;
    const std::size_t page = pageAt(v, before, middleY);
    const double down = double(middleY - before.top(page)) / before.height;
    const double across =
        double(v.clientWidth / 2 - sheetLeft(v, before)) / before.width;  // of the sheet, from its left edge
    v.zoom = zoom;
    const Layout after = layoutOf(v);
    const std::int64_t y = after.top(page) + std::llround(down * after.height) - v.clientHeight / 2;
    const std::int64_t x = kGap + std::llround(across * after.width) - v.clientWidth / 2;
    if (v.window) InvalidateRect(v.window, nullptr, FALSE);
    scrollTo(v, x, y);
}

void resizePages(PageViewState& v, int width, int height) {
    v.clientWidth = width;
    v.clientHeight = height;
    if (v.fitWidth) {
        setZoom(v, widthZoom(v));
    } else {
        scrollTo(v, v.scrollX, v.scrollY);
    }
    if (v.window) InvalidateRect(v.window, nullptr, FALSE);
}

// The feed's news: the count, the first page's size, pages made.
void takeNews(PageViewState& v) {
    v.newsPosted = false;
    if (!v.feed) return;
    const PageFeed::Status was = v.status;
    v.status = v.feed->status();
    const bool sized = was.width <= 0 && v.status.width > 0;
    if (sized && v.fitWidth) v.zoom = widthZoom(v);
    if (v.followEnd) {
        const Layout l = layoutOf(v);
        v.followEnd = !v.status.counted;
        scrollTo(v, v.scrollX, v.status.pages ? l.top(v.status.pages - 1) - kGap : 0);
    } else {
        scrollTo(v, v.scrollX, v.scrollY);
    }
    if (v.window) InvalidateRect(v.window, nullptr, FALSE);
    if (sized || was.pages != v.status.pages || was.counted != v.status.counted ||
        was.outcome.failure != v.status.outcome.failure)
        tellParent(v);
}

void fillRect(HDC dc, const RECT& r, COLORREF colour) {
    if (r.left >= r.right || r.top >= r.bottom) return;
    GdiObject<HBRUSH> brush(CreateSolidBrush(colour));
    FillRect(dc, &r, brush.get());
}

// The sheets that meet area (window pixels) on dc, whose (0, 0) is the
// area's top-left corner.
void paintSheets(PageViewState& v, HDC dc, const RECT& area) {
    const RECT local{0, 0, area.right - area.left, area.bottom - area.top};
    fillRect(dc, local, kSurround);
    const Layout l = layoutOf(v);
    if (l.empty() || v.status.pages == 0 || !v.feed) return;
    const int left = sheetLeft(v, l) - area.left;
    const std::int64_t stride = l.height + kGap;
    const std::int64_t fromY = std::int64_t(v.scrollY) + area.top;
    const std::size_t first = std::size_t(std::max<std::int64_t>(0, (fromY - kGap) / stride));
    const render::Page sheet{v.status.width, v.status.height, {}, {}, {}};
    for (std::size_t page = first; page < v.status.pages; ++page) {
        const std::int64_t top = l.top(page) - v.scrollY - area.top;
        if (top >= local.bottom) break;
        fillRect(dc, RECT{left + 3, int(top) + 3, left + l.width + 3, int(top) + l.height + 3}, kShadow);
        const print::Placement at = print::screenPlacement(dc, left, double(top), v.zoom);
        print::PagePainter::paintSheet(dc, sheet, at, &local);
        if (const std::shared_ptr<const render::Page> made = v.feed->page(page)) v.painter.paint(dc, *made, at, &local);
    }
}

void paintPages(HWND window, PageViewState& v) {
    PaintDC paint(window);
    const RECT& area = paint.area();
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return;
    // Drawn aside and put on the screen at once: no flicker of the grey.
    CreatedDc memory(CreateCompatibleDC(paint.get()));
    GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(paint.get(), width, height));
    if (!memory || !bitmap) return paintSheets(v, paint.get(), RECT{0, 0, width, height});
    {
        Selection selected(memory.get(), bitmap.get());
        paintSheets(v, memory.get(), area);
        BitBlt(paint.get(), area.left, area.top, width, height, memory.get(), 0, 0, SRCCOPY);
    }
}

void scrollBar(HWND window, PageViewState& v, int bar, int code) {
    const bool vertical = bar == SB_VERT;
    const std::int64_t at = vertical ? v.scrollY : v.scrollX;
    const int page = std::max(kLine, (vertical ? v.clientHeight : v.clientWidth) - kLine);
    std::int64_t to = at;
    switch (code) {
    case SB_LINEUP: to = at - kLine; break;
    case SB_LINEDOWN: to = at + kLine; break;
    case SB_PAGEUP: to = at - page; break;
    case SB_PAGEDOWN: to = at + page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        GetScrollInfo(window, bar, &info);
        to = info.nTrackPos;
        break;
    }
    case SB_TOP: to = 0; break;
    case SB_BOTTOM: to = kMostPixels; break;
    default: return;
    }
    v.followEnd = false;
    vertical ? scrollTo(v, v.scrollX, to) : scrollTo(v, to, v.scrollY);
}

bool controlHeld() { return GetKeyState(VK_CONTROL) < 0; }

void pageKey(PageViewState& v, WPARAM key) {
    const Layout l = layoutOf(v);
    if (l.empty()) return;
    const std::size_t page = middlePage(v, l);
    const bool control = controlHeld();
    switch (key) {
    case VK_NEXT: return goToPage(v, page + 1);
    case VK_PRIOR:
        // Up to the top of the page first, when it is scrolled into.
        return goToPage(v, v.scrollY > l.top(page) - kGap || page == 0 ? page : page - 1);
    case VK_HOME: return goToPage(v, 0);
    case VK_END:
        goToPage(v, v.status.pages ? v.status.pages - 1 : 0);
        v.followEnd = !v.status.counted;
        return;
    case VK_UP: v.followEnd = false; return scrollTo(v, v.scrollX, std::int64_t(v.scrollY) - kLine);
    case VK_DOWN: v.followEnd = false; return scrollTo(v, v.scrollX, std::int64_t(v.scrollY) + kLine);
    case VK_LEFT: return scrollTo(v, std::int64_t(v.scrollX) - kLine, v.scrollY);
    case VK_RIGHT: return scrollTo(v, std::int64_t(v.scrollX) + kLine, v.scrollY);
    case VK_ADD:
    case VK_OEM_PLUS:
        if (control) zoomPages(v, kZoomStep);
        return;
    case VK_SUBTRACT:
    case VK_OEM_MINUS:
        if (control) zoomPages(v, 1 / kZoomStep);
        return;
    case '0':
    case VK_NUMPAD0:
        if (control) fitPagesToWidth(v);
        return;
    default: return;
    }
}

void wheel(PageViewState& v, WPARAM wParam) {
    const int notches = GET_WHEEL_DELTA_WPARAM(wParam);
    if (GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL) {
        zoomPages(v, std::pow(kWheelZoomStep, notches / double(WHEEL_DELTA)));
        return;
    }
    UINT lines = 3;
    SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    if (lines == WHEEL_PAGESCROLL) lines = UINT(std::max(1, v.clientHeight / kLine));
    v.followEnd = false;
    scrollTo(v, v.scrollX, std::int64_t(v.scrollY) - std::int64_t(notches) * int(lines) * kLine / WHEEL_DELTA);
}

LRESULT dispatch(HWND window, PageViewState& v, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE: resizePages(v, LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_PAINT: paintPages(window, v); return 0;
    case WM_ERASEBKGND: return 1;  // the paint covers every pixel
    case WM_VSCROLL: scrollBar(window, v, SB_VERT, LOWORD(wParam)); return 0;
    case WM_HSCROLL: scrollBar(window, v, SB_HORZ, LOWORD(wParam)); return 0;
    case WM_KEYDOWN: pageKey(v, wParam); return 0;
    case WM_MOUSEWHEEL: wheel(v, wParam); return 0;
    case WM_LBUTTONDOWN: SetFocus(window); return 0;
    case UM_PAGE_NEWS: takeNews(v); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

ATOM registerPageViewClass(HINSTANCE instance) { return registerChildClass(instance, kClassName, pageViewProc); }

HWND createPageView(PageViewState& v, HINSTANCE instance, HWND parent, const RECT& area) {
    if (!registerPageViewClass(instance)) return nullptr;
    {
        WindowDC screen(nullptr);
        v.dpiX = std::max(1, GetDeviceCaps(screen.get(), LOGPIXELSX));
        v.dpiY = std::max(1, GetDeviceCaps(screen.get(), LOGPIXELSY));
    }
    v.window = CreateWindowExA(0, kClassName, nullptr, WS_CHILD | WS_VSCROLL | WS_HSCROLL, area.left, area.top,
                               area.right - area.left, area.bottom - area.top, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_PAGE_VIEW)), instance, &v);
    return v.window;
}

bool showPages(PageViewState& v, PageFeed::Load load, const render::RenderOptions& options) {
    closePages(v);
    v.status = PageFeed::Status{};
    v.zoom = 1;
    v.fitWidth = true;
    v.followEnd = false;
    v.scrollX = v.scrollY = 0;
    v.newsPosted = false;
    HWND window = v.window;
    try {
        v.feed = std::make_unique<PageFeed>(std::move(load), options, [&v, window] {
            if (!v.newsPosted.exchange(true)) PostMessageA(window, UM_PAGE_NEWS, 0, 0);
        });
    } catch (...) {
        return false;
    }
    if (window) {
        ShowWindow(window, SW_SHOW);
        RECT client{};
        GetClientRect(window, &client);
        resizePages(v, client.right, client.bottom);
        SetFocus(window);
    }
    tellParent(v);
    return true;
}

void closePages(PageViewState& v) {
    v.feed.reset();
    v.status = PageFeed::Status{};
    if (v.window) ShowWindow(v.window, SW_HIDE);
}

bool pagesShown(const PageViewState& v) { return v.feed != nullptr; }

PagePosition pagePosition(const PageViewState& v) {
    PagePosition p;
    p.shown = pagesShown(v);
    if (!p.shown) return p;
    p.page = middlePage(v, layoutOf(v));
    p.pages = v.status.pages;
    p.counted = v.status.counted;
    p.made = v.status.width > 0;
    p.outcome = v.status.outcome;
    return p;
}

void goToPage(PageViewState& v, std::size_t page) {
    const Layout l = layoutOf(v);
    if (l.empty()) return;
    v.followEnd = false;
    if (v.status.pages) page = std::min(page, v.status.pages - 1);
    scrollTo(v, v.scrollX, l.top(page) - kGap);
}

void zoomPages(PageViewState& v, double factor) {
    v.fitWidth = false;
    setZoom(v, v.zoom * factor);
}

void fitPagesToWidth(PageViewState& v) {
    v.fitWidth = true;
    setZoom(v, widthZoom(v));
}

LRESULT CALLBACK pageViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return dispatchToRecord(dispatch, window, message, wParam, lParam);
}

}  // namespace orv
