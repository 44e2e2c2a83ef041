#include "print/win32/PagePainter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "render/PageLook.h"
#include "render/PdfFont.h"

namespace orv::print {
namespace {

using render::Image;
using render::Page;
using render::Rule;
using render::Style;
using render::TextRun;

const wchar_t kFace[] = L"DejaVu Sans Mono";

// Device coordinates stay well inside what GDI takes.
constexpr double kLimit = 1 << 26;
int device(double v) { return std::isfinite(v) ? int(std::lround(std::clamp(v, -kLimit, kLimit))) : 0; }
bool positive(double v) { return std::isfinite(v) && v > 0; }
bool meets(const RECT& box, const RECT* area) {
    RECT both;
    return !area || IntersectRect(&both, &box, area);
}

// The built-in faces, added to the process's private fonts on first use
// for the rest of its run: every device context of the process, a
// printer's too, finds them by name, and no other program sees them.
class EmbeddedFaces {
public:
    static const EmbeddedFaces& get() {
        static const EmbeddedFaces faces;
        return faces;
    }
    bool loaded() const { return loaded_; }
    EmbeddedFaces(const EmbeddedFaces&) = delete;
    EmbeddedFaces& operator=(const EmbeddedFaces&) = delete;

private:
    EmbeddedFaces() {
        for (bool bold : {false, true}) {
            const std::string& file = render::monoFaceFile(bold);
            DWORD count = 0;
            if (!file.empty())
                fonts_[bold].reset(
                    AddFontMemResourceEx(const_cast<char*>(file.data()), DWORD(file.size()), nullptr, &count));
            if (!fonts_[bold] || count == 0) loaded_ = false;
        }
    }
    FontResource fonts_[2];
    bool loaded_ = true;
};

// ---- What each field of Style does on the surface, one piece each -------
// The PDF writer (render/Pdf.cpp) draws the same fields with the same
// measures (render/PageLook.h).

// bold: the bold face.
int weight(const Style& style) { return style.bold ? FW_BOLD : FW_NORMAL; }

// italic: the upright face sheared, as the PDF shears it (GlyphShape).
double shear(const Style& style) { return style.italic ? render::kItalicShear : 0; }

// superscript, subscript: glyphs two thirds wide on the run's pitch; the
// interpreter made their cell small and placed their baseline.
double glyphScale(const Style& style) { return style.superscript || style.subscript ? render::kSmallScale : 1; }

// doubleWidth, doubleHeight: nothing of their own here; the interpreter
// made them the run's advance and size.

// The glyphs made as wide as the run asks (the PDF's text matrix) and
// sheared for italics, by the world transform about the run's start on its
// baseline: GDI and printer drivers draw a TrueType face so transformed;
// Wine's PostScript driver too, where it ignores a font's own width
// (lfWidth).  A device that takes no transform gets lfWidth and GDI's
// oblique instead.
class GlyphShape {
public:
    // stretch: the glyphs' width to their natural one; x, y: the run's
    // start (device units).
    GlyphShape(HDC dc, double stretch, double shear, double x, double y) : dc_(dc), stretch_(stretch) {
        wanted_ = shear != 0 || std::abs(stretch - 1) > 0.01;
        if (!wanted_) return;
        previous_ = SetGraphicsMode(dc, GM_ADVANCED);
        const XFORM shape{FLOAT(stretch), 0, FLOAT(-shear), 1, FLOAT(x * (1 - stretch) + shear * y), 0};
        applied_ = previous_ != 0 && SetWorldTransform(dc, &shape);
        if (!applied_ && previous_) SetGraphicsMode(dc, previous_);
    }
    ~GlyphShape() {
        if (!applied_) return;
        ModifyWorldTransform(dc_, nullptr, MWT_IDENTITY);  // GM_COMPATIBLE takes no other
        SetGraphicsMode(dc_, previous_);
    }
    GlyphShape(const GlyphShape&) = delete;
    GlyphShape& operator=(const GlyphShape&) = delete;

    bool failed() const { return wanted_ && !applied_; }
    // Where to draw what is to land at device x, when the run starts at x0.
    int logical(int x, int x0) const { return applied_ ? x0 + device((x - x0) / stretch_) : x; }

private:
    HDC dc_;
    double stretch_;
    int previous_ = 0;
    bool wanted_ = false, applied_ = false;
};

// underline, overline: a line under (over) the run's whole advance,
// spaces included.
template <typename Line>
void underAndOverlines(const Style& style, const TextRun& run, const Placement& at, std::vector<Line>& lines) {
    const double x1 = at.x(run.x), x2 = at.x(run.x + run.advance * double(run.text.size()));
    const double width = render::kUnderlineWidth * run.size * at.scaleY;
    for (const double rise :
         {style.underline ? -render::kUnderlineDrop : 0.0, style.overline ? render::kOverlineRise : 0.0}) {
        if (rise == 0) continue;
        const double y = at.y(run.baseline - rise * run.size);
        lines.push_back({x1, y, x2, y, width});
    }
}

// doubleStrike: the run struck again a little lower, as the printer's
// second pass: darker, no wider (the PDF strokes the outlines instead).
int secondPassDrop(const Style& style, const Placement& at) {
    return style.doubleStrike ? std::max(1, device(render::kDoubleStrikeDrop * at.scaleY)) : 0;
}

// ---- Graphics and lines -------------------------------------------------

// A bit image as a bottom-up 1-bit DIB (rows of whole DWORDs; bottom-up is
// what every driver takes), 1 black and 0 white, stretched over its place.
void drawImage(HDC dc, const Image& image, const Placement& at, const RECT* area, DWORD rop) {
    if (image.columns <= 0 || image.rows <= 0 || !positive(image.width) || !positive(image.height)) return;
    const std::size_t stride = (std::size_t(image.columns) + 7) / 8;
    const std::size_t rows = std::min(std::size_t(image.rows), image.bits.size() / stride);
    if (rows == 0) return;
    const double height = image.height * double(rows) / image.rows;  // rows missing from the bits stay blank
    RECT box{device(at.x(image.x)), device(at.y(image.y)), device(at.x(image.x + image.width)),
             device(at.y(image.y + height))};
    box.right = std::max(box.right, box.left + 1);
    box.bottom = std::max(box.bottom, box.top + 1);
    if (!meets(box, area)) return;

    const std::size_t dibStride = (std::size_t(image.columns) + 31) / 32 * 4;
    std::vector<std::uint8_t> dib(dibStride * rows);
    for (std::size_t r = 0; r < rows; ++r)
        std::memcpy(&dib[(rows - 1 - r) * dibStride], &image.bits[r * stride], stride);
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[2];
    } info{};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = image.columns;
    info.header.biHeight = LONG(rows);
    info.header.biPlanes = 1;
    info.header.biBitCount = 1;
    info.header.biCompression = BI_RGB;
    info.header.biClrUsed = 2;
    info.colors[0] = RGBQUAD{255, 255, 255, 0};
    info.colors[1] = RGBQUAD{0, 0, 0, 0};
    StretchDIBits(dc, box.left, box.top, box.right - box.left, box.bottom - box.top, 0, 0, image.columns, int(rows),
                  dib.data(), reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, rop);
}

// A straight line of the given width with square ends at its end points
// (as the PDF strokes it: butt caps), filled; at least one device unit
// wide, so that a hairline shows at any zoom.
template <typename Line>
void fillLine(HDC dc, const Line& line, const RECT* area) {
    const double half = std::max(std::isfinite(line.width) ? line.width : 0, 1.0) / 2;
    const double dx = line.x2 - line.x1, dy = line.y2 - line.y1, length = std::hypot(dx, dy);
    if (!(length > 0)) return;  // a line without length draws nothing, as in the PDF
    if (dx == 0 || dy == 0) {
        RECT r = dy == 0 ? RECT{device(std::min(line.x1, line.x2)), device(line.y1 - half),
                                device(std::max(line.x1, line.x2)), device(line.y1 + half)}
                         : RECT{device(line.x1 - half), device(std::min(line.y1, line.y2)), device(line.x1 + half),
                                device(std::max(line.y1, line.y2))};
        r.right = std::max(r.right, r.left + 1);
        r.bottom = std::max(r.bottom, r.top + 1);
        if (meets(r, area)) FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return;
    }
    const double nx = -dy / length * half, ny = dx / length * half;
    const POINT corners[4] = {{device(line.x1 + nx), device(line.y1 + ny)},
                              {device(line.x2 + nx), device(line.y2 + ny)},
                              {device(line.x2 - nx), device(line.y2 - ny)},
                              {device(line.x1 - nx), device(line.y1 - ny)}};
    RECT box{corners[0].x, corners[0].y, corners[0].x + 1, corners[0].y + 1};
    for (const POINT& p : corners) {
        box.left = std::min(box.left, p.x), box.right = std::max(box.right, p.x + 1);
        box.top = std::min(box.top, p.y), box.bottom = std::max(box.bottom, p.y + 1);
    }
    if (!meets(box, area)) return;
    Selection pen(dc, GetStockObject(NULL_PEN));
    Selection brush(dc, GetStockObject(BLACK_BRUSH));
    Polygon(dc, corners, 4);
}

}  // namespace

Placement screenPlacement(HDC dc, double left, double top, double zoom) {
    const double z = positive(zoom) ? zoom : 1;
    return Placement{left, top, z * GetDeviceCaps(dc, LOGPIXELSX) / 72.0, z * GetDeviceCaps(dc, LOGPIXELSY) / 72.0};
}

Placement printerPlacement(HDC dc, const render::Page& page) {
    double scaleX = GetDeviceCaps(dc, LOGPIXELSX) / 72.0, scaleY = GetDeviceCaps(dc, LOGPIXELSY) / 72.0;
    const double paperWidth = GetDeviceCaps(dc, PHYSICALWIDTH), paperHeight = GetDeviceCaps(dc, PHYSICALHEIGHT);
    if (paperWidth > 0 && paperHeight > 0 && positive(page.width) && positive(page.height)) {
        const double fit = std::min({1.0, paperWidth / (page.width * scaleX), paperHeight / (page.height * scaleY)});
        scaleX *= fit;
        scaleY *= fit;
    }
    return Placement{-double(GetDeviceCaps(dc, PHYSICALOFFSETX)), -double(GetDeviceCaps(dc, PHYSICALOFFSETY)), scaleX,
                     scaleY};
}

RECT sheetRect(const render::Page& page, const Placement& at) {
    return RECT{device(at.x(0)), device(at.y(0)), device(at.x(page.width)), device(at.y(page.height))};
}

bool PagePainter::fontsLoaded() { return EmbeddedFaces::get().loaded(); }

void PagePainter::paintSheet(HDC dc, const render::Page& page, const Placement& at, const RECT* area) {
    RECT sheet = sheetRect(page, at);
    if (area && !IntersectRect(&sheet, &sheet, area)) return;
    FillRect(dc, &sheet, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

void PagePainter::paint(HDC dc, const render::Page& page, const Placement& at, const RECT* area) {
    if (!meets(sheetRect(page, at), area)) return;
    EmbeddedFaces::get();
    SavedDC saved(dc);
    // Printer drivers need not read the page back (SRCAND does); their
    // paper is white under the graphics, which come first.
    const DWORD rop = GetDeviceCaps(dc, TECHNOLOGY) == DT_RASPRINTER ? SRCCOPY : SRCAND;
    SetStretchBltMode(dc, BLACKONWHITE);  // a dot shrunk on screen stays black
    for (const Image& image : page.images) drawImage(dc, image, at, area, rop);

    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    SetTextAlign(dc, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
    std::vector<Line> lines;
    for (const TextRun& run : page.runs) drawRun(dc, run, at, area, lines);
    for (const Rule& r : page.rules)
        lines.push_back({at.x(r.x1), at.y(r.y1), at.x(r.x2), at.y(r.y2), r.width * at.scaleY});
    for (const Line& line : lines) fillLine(dc, line, area);
}

void PagePainter::drawRun(HDC dc, const TextRun& run, const Placement& at, const RECT* area, std::vector<Line>& lines) {
    if (run.text.empty() || !positive(run.size) || !positive(run.advance)) return;
    const Style& style = run.style;
    const std::size_t n = run.text.size();
    const double lean = shear(style);
    // The cell above the baseline, the descenders and the underline below
    // it, the slant's lean to the right.
    const RECT box{device(at.x(run.x) - 1), device(at.y(run.baseline - run.size)),
                   device(at.x(run.x + run.advance * double(n) + lean * run.size) + 1),
                   device(at.y(run.baseline + 0.35 * run.size) + 1)};
    if (!meets(box, area)) return;

    std::wstring text;
    text.reserve(n);
    for (char32_t c : run.text)  // the renderer's character tables hold no character beyond U+FFFF
        text += c <= 0xFFFF && (c < 0xD800 || c > 0xDFFF) ? wchar_t(c) : wchar_t(0xFFFD);
    // The em is the run's size; the glyphs' natural advance is the face's
    // one advance (a monospace face) at that size.
    const int height = std::max(1, device(run.size * at.scaleY));
    const double glyph = run.advance * glyphScale(style) * at.scaleX;
    const render::TrueTypeFont& face = render::monoFace(style.bold);
    const double natural = face.valid() ? height * double(face.advance) / face.unitsPerEm : glyph;
    const int x = device(at.x(run.x)), baseline = device(at.y(run.baseline));
    GlyphShape shape(dc, glyph / natural, lean, x, baseline);
    // Each character at its own place on the pitch, rounded once, so that
    // columns line up at any scale whatever the glyphs' own advance.
    std::vector<INT> advances(n);
    int previous = shape.logical(x, x);
    for (std::size_t k = 0; k < n; ++k) {
        const int next = shape.logical(device(at.x(run.x + run.advance * double(k + 1))), x);
        advances[k] = next - previous;
        previous = next;
    }
    // Without the transform: lfWidth, an average glyph's advance, which in
    // DejaVu Sans Mono is every glyph's.
    const int width = shape.failed() ? std::max(1, device(glyph)) : 0;
    Selection font(dc, this->font(weight(style), shape.failed() && lean != 0, height, width));
    ExtTextOutW(dc, x, baseline, 0, nullptr, text.data(), UINT(n), advances.data());
    if (const int drop = secondPassDrop(style, at))
        ExtTextOutW(dc, x, baseline + drop, 0, nullptr, text.data(), UINT(n), advances.data());
    underAndOverlines(style, run, at, lines);
}

HFONT PagePainter::font(int weight, bool italic, int height, int width) {
    const auto key = std::make_tuple(weight, italic, height, width);
    auto found = fonts_.find(key);
    if (found != fonts_.end()) return found->second.get();
    if (fonts_.size() >= 64) fonts_.clear();  // none is selected between runs
    LOGFONTW lf{};
    lf.lfHeight = -height;  // negative: the em, not the cell
    lf.lfWidth = width;
    lf.lfWeight = weight;
    lf.lfItalic = italic;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = ANTIALIASED_QUALITY;
    lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    std::wcscpy(lf.lfFaceName, kFace);
    return fonts_.emplace(key, GdiObject<HFONT>(CreateFontIndirectW(&lf))).first->second.get();
}

}  // namespace orv::print
