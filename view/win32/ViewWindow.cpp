#include "view/win32/ViewWindow.h"

#include <commctrl.h>

#include <algorithm>

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
void viewExtents(const CaptureState& s, int& columns, int& rows) {
    if (linkOpen(s)) {
        columns = kGridColumns;
        rows = kGridRows;
    } else {
        columns = s.view.usedWidth.load(std::memory_order_relaxed);
        rows = s.view.lineCount.load(std::memory_order_relaxed);
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

void resizeView(HWND window, CaptureState& s, int width, int height) {
    int columns = 0, rows = 0;
    viewExtents(s, columns, rows);
    int lineHeight = s.lineHeight.load(std::memory_order_relaxed);
    int charWidth = s.charWidth.load(std::memory_order_relaxed);

    s.clientHeight = height;
    s.maxScrollY = std::max(0, rows * lineHeight - height);
    s.scrollY.store(std::min(s.maxScrollY, s.scrollY.load()));
    setScrollBar(window, SB_VERT, s.maxScrollY, s.scrollY.load(), SIF_DISABLENOSCROLL);

    // The vertical bar may have just appeared: its nested WM_SIZE has seen
    // the narrower client, and so must the rest of this one.
    RECT client{};
    if (GetClientRect(window, &client) && client.right < width) width = client.right;
    s.clientWidth = width;
    s.maxScrollX = std::max(0, columns * charWidth - width);
    s.scrollX.store(std::min(s.maxScrollX, s.scrollX.load()));
    setScrollBar(window, SB_HORZ, s.maxScrollX, s.scrollX.load(), 0);

    InvalidateRect(window, nullptr, TRUE);
}

// One scroll request along one axis; the view moves only on a release of
// the thumb, never while it is dragged.
void scrollView(HWND window, CaptureState& s, int bar, int code) {
    const bool vertical = bar == SB_VERT;
    std::atomic<std::int32_t>& position = vertical ? s.scrollY : s.scrollX;
    const int maximum = vertical ? s.maxScrollY : s.maxScrollX;
    const int line = vertical ? s.lineHeight.load() : s.charWidth.load();
    const int page = vertical ? s.clientHeight : s.clientWidth;
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
HGDIOBJ fontOf(const CaptureState& s) {
    return s.viewFont ? static_cast<HGDIOBJ>(s.viewFont.get()) : GetStockObject(ANSI_FIXED_FONT);
}

// Paints rows of text: row r's first..last characters come from rowText.
template <typename RowText>
void paintRows(HDC dc, const CaptureState& s, CellRange rows, CellRange columns, RowText rowText) {
    const int charWidth = s.charWidth.load(), lineHeight = s.lineHeight.load();
    const int x0 = s.scrollX.load(), y0 = s.scrollY.load();
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

void paintCells(HWND window, HDC dc, const RECT& area, CaptureState& s) {
    Selection font(dc, fontOf(s));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    SetBkMode(dc, OPAQUE);

    const int charWidth = s.charWidth.load(), lineHeight = s.lineHeight.load();
    const int x0 = s.scrollX.load(), y0 = s.scrollY.load();
    RECT client;
    GetClientRect(window, &client);
    const bool hex = s.viewMode == VIEW_HEX;
    const int lines = s.view.lineCount.load(), width = s.view.usedWidth.load();
    // A hex dump has as many rows as its file needs, far more than the grid.
    CellRange rows = cellRange(area.top, area.bottom, y0, lineHeight, hex ? std::max(lines, 1) - 1 : kGridRows - 1);
    CellRange columns = cellRange(area.left, area.right, x0, charWidth, kGridColumns - 1);

    if (hex) {
        rows.last = std::min(rows.last, lines - 1);
        columns.last = std::min(columns.last, width - 1);
        const std::uint8_t* data = s.loadedData.get();
        if (data && width > 0)
            paintRows(dc, s, rows, columns, [&](int row, int first, int last, char* out) {
                const std::uint8_t* line = data + std::size_t(row) * width;
                std::copy(line + first, line + last + 1, out);
                return last - first + 1;
            });
        fillGrey(dc, RECT{width * charWidth, client.top, client.right, client.bottom});
        fillGrey(dc, RECT{client.left, lines * lineHeight, client.right, client.bottom});
    } else {
        paintRows(dc, s, rows, columns,
                  [&](int row, int first, int last, char* out) { return readRow(s.view, row, first, last, out); });
        fillGrey(dc, RECT{kGridColumns * charWidth, client.top, client.right, client.bottom});
    }
}

void paintView(HWND window, CaptureState& s) {
    {
        PaintDC paint(window);
        paintCells(window, paint.get(), paint.area(), s);
    }
    if (s.viewMode != VIEW_HEX) placeCaret(s);
}

void onViewCommand(HWND window, CaptureState& s, WPARAM wParam) {
    const ViewRunHalves* run = runHalvesOf(window);
    if (!run) return;
    switch (LOWORD(wParam)) {
    case CMD_START: run->openLink(s); break;
    case CMD_STOP: run->closeLink(s); break;
    default: break;
    }
}

LRESULT dispatch(HWND window, CaptureState& s, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE: resizeView(window, s, LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_SETFOCUS: showCaret(s); return 0;
    case WM_KILLFOCUS: removeCaret(s); return 0;
    case WM_PAINT: paintView(window, s); return 0;
    case WM_ERASEBKGND: return 1;  // the paint covers every pixel itself
    case WM_COMMAND: onViewCommand(window, s, wParam); return 0;
    case WM_HSCROLL: scrollView(window, s, SB_HORZ, LOWORD(wParam)); return 0;
    case WM_VSCROLL: scrollView(window, s, SB_VERT, LOWORD(wParam)); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

ATOM registerViewClass(HINSTANCE instance) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = viewWindowProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = VIEW_CLASS_NAME;
    ATOM atom = RegisterClassExA(&wc);
    if (!atom && GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
        // A second main window in the same process (tests) reuses it.
        atom = static_cast<ATOM>(GetClassInfoExA(instance, VIEW_CLASS_NAME, &wc));
    }
    return atom;
}

HWND createViewWindow(CaptureState& s, HINSTANCE instance, int showCommand, HWND mainWindow, const ViewRunHalves& run) {
    RECT frame{}, toolbar{}, status{};
    GetWindowRect(mainWindow, &frame);
    if (s.toolbarWindow) GetWindowRect(s.toolbarWindow, &toolbar);
    if (s.statusWindow) GetWindowRect(s.statusWindow, &status);
    if (!registerViewClass(instance)) return nullptr;
    int toolbarHeight = toolbar.bottom - toolbar.top;
    int statusHeight = status.bottom - status.top;
    HWND view = CreateWindowExA(0, VIEW_CLASS_NAME, nullptr, WS_CHILD | WS_VISIBLE, 0, toolbarHeight,
                                frame.right - frame.left - 10, frame.bottom - frame.top - toolbarHeight - statusHeight,
                                mainWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ID_VIEW)), instance, &s);
    s.viewWindow = view;
    if (!view) return nullptr;
    SetWindowLongPtrA(view, kRunHalvesSlot, reinterpret_cast<LONG_PTR>(&run));
    ShowWindow(view, showCommand);
    UpdateWindow(view);
    return view;
}

bool createViewFont(CaptureState& s, HWND window) {
    s.viewFont.reset(CreateFontIndirectA(&s.viewLogFont));
    TEXTMETRICA metrics{};
    {
        WindowDC dc(window);
        Selection font(dc.get(), fontOf(s));
        GetTextMetricsA(dc.get(), &metrics);
    }
    s.charWidth.store(metrics.tmAveCharWidth);
    s.lineHeight.store(metrics.tmHeight + metrics.tmExternalLeading);
    RECT client{};
    GetClientRect(window, &client);
    SendMessageA(window, WM_SIZE, 0, MAKELPARAM(client.right, client.bottom));
    return static_cast<bool>(s.viewFont);
}

void resetView(CaptureState& s) {
    s.viewMode = VIEW_TEXT;
    clearGrid(s.view);
    s.clientWidth = s.clientHeight = 0;
    s.maxScrollX = s.maxScrollY = 0;
    s.scrollX.store(0);
    s.scrollY.store(0);
    s.byteCount.store(0);
    if (s.statusWindow) SendMessageA(s.statusWindow, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(" "));
    if (s.viewWindow) createViewFont(s, s.viewWindow);
}

void freeLoadedData(CaptureState& s) {
    s.loadedData.reset();
    s.loadedSize = 0;
    s.viewMode = VIEW_TEXT;
}

void repaintViewCells(const CaptureState& s, HWND view, const CellRect& cells) {
    const int width = s.charWidth.load(std::memory_order_relaxed);
    const int height = s.lineHeight.load(std::memory_order_relaxed);
    if (!view || width <= 0 || height <= 0) return;
    const int x = s.scrollX.load(std::memory_order_relaxed);
    const int y = s.scrollY.load(std::memory_order_relaxed);
    RECT r{cells.firstColumn * width - x, cells.firstRow * height - y, (cells.lastColumn + 1) * width - x,
           (cells.lastRow + 1) * height - y};
    InvalidateRect(view, &r, FALSE);
}

void refreshViewExtents(CaptureState& s) {
    if (!s.viewWindow) return;
    RECT client{};
    GetClientRect(s.viewWindow, &client);
    SendMessageA(s.viewWindow, WM_SIZE, 0, MAKELPARAM(client.right, client.bottom));
}

void showCaret(CaptureState& s) {
    if (linkOpen(s) && !s.caretShown && s.viewWindow) {
        CreateCaret(s.viewWindow, nullptr, s.charWidth.load(), s.lineHeight.load());
        ShowCaret(s.viewWindow);
        s.caretShown = 1;
    }
    placeCaret(s);
}

void placeCaret(CaptureState& s) {
    if (!linkOpen(s) || !s.caretShown) return;
    SetCaretPos(s.charWidth.load() * s.view.cursorColumn.load() - s.scrollX.load(),
                s.lineHeight.load() * s.view.cursorRow.load() - s.scrollY.load());
}

void removeCaret(CaptureState& s) {
    if (linkOpen(s) || !s.caretShown) return;
    HideCaret(s.viewWindow);
    DestroyCaret();
    s.caretShown = 0;
}

LRESULT CALLBACK viewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return dispatchToRecord(dispatch, window, message, wParam, lParam);
}

}  // namespace orv
