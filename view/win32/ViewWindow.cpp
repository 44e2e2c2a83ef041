#include "view/win32/ViewWindow.h"

#include <commctrl.h>

#include <algorithm>

#include "base/win32/Scoped.h"
#include "base/win32/WindowRecord.h"

namespace orv {
namespace {

const COLORREF kGrey = RGB(128, 128, 128);

// The window's extra bytes hold the run halves its creator handed over.
constexpr int kRunHalvesSlot = 0;

const ViewRunHalves* runHalvesOf(HWND window) {
    return reinterpret_cast<const ViewRunHalves*>(GetWindowLongPtrA(window, kRunHalvesSlot));
}

// Extents in characters: the whole grid while a run may still write to
// it, the content otherwise.
void viewExtents(const ViewState& v, int& columns, int& rows) {
    if (v.live) {
        columns = kGridColumns;
        rows = kGridRows;
    } else {
        columns = v.grid.usedWidth.load(std::memory_order_relaxed);
        rows = v.grid.lineCount.load(std::memory_order_relaxed);
    }
}

void setScrollBar(HWND window, int bar, int maximum, int position, UINT extra) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | extra;
    info.nMin = 0;
    info.nMax = maximum;
    info.nPage = 0;
    info.nPos = position;
    SetScrollInfo(window, bar, &info, TRUE);
}

void resizeView(HWND window, ViewState& v, int width, int height) {
    int columns = 0, rows = 0;
    viewExtents(v, columns, rows);
    int lineHeight = v.lineHeight.load(std::memory_order_relaxed);
    int charWidth = v.charWidth.load(std::memory_order_relaxed);

    v.clientHeight = height;
    v.maxScrollY = std::max(0, rows * lineHeight - height);
    v.scrollY.store(std::min(v.maxScrollY, v.scrollY.load()));
    setScrollBar(window, SB_VERT, v.maxScrollY, v.scrollY.load(), SIF_DISABLENOSCROLL);

    // The vertical bar may have just appeared: its nested WM_SIZE has seen
    // the narrower client, and so must the rest of this one.
    RECT client{};
    if (GetClientRect(window, &client) && client.right < width) width = client.right;
    v.clientWidth = width;
    v.maxScrollX = std::max(0, columns * charWidth - width);
    v.scrollX.store(std::min(v.maxScrollX, v.scrollX.load()));
    setScrollBar(window, SB_HORZ, v.maxScrollX, v.scrollX.load(), 0);

    InvalidateRect(window, nullptr, TRUE);
}

// One scroll request along one axis; the view moves only on a release of
// the thumb, never while it is dragged.
void scrollView(HWND window, ViewState& v, int bar, int code) {
    const bool vertical = bar == SB_VERT;
    std::atomic<std::int32_t>& position = vertical ? v.scrollY : v.scrollX;
    const int maximum = vertical ? v.maxScrollY : v.maxScrollX;
    const int line = vertical ? v.lineHeight.load() : v.charWidth.load();
    const int page = vertical ? v.clientHeight : v.clientWidth;
    const int current = position.load();
    int step = 0;
    switch (code) {
    case SB_LINEUP: step = -line; break;
    case SB_LINEDOWN: step = line; break;
    case SB_PAGEUP: step = -page; break;
    case SB_PAGEDOWN: step = page; break;
    case SB_THUMBPOSITION: {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        GetScrollInfo(window, bar, &info);
        step = info.nTrackPos - current;
        break;
    }
    case SB_TOP: step = -current; break;
    case SB_BOTTOM: step = maximum - current; break;
    default: return;
    }
    if (current + step > maximum) step = maximum - current;
    if (current + step < 0) step = -current;
    if (step == 0) return;
    if (vertical)
        ScrollWindowEx(window, 0, -step, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE | SW_ERASE);
    else
        ScrollWindowEx(window, -step, 0, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE | SW_ERASE);
    position.store(current + step);
    SetScrollPos(window, bar, current + step, TRUE);
}

// The cells and rows of the paint area, clamped to [0, limit].
struct CellRange {
    int first, last;
};

CellRange cellRange(int from, int to, int scroll, int cell, int limit) {
    if (cell <= 0) return {0, -1};
    CellRange r{(from + scroll) / cell, (to + scroll - 1) / cell};
    r.first = std::clamp(r.first, 0, limit);
    r.last = std::min(r.last, limit);
    return r;
}

void fillGrey(HDC dc, const RECT& area) {
    if (area.left >= area.right || area.top >= area.bottom) return;
    GdiObject<HBRUSH> grey(CreateSolidBrush(kGrey));
    FillRect(dc, &area, grey.get());
}

// The view font, or the stock fixed font while none could be made.
HGDIOBJ fontOf(const ViewState& v) {
    return v.font ? static_cast<HGDIOBJ>(v.font.get()) : GetStockObject(ANSI_FIXED_FONT);
}

// Paints rows of text: row r's first..last characters come from rowText.
template <typename RowText>
void paintRows(HDC dc, const ViewState& v, CellRange rows, CellRange columns, RowText rowText) {
    const int charWidth = v.charWidth.load(), lineHeight = v.lineHeight.load();
    const int x0 = v.scrollX.load(), y0 = v.scrollY.load();
    if (columns.first > columns.last) return;
    char text[kGridColumns + 1];
    for (int row = rows.first; row <= rows.last; ++row) {
        int n = rowText(row, columns.first, columns.last, text);
        if (n <= 0) continue;
        RECT cells{columns.first * charWidth - x0, row * lineHeight - y0, (columns.last + 1) * charWidth - x0,
                   (row + 1) * lineHeight - y0};
        ExtTextOutA(dc, cells.left, cells.top, ETO_OPAQUE | ETO_CLIPPED, &cells, text, static_cast<UINT>(n), nullptr);
    }
}

void paintCells(HWND window, HDC dc, const RECT& area, ViewState& v) {
    Selection font(dc, fontOf(v));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    SetBkMode(dc, OPAQUE);

    const int charWidth = v.charWidth.load(), lineHeight = v.lineHeight.load();
    const int x0 = v.scrollX.load(), y0 = v.scrollY.load();
    RECT client;
    GetClientRect(window, &client);
    const bool hex = v.mode == VIEW_HEX;
    const int lines = v.grid.lineCount.load(), width = v.grid.usedWidth.load();
    // A hex dump has as many rows as its file needs, far more than the grid.
    CellRange rows = cellRange(area.top, area.bottom, y0, lineHeight, hex ? std::max(lines, 1) - 1 : kGridRows - 1);
    CellRange columns = cellRange(area.left, area.right, x0, charWidth, kGridColumns - 1);

    if (hex) {
        rows.last = std::min(rows.last, lines - 1);
        columns.last = std::min(columns.last, width - 1);
        const std::uint8_t* data = v.loadedData.get();
        if (data && width > 0)
            paintRows(dc, v, rows, columns, [&](int row, int first, int last, char* out) {
                const std::uint8_t* line = data + std::size_t(row) * width;
                std::copy(line + first, line + last + 1, out);
                return last - first + 1;
            });
        fillGrey(dc, RECT{width * charWidth, client.top, client.right, client.bottom});
        fillGrey(dc, RECT{client.left, lines * lineHeight, client.right, client.bottom});
    } else {
        paintRows(dc, v, rows, columns,
                  [&](int row, int first, int last, char* out) { return readRow(v.grid, row, first, last, out); });
        fillGrey(dc, RECT{kGridColumns * charWidth, client.top, client.right, client.bottom});
    }
}

void paintView(HWND window, ViewState& v) {
    {
        PaintDC paint(window);
        paintCells(window, paint.get(), paint.area(), v);
    }
    if (v.mode != VIEW_HEX) placeCaret(v);
}

void onViewCommand(HWND window, ViewState& v, WPARAM wParam) {
    const ViewRunHalves* run = runHalvesOf(window);
    if (!run) return;
    switch (LOWORD(wParam)) {
    case CMD_START:
        if (run->openLink) run->openLink();
        break;
    case CMD_STOP:
        if (run->closeLink) run->closeLink();
        break;
    default: break;
    }
}

LRESULT dispatch(HWND window, ViewState& v, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE: resizeView(window, v, LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_SETFOCUS: showCaret(v); return 0;
    case WM_KILLFOCUS: removeCaret(v); return 0;
    case WM_PAINT: paintView(window, v); return 0;
    case WM_ERASEBKGND: return 1;  // the paint covers every pixel itself
    case WM_COMMAND: onViewCommand(window, v, wParam); return 0;
    case WM_HSCROLL: scrollView(window, v, SB_HORZ, LOWORD(wParam)); return 0;
    case WM_VSCROLL: scrollView(window, v, SB_VERT, LOWORD(wParam)); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

ATOM registerViewClass(HINSTANCE instance) {
    return registerChildClass(instance, VIEW_CLASS_NAME, viewWindowProc, sizeof(LONG_PTR));
}

HWND createViewWindow(ViewState& v, HINSTANCE instance, int showCommand, HWND parent, const RECT& area,
                      const ViewRunHalves& run) {
    if (!registerViewClass(instance)) return nullptr;
    HWND view = CreateWindowExA(0, VIEW_CLASS_NAME, nullptr, WS_CHILD | WS_VISIBLE, area.left, area.top,
                                area.right - area.left, area.bottom - area.top, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_VIEW)), instance, &v);
    v.window = view;
    if (!view) return nullptr;
    SetWindowLongPtrA(view, kRunHalvesSlot, reinterpret_cast<LONG_PTR>(&run));
    ShowWindow(view, showCommand);
    UpdateWindow(view);
    return view;
}

bool createViewFont(ViewState& v, HWND window) {
    v.font.reset(CreateFontIndirectA(&v.logFont));
    TEXTMETRICA metrics{};
    {
        WindowDC dc(window);
        Selection font(dc.get(), fontOf(v));
        GetTextMetricsA(dc.get(), &metrics);
    }
    v.charWidth.store(metrics.tmAveCharWidth);
    v.lineHeight.store(metrics.tmHeight + metrics.tmExternalLeading);
    RECT client{};
    GetClientRect(window, &client);
    SendMessageA(window, WM_SIZE, 0, MAKELPARAM(client.right, client.bottom));
    return static_cast<bool>(v.font);
}

void resetView(ViewState& v) {
    v.mode = VIEW_TEXT;
    clearGrid(v.grid);
    v.clientWidth = v.clientHeight = 0;
    v.maxScrollX = v.maxScrollY = 0;
    v.scrollX.store(0);
    v.scrollY.store(0);
    if (v.window) createViewFont(v, v.window);
}

void freeLoadedData(ViewState& v) {
    v.loadedData.reset();
    v.loadedSize = 0;
    v.mode = VIEW_TEXT;
}

void repaintViewCells(const ViewState& v, const CellRect& cells) {
    HWND view = v.window;
    const int width = v.charWidth.load(std::memory_order_relaxed);
    const int height = v.lineHeight.load(std::memory_order_relaxed);
    if (!view || width <= 0 || height <= 0) return;
    const int x = v.scrollX.load(std::memory_order_relaxed);
    const int y = v.scrollY.load(std::memory_order_relaxed);
    RECT r{cells.firstColumn * width - x, cells.firstRow * height - y, (cells.lastColumn + 1) * width - x,
           (cells.lastRow + 1) * height - y};
    InvalidateRect(view, &r, FALSE);
}

void refreshViewExtents(ViewState& v) {
    if (!v.window) return;
    RECT client{};
    GetClientRect(v.window, &client);
    SendMessageA(v.window, WM_SIZE, 0, MAKELPARAM(client.right, client.bottom));
}

void showCaret(ViewState& v) {
    if (v.live && !v.caretShown && v.window) {
        CreateCaret(v.window, nullptr, v.charWidth.load(), v.lineHeight.load());
        ShowCaret(v.window);
        v.caretShown = 1;
    }
    placeCaret(v);
}

void placeCaret(ViewState& v) {
    if (!v.live || !v.caretShown) return;
    SetCaretPos(v.charWidth.load() * v.grid.cursorColumn.load() - v.scrollX.load(),
                v.lineHeight.load() * v.grid.cursorRow.load() - v.scrollY.load());
}

void removeCaret(ViewState& v) {
    if (v.live || !v.caretShown) return;
    HideCaret(v.window);
    DestroyCaret();
    v.caretShown = 0;
}

LRESULT CALLBACK viewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return dispatchToRecord(dispatch, window, message, wParam, lParam);
}

}  // namespace orv
