// A print job as the printer put it on paper: pages of positioned text,
// dot graphics and rules, in points (1/72 inch) from the top-left corner of
// the sheet.  The interpreter makes it; the PDF and text writers (and a
// page painter) read it.
//
// The interpreter's sheet: the printable area's left edge stands 18 points
// (1/4 inch) right of the sheet's, the top of form the options' distance
// (8.5 mm by default) below its top edge.  A line's character cells hang
// from the print position: the first baseline is 9 points below the top
// of form (3/4 of a 12-point cell).
//
// Every mark lies on the sheet: a run's glyphs (kGlyphAscent above its
// baseline to kGlyphDescent below, in its size), its underline and
// overline, images and rules.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace orv::render {

// The embedded monospace face's extents, in the size of a run: how far its
// glyphs reach above and below the baseline (DejaVu Sans Mono: 1901 and
// 483 of 2048 units), rounded up.
constexpr double kGlyphAscent = 0.93, kGlyphDescent = 0.24;

// bold: emphasized (ESC E), the bold face, each dot struck twice side by
// side on the printer.  doubleStrike (ESC G): each line struck twice, the
// second pass a fraction of a dot lower: the regular face, darker at the
// same width (the PDF writer strokes its outlines thinly; a painter may
// draw the run a second time a third of a point lower; PageLook.h).  Both
// may be set.
// underline: the writer draws the line under the run's whole advance,
// spaces included, as the printer does; the interpreter makes no Rule for
// it.  overline (the Proprinter's ESC _): the same above the run, at the
// top of its character cell (PageLook.h's kOverlineRise of the size above
// the baseline).
struct Style {
    bool bold = false;
    bool doubleStrike = false;
    bool italic = false;
    bool underline = false;
    bool overline = false;
    bool doubleWidth = false;
    bool doubleHeight = false;
    bool superscript = false;
    bool subscript = false;

    bool operator==(const Style& o) const {
        return bold == o.bold && doubleStrike == o.doubleStrike && italic == o.italic && underline == o.underline &&
               overline == o.overline && doubleWidth == o.doubleWidth && doubleHeight == o.doubleHeight &&
               superscript == o.superscript && subscript == o.subscript;
    }
};
// Characters printed one after the other on one line with one style and
// one pitch: character k stands at x + k * advance.
//
// size: 12, 24 with double height; super- and subscripts are 2/3 of that,
// with the baseline at 1/2 (superscript) or 5/6 (subscript) of the full
// cell below its top instead of 3/4.
// column, line: where the run's characters stand in text output, decided
// once the page is complete.  line: the text lines of a page are the
// heights text was printed at, top to bottom; text less than half a
// 1/6-inch line below a line's top joins that line, and the distance to
// the line before, in 1/6-inch lines, says how many empty lines lie
// between (the first line's distance from the top of form likewise).
// Graphics make no line.  column: the page's columns are those of the
// pitch most of its characters were printed at (no finer than 20 cpi,
// double width not counted); a run starts in the column its place across
// gives, but never over the text of a run on its line that ends before it
// starts.  toText puts character k of a run in column + k: double-width
// text closes up so that its words stay whole, while the runs after it
// keep their own columns.
struct TextRun {
    double x = 0, baseline = 0;  // where the first character's baseline starts
    double advance = 7.2;        // points from one character to the next (10 cpi: 7.2)
    double size = 12;            // the character cell's height in points (double height included)
    Style style;
    int column = 0;  // the first character's column on its line, for text output
    int line = 0;    // the line on its page (0 = top), for text output
    std::u32string text;
};

// Bit-image graphics: dots in rows, 1 = black, each row ceil(columns / 8)
// bytes with the leftmost dot in the top bit.  x and y are the print
// position where the graphics command came; width and height follow from
// the dot densities.  Graphics without a black dot are left out.
struct Image {
    double x = 0, y = 0;           // top-left corner
    double width = 0, height = 0;  // on paper
    int columns = 0, rows = 0;     // dots
    std::vector<std::uint8_t> bits;
};

// A straight rule (the interpreter draws underlines and overlines with the
// Style).
struct Rule {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0, width = 0.5;
};

struct Page {
    double width = 595.28, height = 841.89;  // A4
    std::vector<TextRun> runs;
    std::vector<Image> images;
    std::vector<Rule> rules;
};

struct Document {
    std::vector<Page> pages;
};

}  // namespace orv::render
