// The page painter on a memory device context: where its black pixels
// land for known runs, graphics and rules, at more than one zoom.
#include <windows.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "print/win32/PagePainter.h"
#include "render/PageLook.h"

namespace orv::test {
namespace {

using print::PagePainter;
using print::Placement;
using render::Page;

// A white 32-bit DIB section of the page's size at zoom, selected into a
// memory DC.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height), dc_(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
        fill(RECT{0, 0, width, height}, WHITE_BRUSH);
    }
    ~Canvas() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    void fill(RECT r, int brush) { FillRect(dc_, &r, static_cast<HBRUSH>(GetStockObject(brush))); }
    bool dark(int x, int y) const {
        GdiFlush();
        const std::uint32_t p = bits_[y * width_ + x];
        return (p & 0xFF) + (p >> 8 & 0xFF) + (p >> 16 & 0xFF) < 3 * 128;
    }
    // Dark pixels in [left, right) x [top, bottom), and where they are.
    int count(RECT r, const std::function<void(int, int)>& each = nullptr) const {
        int n = 0;
        for (int y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, height_); ++y)
            for (int x = std::max<LONG>(r.left, 0); x < std::min<LONG>(r.right, width_); ++x)
                if (dark(x, y)) {
                    ++n;
                    if (each) each(x, y);
                }
        return n;
    }
    int all() const { return count(RECT{0, 0, width_, height_}); }

private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

Page smallPage() {
    Page page;
    page.width = 200, page.height = 150;
    return page;
}
Page runPage(const std::u32string& text, render::Style style = {}, double size = 12) {
    Page page = smallPage();
    page.runs.push_back({36, 48, 7.2, size, style, 0, 0, text});
    return page;
}
Canvas painted(const Page& page, double zoom, const RECT* area = nullptr) {
    Canvas canvas(int(page.width * zoom), int(page.height * zoom));
    PagePainter().paint(canvas.dc(), page, Placement{0, 0, zoom, zoom}, area);
    return canvas;
}
RECT scaled(double left, double top, double right, double bottom, double z) {
    return RECT{LONG(left * z), LONG(top * z), LONG(right * z + 0.999), LONG(bottom * z + 0.999)};
}

TEST(PagePainter, RunsLandInTheirCellsAtEachZoom) {
    EXPECT_TRUE(PagePainter::fontsLoaded());
    for (double z : {1.0, 3.0}) {
        const Canvas c = painted(runPage(U"HH"), z);
        const int inside = c.count(scaled(36 - 0.5, 48 - 12, 36 + 14.4 + 0.5, 48 + 0.5, z));
        EXPECT_GT(inside, 10 * z * z) << z;
        EXPECT_EQ(c.all(), inside) << "ink outside the cells at zoom " << z;
        // The same glyph twice, one pitch apart.
        const int first = c.count(scaled(36, 36, 43.2, 48.5, z)), second = c.count(scaled(43.2, 36, 50.4, 48.5, z));
        EXPECT_NEAR(first, second, first / 4.0) << z;
    }
}

TEST(PagePainter, EachStyleShowsAsThePdfDrawsIt) {
    const double z = 3;
    render::Style bold, italic, underline, superscript;
    bold.bold = italic.italic = underline.underline = superscript.superscript = true;
    const int plain = painted(runPage(U"HHHH"), z).all();
    EXPECT_GT(painted(runPage(U"HHHH", bold), z).all(), plain * 1.2);
    EXPECT_LT(painted(runPage(U"HHHH", superscript, 8), z).all(), plain * 0.6);

    // Italics lean right: the top of an l stands right of its foot by
    // about the shear times its height.
    const Canvas slanted = painted(runPage(U"l", italic), z), upright = painted(runPage(U"l"), z);
    const auto lean = [&](const Canvas& c) {
        double top = 0, foot = 0;
        const int nTop = c.count(scaled(30, 39, 50, 41, z), [&](int x, int) { top += x; });
        const int nFoot = c.count(scaled(30, 46, 50, 48, z), [&](int x, int) { foot += x; });
        return (top / nTop - foot / nFoot) / z;  // points
    };
    EXPECT_NEAR(lean(slanted) - lean(upright), render::kItalicShear * 7, 0.6);

    // The underline runs under the whole advance, spaces included.
    const Canvas under = painted(runPage(U"A  ", underline), z);
    const LONG y = std::lround((48 + render::kUnderlineDrop * 12) * z), left = 108, right = 173;  // 36 and 57.6 points
    EXPECT_EQ(under.count(RECT{left, y, right, y + 1}), right - left);
    EXPECT_EQ(under.count(RECT{left - 5, y, left, y + 1}) + under.count(RECT{right, y, right + 5, y + 1}), 0);
    // The overline likewise, over the capitals.
    render::Style overline;
    overline.overline = true;
    const Canvas over = painted(runPage(U"A  ", overline), z);
    const LONG o = std::lround((48 - render::kOverlineRise * 12) * z);
    EXPECT_EQ(over.count(RECT{left, o, right, o + 1}), right - left);
    EXPECT_EQ(over.count(RECT{left, y, right, y + 1}), 0) << "no underline";

    // Double-strike: darker than plain, less than bold, no wider.
    render::Style struck;
    struck.doubleStrike = true;
    const Canvas twice = painted(runPage(U"HHHH", struck), z);
    EXPECT_GT(twice.all(), plain * 1.05);
    EXPECT_LT(twice.all(), painted(runPage(U"HHHH", bold), z).all());
    EXPECT_EQ(twice.count(scaled(36 + 4 * 7.2 + 0.5, 30, 200, 60, z)), 0) << "ink past the run";
}

TEST(PagePainter, GraphicsAreDotsOfInkAtTheirPlace) {
    Page page = smallPage();
    // 3 x 2 dots, each 1 point square: 101 over 010.
    page.images.push_back({100, 100, 3, 2, 3, 2, {0xA0, 0x40}});
    for (double z : {2.0, 4.0}) {
        Canvas c(int(page.width * z), int(page.height * z));
        c.fill(scaled(101, 100, 102, 101, z), BLACK_BRUSH);  // under the top row's white dot
        PagePainter().paint(c.dc(), page, Placement{0, 0, z, z});
        const int dot = int(z * z);
        for (int row = 0; row < 2; ++row)
            for (int column = 0; column < 3; ++column) {
                const bool black = row == 0 || column == 1;  // the white dot left the black under it
                EXPECT_EQ(c.count(scaled(100 + column, 100 + row, 101 + column, 101 + row, z)), black ? dot : 0)
                    << "dot " << row << "," << column << " at zoom " << z;
            }
        EXPECT_EQ(c.all(), 4 * dot);
    }
}

TEST(PagePainter, RulesAreFilledAtLeastOnePixelWide) {
    Page page = smallPage();
    page.rules.push_back({50, 100, 150, 100, 1});
    page.rules.push_back({20, 20, 20, 60, 0});  // a hairline
    page.rules.push_back({100, 20, 140, 60, 2});
    const Canvas c = painted(page, 2);
    EXPECT_EQ(c.count(scaled(50, 99.5, 150, 100.5, 2)), 200 * 2);
    EXPECT_EQ(c.count(scaled(19, 20, 21, 60, 2)), 80);
    EXPECT_TRUE(c.dark(240, 80));  // the diagonal's middle
    EXPECT_EQ(c.all(), 400 + 80 + c.count(scaled(95, 15, 145, 65, 2)));
}

TEST(PagePainter, PaintsOnlyWhatMeetsTheArea) {
    Page page = runPage(U"HH");
    page.rules.push_back({50, 100, 150, 100, 1});
    const RECT away{1000, 1000, 1100, 1100}, rule{80, 190, 120, 210};
    EXPECT_EQ(painted(page, 2, &away).all(), 0);
    const Canvas c = painted(page, 2, &rule);
    EXPECT_EQ(c.all(), c.count(scaled(50, 99.5, 150, 100.5, 2)));  // the rule, not the run
    EXPECT_GT(c.all(), 0);

    Canvas sheet(300, 300);
    sheet.fill(RECT{0, 0, 300, 300}, BLACK_BRUSH);
    const RECT part{80, 100, 120, 120};
    PagePainter::paintSheet(sheet.dc(), smallPage(), Placement{10, 10, 1, 1}, &part);
    EXPECT_EQ(sheet.all(), 300 * 300 - 40 * 20);
    const Placement screen = print::screenPlacement(sheet.dc(), 5, 7, 2);
    EXPECT_DOUBLE_EQ(screen.scaleX, 2 * GetDeviceCaps(sheet.dc(), LOGPIXELSX) / 72.0);
    EXPECT_EQ(print::sheetRect(smallPage(), screen).left, 5);
}

}  // namespace
}  // namespace orv::test
