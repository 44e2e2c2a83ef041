// View > Pages inside the real main window: the job as sheets fitted to
// the width, the keys that move by page, the zoom, a long job's first
// page, the way back to the other views, and jobs that are not shown.
#include "tests/app/win32/MainWindowFixture.h"

#include <cmath>
#include <string>

#include "base/Text.h"
#include "view/win32/PageView.h"

namespace orv::test {
namespace {

// Each page a heading in bold and its number.
std::string numberedJob(int pages) {
    std::string job = "\x1b@";
    for (int p = 1; p <= pages; ++p)
        job +=
            "\x1b"
            "EPAGE\x1b"
            "F " +
            std::to_string(p) + "\r\n\x0c";
    return job;
}

class PageViewTest : public MainWindowFixture {
protected:
    // The job as the file in the view, shown as pages, its first page made.
    void showJob(const std::string& job, int width = 640, int height = 600) {
        create(SW_SHOWNORMAL);
        SetWindowPos(s->mainWindow, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
        writeText(dir / "job.zrd", job);
        dialogs.choose(dir / "job.zrd");
        command(CMD_OPEN_FILE);
        command(CMD_VIEW_PAGES);
        ASSERT_TRUE(
            pumpUntil([&] { return pagePosition(s->pages).made && s->pages.feed && s->pages.feed->page(0); }, 20000));
        pump();
    }
    std::string position() const { return statusText(2); }
    std::string positionText(unsigned id, std::size_t page, std::size_t pages) const {
        return formatWithNumber(formatWithNumber(text(id), std::int64_t(page)), std::int64_t(pages));
    }
    void key(WORD vk, bool control = false) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = control ? 0x80 : 0;
        SetKeyboardState(keys);
        PostMessageA(s->pages.window, WM_KEYDOWN, vk, 1);
        pump();
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
    }
    void wheel(int notches, bool control = false) {
        SendMessageA(s->mainWindow, WM_MOUSEWHEEL, MAKEWPARAM(control ? MK_CONTROL : 0, WHEEL_DELTA * notches), 0);
        pump();
    }
    // Dark pixels in a band of the page view.
    int dark(RECT band) {
        UpdateWindow(s->pages.window);
        HDC dc = GetDC(s->pages.window);
        int n = 0;
        for (int y = band.top; y < band.bottom; ++y)
            for (int x = band.left; x < band.right; ++x) {
                const COLORREF c = GetPixel(dc, x, y);
                n += GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 100;
            }
        ReleaseDC(s->pages.window, dc);
        return n;
    }
    COLORREF pixel(int x, int y) {
        UpdateWindow(s->pages.window);
        HDC dc = GetDC(s->pages.window);
        const COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(s->pages.window, dc);
        return c;
    }
    // The sheet's size in the view, in whole pixels as the view lays it out.
    int sheetWidth() const {
        return int(std::floor(s->pages.status.width * s->pages.zoom * s->pages.dpiX / 72 + 1e-6));
    }
    int sheetHeight() const {
        return int(std::floor(s->pages.status.height * s->pages.zoom * s->pages.dpiY / 72 + 1e-6));
    }
};

TEST_F(PageViewTest, ShowsTheFileAsWhiteSheetsFittedToTheWidth) {
    showJob(numberedJob(3));
    EXPECT_FALSE(IsWindowVisible(s->view.window));
    ASSERT_TRUE(IsWindowVisible(s->pages.window));
    RECT view{}, pages{};
    GetWindowRect(s->view.window, &view);
    GetWindowRect(s->pages.window, &pages);
    EXPECT_TRUE(EqualRect(&view, &pages)) << "in the text view's place";
    ASSERT_TRUE(pumpUntil([&] { return pagePosition(s->pages).counted; }, 20000));
    EXPECT_EQ(positionText(IDS_PAGE_POSITION, 1, 3), position());
    EXPECT_TRUE(buttonEnabled(CMD_VIEW_TEXT)) << "the text button goes back";
    EXPECT_TRUE(menuEnabled(CMD_VIEW_PAGES));
    EXPECT_TRUE(menuEnabled(CMD_PRINT));

    const int width = s->pages.clientWidth;
    EXPECT_NEAR(width - 2 * kPageGap, sheetWidth(), 1) << "fitted to the width";
    EXPECT_EQ(RGB(128, 128, 128), pixel(kPageGap / 2, kPageGap / 2)) << "the grey surround";
    EXPECT_EQ(RGB(255, 255, 255), pixel(width / 2, kPageGap + sheetHeight() / 2)) << "a white sheet";
    // The heading on the first line: 1/4 inch in, at the top of form
    // (8.5 mm: 24 points down).
    const double scale = s->pages.zoom * s->pages.dpiX / 72;
    const RECT heading{kPageGap + int(18 * scale), kPageGap + int(24 * scale), kPageGap + int(60 * scale),
                       kPageGap + int(38 * scale)};
    EXPECT_GT(dark(heading), 20) << "the first page's text";
}

TEST_F(PageViewTest, PageDownUpHomeEndMoveByPageAndTheStatusSaysWhere) {
    showJob(numberedJob(5));
    ASSERT_TRUE(pumpUntil([&] { return pagePosition(s->pages).counted; }, 20000));
    const int stride = sheetHeight() + kPageGap;
    struct Step {
        WORD key;
        std::size_t page;
        int scrollY;
    } steps[] = {
        {VK_NEXT, 2, stride}, {VK_NEXT, 3, 2 * stride}, {VK_PRIOR, 2, stride},
        {VK_END, 5, -1},      {VK_HOME, 1, 0},          {VK_NEXT, 2, stride},
    };
    for (const Step& step : steps) {
        key(step.key);
        EXPECT_EQ(positionText(IDS_PAGE_POSITION, step.page, 5), position()) << "key " << step.key;
        if (step.scrollY >= 0) EXPECT_NEAR(step.scrollY, s->pages.scrollY, 1) << "key " << step.key;
    }
    // Scrolled into page 2, Page Up goes to its top first.
    key(VK_DOWN);
    EXPECT_NEAR(stride + kPageLine, s->pages.scrollY, 1);
    key(VK_PRIOR);
    EXPECT_NEAR(stride, s->pages.scrollY, 1);
    key(VK_PRIOR);
    EXPECT_EQ(0, s->pages.scrollY);
    wheel(-1);
    EXPECT_GT(s->pages.scrollY, 0) << "the wheel scrolls";
}

TEST_F(PageViewTest, ControlWithPlusMinusOrTheWheelZoomsAndControlZeroFitsAgain) {
    showJob(numberedJob(4));
    const double fitted = s->pages.zoom;
    key(VK_NEXT);
    key(VK_OEM_PLUS, true);
    EXPECT_NEAR(fitted * kZoomStep, s->pages.zoom, 1e-9);
    EXPECT_EQ(positionText(IDS_PAGE_POSITION, 2, 4), position()) << "the page stays in the middle";
    key(VK_SUBTRACT, true);
    key(VK_SUBTRACT, true);
    EXPECT_NEAR(fitted / kZoomStep, s->pages.zoom, 1e-9);
    key(VK_OEM_PLUS);  // without Ctrl: nothing
    EXPECT_NEAR(fitted / kZoomStep, s->pages.zoom, 1e-9);
    wheel(2, true);
    EXPECT_NEAR(fitted / kZoomStep * kWheelZoomStep * kWheelZoomStep, s->pages.zoom, 1e-9);
    for (int i = 0; i < 40; ++i) key(VK_ADD, true);
    EXPECT_EQ(kMostZoom, s->pages.zoom) << "within its limits";
    EXPECT_GT(sheetWidth(), s->pages.clientWidth) << "wider than the window: scrolled across";
    key('0', true);
    EXPECT_NEAR(fitted, s->pages.zoom, 1e-9);
    EXPECT_TRUE(s->pages.fitWidth);
    SetWindowPos(s->mainWindow, nullptr, 0, 0, 900, 600, SWP_NOMOVE | SWP_NOZORDER);
    pump();
    EXPECT_GT(s->pages.zoom, fitted) << "a fitted page follows the window's width";
}

TEST_F(PageViewTest, LaterPagesArePaintedWhenTheyAreReached) {
    showJob(numberedJob(12));
    ASSERT_TRUE(pumpUntil([&] { return pagePosition(s->pages).counted; }, 20000));
    key(VK_END);
    ASSERT_TRUE(pumpUntil([&] { return s->pages.feed->page(11) != nullptr; }, 20000));
    pump();
    EXPECT_EQ(positionText(IDS_PAGE_POSITION, 12, 12), position());
    EXPECT_EQ(nullptr, s->pages.feed->page(0)) << "far from the view: let go";
    const int top = int(s->pages.feed->status().pages - 1) * (sheetHeight() + kPageGap) + kPageGap - s->pages.scrollY;
    const double scale = s->pages.zoom * s->pages.dpiX / 72;
    EXPECT_GT(dark(RECT{kPageGap + int(18 * scale), top + int(24 * scale), kPageGap + int(60 * scale),
                        top + int(38 * scale)}),
              20);
}

TEST_F(PageViewTest, ALongJobShowsItsFirstPageBeforeItIsCounted) {
    // 200,000 pages take the feed many seconds to count: the first page
    // is there long before, and the memory held is a few pages.
    showJob(numberedJob(200000));
    const PagePosition at = pagePosition(s->pages);
    EXPECT_FALSE(at.counted);
    EXPECT_LE(s->pages.feed->kept(), 1 + PageFeed::kMargin);
    pump();
    EXPECT_EQ("Page 1 of", position().substr(0, 9));
    EXPECT_EQ("...", position().substr(position().size() - 3)) << "still counting";
    key(VK_NEXT);
    ASSERT_TRUE(pumpUntil([&] { return s->pages.feed->page(1) != nullptr; }, 20000));
    command(CMD_VIEW_TEXT);  // ends the feed in the middle of the job
    EXPECT_FALSE(pagesShown(s->pages));
    EXPECT_EQ(nullptr, s->pages.feed);
}

TEST_F(PageViewTest, OtherViewsTakeTheViewWindowBack) {
    showJob(numberedJob(2));
    for (unsigned view : {CMD_VIEW_HEX, CMD_VIEW_PAGES, CMD_VIEW_FILTERED, CMD_VIEW_PAGES, CMD_VIEW_TEXT}) {
        command(view);
        pump();
        const bool pages = view == CMD_VIEW_PAGES;
        EXPECT_EQ(pages, pagesShown(s->pages)) << view;
        EXPECT_EQ(pages, bool(IsWindowVisible(s->pages.window))) << view;
        EXPECT_EQ(!pages, bool(IsWindowVisible(s->view.window))) << view;
        if (!pages) EXPECT_EQ(" ", position()) << "no page position beside another view";
    }
    EXPECT_EQ(VIEW_TEXT, s->view.mode);
    EXPECT_GT(s->view.grid.lineCount.load(), 0) << "the file as text again";
    command(CMD_VIEW_PAGES);
    // Save As beside the pages copies the file, as beside its text.
    dialogs.choose(dir / "copy.zrd");
    command(CMD_SAVE_AS);
    EXPECT_EQ(readText(dir / "job.zrd"), readText(dir / "copy.zrd"));
}

TEST_F(PageViewTest, JobsThatCannotBeShownAreToldAndTheTextComesBack) {
    create(SW_SHOWNORMAL);
    writeText(dir / "pcl.zrd",
              "\x1b"
              "E\x1b&l0O\x1b(s0p10h12v0s0b3THello");
    dialogs.choose(dir / "pcl.zrd");
    command(CMD_OPEN_FILE);
    command(CMD_VIEW_PAGES);
    const std::string pcl = formatWithText(text(IDS_PAGES_LANGUAGE), "PCL");
    ASSERT_TRUE(pumpUntil([&] { return shown(pcl); }, 20000));
    EXPECT_FALSE(pagesShown(s->pages));
    EXPECT_TRUE(IsWindowVisible(s->view.window));

    DeleteFileA((dir / "pcl.zrd").c_str());
    command(CMD_VIEW_PAGES);
    const std::string unread = formatWithText(text(IDS_RENDER_READ_FAILED), dir / "pcl.zrd");
    ASSERT_TRUE(pumpUntil([&] { return shown(unread); }, 20000));
    EXPECT_FALSE(pagesShown(s->pages));
    EXPECT_EQ(2u, messages.shown.size()) << "each told once";

    writeText(dir / "empty.zrd", "\x1b@");
    dialogs.choose(dir / "empty.zrd");
    command(CMD_OPEN_FILE);
    command(CMD_VIEW_PAGES);
    ASSERT_TRUE(pumpUntil([&] { return pagePosition(s->pages).counted; }, 20000));
    pump();
    EXPECT_EQ(text(IDS_PAGES_NONE), position());
}

}  // namespace
}  // namespace orv::test
