// The view window inside the real main window: layout, scrolling by each
// code and by the wheel, extents, the grey areas beside the content, and
// the toolbar's tooltips.
#include "tests/app/win32/MainWindowFixture.h"

#include <cstring>

#include "view/win32/ViewWindow.h"

namespace orv::test {
namespace {

class ViewWindowTest : public MainWindowFixture {
protected:
    // Content of rows x columns characters, outside any run.
    // The view's real client size is used: showing or hiding a scroll
    // bar resizes it again.
    void sizeWindow(int w, int h) {
        SetWindowPos(s->mainWindow, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER);
        pump();
    }
    void content(int rows, int columns) {
        s->view.grid.lineCount.store(rows);
        s->view.grid.usedWidth.store(columns);
        refreshViewExtents(s->view);
        RECT client;
        GetClientRect(s->view.window, &client);
        width = client.right;
        height = client.bottom;
        EXPECT_EQ(height, s->view.clientHeight);
    }
    int width = 0, height = 0;
    int scroll(UINT bar, int code) {
        SendMessageA(s->view.window, bar, MAKEWPARAM(code, 0), 0);
        return bar == WM_VSCROLL ? s->view.scrollY.load() : s->view.scrollX.load();
    }
    RECT rectOf(HWND window) {
        RECT r;
        GetWindowRect(window, &r);
        MapWindowPoints(nullptr, s->mainWindow, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    COLORREF pixel(int x, int y) {
        HDC dc = GetDC(s->view.window);
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(s->view.window, dc);
        return c;
    }
};

TEST_F(ViewWindowTest, ViewFillsTheSpaceBetweenToolbarAndStatusBar) {
    create(SW_SHOWNORMAL);
    const SIZE sizes[] = {{640, 480}, {300, 200}, {1200, 900}, {150, 120}};
    for (SIZE size : sizes) {
        SetWindowPos(s->mainWindow, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
        pump();
        RECT client, toolbar = rectOf(s->toolbarWindow), status = rectOf(s->statusWindow);
        RECT view = rectOf(s->view.window);
        GetClientRect(s->mainWindow, &client);
        EXPECT_EQ(0, view.left) << size.cx;
        EXPECT_EQ(client.right, view.right) << size.cx;
        EXPECT_EQ(toolbar.bottom, view.top) << size.cx;
        EXPECT_EQ(status.top, view.bottom) << size.cy;
    }
}

TEST_F(ViewWindowTest, EachScrollCodeMovesByItsStepWithinTheRange) {
    create();
    sizeWindow(500, 400);
    content(500, 127);
    const int line = s->view.lineHeight.load(), maxY = s->view.maxScrollY;
    ASSERT_GT(line, 0);
    ASSERT_EQ(500 * line - height, maxY);
    struct Step {
        int code, expected;
    } steps[] = {
        {SB_LINEDOWN, line},
        {SB_LINEDOWN, 2 * line},
        {SB_PAGEDOWN, 2 * line + height},
        {SB_LINEUP, line + height},
        {SB_PAGEUP, line},
        {SB_PAGEUP, 0},
        {SB_LINEUP, 0},
        {SB_BOTTOM, maxY},
        {SB_LINEDOWN, maxY},
        {SB_PAGEDOWN, maxY},
        {SB_THUMBTRACK, maxY},
        {SB_ENDSCROLL, maxY},
        {SB_TOP, 0},
    };
    for (const Step& step : steps) EXPECT_EQ(step.expected, scroll(WM_VSCROLL, step.code)) << step.code;

    const int column = s->view.charWidth.load(), maxX = s->view.maxScrollX;
    ASSERT_EQ(127 * column - width, maxX);
    EXPECT_EQ(column, scroll(WM_HSCROLL, SB_LINERIGHT));
    EXPECT_EQ(std::min(maxX, column + width), scroll(WM_HSCROLL, SB_PAGERIGHT));
    EXPECT_EQ(maxX, scroll(WM_HSCROLL, SB_RIGHT));
    EXPECT_EQ(0, scroll(WM_HSCROLL, SB_LEFT));
    EXPECT_EQ(0, scroll(WM_HSCROLL, SB_LINELEFT));
}

TEST_F(ViewWindowTest, OneWheelMessageIsOneLineWhateverItsDistance) {
    create();
    content(500, 80);
    const int line = s->view.lineHeight.load();
    const short distances[] = {-120, -1, -720};
    int expected = 0;
    for (short d : distances) {
        SendMessageA(s->mainWindow, WM_MOUSEWHEEL, MAKEWPARAM(0, d), 0);
        expected += line;
        EXPECT_EQ(expected, s->view.scrollY.load()) << d;
    }
    SendMessageA(s->mainWindow, WM_MOUSEWHEEL, MAKEWPARAM(0, 240), 0);
    EXPECT_EQ(expected - line, s->view.scrollY.load()) << "towards the screen: one line up";
    SendMessageA(s->mainWindow, WM_MOUSEWHEEL, MAKEWPARAM(0, 0), 0);
    EXPECT_EQ(expected - 2 * line, s->view.scrollY.load()) << "zero counts as up";
}

TEST_F(ViewWindowTest, ExtentsAreTheWholeGridDuringARunAndTheContentAfter) {
    create();
    sizeWindow(500, 400);
    setRunState(*s, RunState::Capturing);  // a run as the view sees it
    content(3, 20);
    EXPECT_EQ(kGridRows * s->view.lineHeight.load() - height, s->view.maxScrollY);
    EXPECT_EQ(std::max(0, kGridColumns * s->view.charWidth.load() - width), s->view.maxScrollX);
    setRunState(*s, RunState::Idle);
    scroll(WM_VSCROLL, SB_BOTTOM);
    content(3, 20);
    EXPECT_EQ(0, s->view.maxScrollY);
    EXPECT_EQ(0, s->view.scrollY.load()) << "a position beyond the new range is pulled back";
    EXPECT_EQ(0, s->view.maxScrollX);
}

TEST_F(ViewWindowTest, GreyBesideTheGridAndAroundAShortHexDump) {
    create(SW_SHOWNORMAL);
    SetWindowPos(s->mainWindow, HWND_TOP, 0, 0, 1600, 600, SWP_NOMOVE);
    pump();
    const int w = s->view.charWidth.load(), h = s->view.lineHeight.load();
    RECT client;
    GetClientRect(s->view.window, &client);
    ASSERT_GT(client.right, 128 * w + 10) << "the window is wider than the grid";
    EXPECT_EQ(0, s->view.maxScrollX) << "nothing to scroll across";
    RedrawWindow(s->view.window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const COLORREF grey = RGB(128, 128, 128), window = GetSysColor(COLOR_WINDOW);
    EXPECT_EQ(grey, pixel(128 * w + 5, 5));
    EXPECT_EQ(window, pixel(w / 2, h * 3 + 1)) << "an empty cell";

    // Three hex lines: grey below them and right of column 81.
    static char lines[3 * 81 + 1];
    for (int i = 0; i < 3; ++i) {
        std::memset(lines + i * 81, '0', 79);
        lines[i * 81 + 79] = '\r';
        lines[i * 81 + 80] = '\n';
    }
    s->view.loadedData.reset(new std::uint8_t[3 * 81]);
    std::memcpy(s->view.loadedData.get(), lines, 3 * 81);
    s->view.loadedSize = 3 * 81;
    s->view.mode = VIEW_HEX;
    content(3, 81);
    RedrawWindow(s->view.window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(grey, pixel(10, 3 * h + 5)) << "below the last line";
    EXPECT_EQ(grey, pixel(81 * w + 5, 5)) << "right of the lines";
    EXPECT_EQ(window, pixel(80 * w + w / 2, 1)) << "the CR LF cells are drawn as characters";
    freeLoadedData(s->view);
}

TEST_F(ViewWindowTest, LongHexDumpIsPaintedDownToItsLastLine) {
    create(SW_SHOWNORMAL);
    sizeWindow(900, 500);
    // 10,000 lines, far more than the grid's rows; only the last is all 'F'.
    constexpr int kLines = 10000;
    s->view.loadedData.reset(new std::uint8_t[kLines * 81]);
    for (int i = 0; i < kLines; ++i) {
        std::memset(s->view.loadedData.get() + i * 81, i == kLines - 1 ? 'F' : ' ', 79);
        s->view.loadedData[i * 81 + 79] = '\r';
        s->view.loadedData[i * 81 + 80] = '\n';
    }
    s->view.loadedSize = kLines * 81;
    s->view.mode = VIEW_HEX;
    content(kLines, 81);
    // Dark pixels of the last row: its text must be drawn, not left blank.
    auto inkInLastRow = [&] {
        RedrawWindow(s->view.window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        const int h = s->view.lineHeight.load(), w = s->view.charWidth.load();
        const int top = (kLines - 1) * h - s->view.scrollY.load();
        int ink = 0;
        for (int y = top; y < top + h; ++y)
            for (int x = 0; x < 20 * w; ++x)
                if (GetRValue(pixel(x, y)) < 100) ++ink;
        return ink;
    };
    scroll(WM_VSCROLL, SB_BOTTOM);
    EXPECT_EQ(kLines * s->view.lineHeight.load() - height, s->view.scrollY.load());
    EXPECT_GT(inkInLastRow(), 0) << "line 10,000 is drawn";
    freeLoadedData(s->view);
}

TEST_F(ViewWindowTest, ToolbarTipsComeFromTheLanguageLibrary) {
    create();
    const struct {
        unsigned command, text;
    } tips[] = {{CMD_OPEN_FILE, IDS_TIP_OPEN},
                {CMD_SAVE_AS, IDS_TIP_SAVE_AS},
                {CMD_START, IDS_TIP_START},
                {CMD_STOP, IDS_TIP_STOP},
                {CMD_SETTINGS, IDS_TIP_SETTINGS},
                {CMD_VIEW_HEX, IDS_TIP_VIEW_HEX},
                {CMD_VIEW_FILTERED, IDS_TIP_VIEW_FILTERED},
                {CMD_VIEW_TEXT, IDS_TIP_VIEW_TEXT},
                {CMD_SEND_FILE, IDS_TIP_SEND_FILE},
                {CMD_CANCEL_SEND, IDS_TIP_CANCEL_SEND}};
    for (const auto& tip : tips) {
        NMTTDISPINFOA info{};
        info.hdr.code = TTN_GETDISPINFOA;
        info.hdr.idFrom = tip.command;
        SendMessageA(s->mainWindow, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
        EXPECT_EQ(library, info.hinst);
        EXPECT_EQ(MAKEINTRESOURCEA(tip.text), info.lpszText) << tip.command;
    }
    NMTTDISPINFOA other{};
    other.hdr.code = TTN_GETDISPINFOA;
    other.hdr.idFrom = CMD_ABOUT;
    SendMessageA(s->mainWindow, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&other));
    EXPECT_EQ(nullptr, other.lpszText) << "commands without a button get no tip";
}

TEST_F(ViewWindowTest, ToolbarHasTenButtonsAndFourSeparatorsInOrder) {
    create();
    ASSERT_EQ(14, SendMessageA(s->toolbarWindow, TB_BUTTONCOUNT, 0, 0));
    const int commands[] = {CMD_OPEN_FILE,     CMD_SAVE_AS,     0, CMD_START,    CMD_STOP, 0,
                            CMD_SEND_FILE,     CMD_CANCEL_SEND, 0, CMD_SETTINGS, 0,        CMD_VIEW_HEX,
                            CMD_VIEW_FILTERED, CMD_VIEW_TEXT};
    int image = 0;
    for (int i = 0; i < 14; ++i) {
        TBBUTTON b{};
        SendMessageA(s->toolbarWindow, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b));
        if (commands[i] == 0) {
            EXPECT_TRUE(b.fsStyle & TBSTYLE_SEP) << i;
            continue;
        }
        EXPECT_EQ(commands[i], b.idCommand) << i;
        EXPECT_EQ(image++, b.iBitmap) << i;
        bool group = commands[i] == CMD_VIEW_HEX || commands[i] == CMD_VIEW_FILTERED || commands[i] == CMD_VIEW_TEXT;
        EXPECT_EQ(group, (b.fsStyle & TBSTYLE_CHECKGROUP) == TBSTYLE_CHECKGROUP) << i;
    }
}

}  // namespace
}  // namespace orv::test
