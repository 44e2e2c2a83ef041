// One painter, two surfaces: a page of the renderer painted by GDI on a
// screen or on a printer's device context, as the PDF writer draws it.
// Text is text, in the DejaVu Sans Mono the PDF embeds (loaded from the
// program's own bytes, private to the process, nothing installed), each
// character at its place on the run's pitch; graphics are 1-bit DIBs
// (StretchDIBits); rules and underlines are filled shapes.  Positions are
// the page's points, scaled to the surface by a Placement.
//
// The device context is taken in MM_TEXT (logical units are device units);
// paint() leaves its state as it found it.
#pragma once
#include <windows.h>

#include <map>
#include <tuple>
#include <vector>

#include "base/win32/Scoped.h"
#include "render/Document.h"

namespace orv::print {

// Where a page lands on a surface: the sheet's top-left corner in device
// units, and device units per point across and down.
struct Placement {
    double left = 0, top = 0;
    double scaleX = 1, scaleY = 1;
    double x(double points) const { return left + points * scaleX; }
    double y(double points) const { return top + points * scaleY; }
};

// On a screen: zoom 1 is the page's real size at the screen's logical
// resolution (LOGPIXELSX/Y per inch), the sheet's corner at (left, top).
Placement screenPlacement(HDC dc, double left, double top, double zoom);
// On a printer: at the printer's resolution, the page's corner on the
// paper's corner (the device's origin is the printable area's corner,
// PHYSICALOFFSETX/Y into the paper); made smaller, keeping its shape, only
// when the paper is smaller than the page.
Placement printerPlacement(HDC dc, const render::Page& page);
// The sheet on the surface, in device units.
RECT sheetRect(const render::Page& page, const Placement& at);

class PagePainter {
public:
    PagePainter() = default;
    PagePainter(const PagePainter&) = delete;
    PagePainter& operator=(const PagePainter&) = delete;

    // Paints the page's graphics, text and rules.  Only what meets area (in
    // device units; null: the whole page) is drawn, and nothing at all for
    // a page whose sheet misses it, so that a page view may call it for
    // every page near the screen.  Graphics are ink: their white dots leave
    // what is under them, except on a printer, which gets them as they are
    // (printer drivers need not read the page back), drawn before the text.
    void paint(HDC dc, const render::Page& page, const Placement& at, const RECT* area = nullptr);
    // Fills the sheet (what of it meets area) with white: a page on screen.
    static void paintSheet(HDC dc, const render::Page& page, const Placement& at, const RECT* area = nullptr);

    // False when the built-in fonts could not be loaded: text is then
    // drawn in the system's DejaVu Sans Mono, or what GDI takes for it.
    static bool fontsLoaded();

private:
    struct Line {
        double x1, y1, x2, y2, width;  // device units
    };
    void drawRun(HDC dc, const render::TextRun& run, const Placement& at, const RECT* area, std::vector<Line>& lines);
    HFONT font(int weight, bool italic, int height, int width);

    // The fonts made so far, by weight, slant, height and width; a page
    // uses a handful.
    std::map<std::tuple<int, bool, int, int>, GdiObject<HFONT>> fonts_;
};

}  // namespace orv::print
