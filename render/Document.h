// A print job as the printer put it on paper: pages of positioned text,
// dot graphics and rules, in points (1/72 inch) from the top-left corner of
// the sheet.  The interpreter makes it; the PDF and text writers read it.
//
// The interpreter's sheet: the printable area's left edge stands 18 points
// (1/4 inch) right of the sheet's, the top of the form at the sheet's top.
// A line's character cells hang from the print position: the first
// baseline is 9 points below the top (3/4 of a 12-point cell).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace orv::render {

// bold: emphasized (ESC E) or double-strike (ESC G).  underline: the
// writer draws the line under the run's whole advance, spaces included, as
// the printer does; the interpreter makes no Rule for it.
struct Style {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool doubleWidth = false;
    bool doubleHeight = false;
    bool superscript = false;
    bool subscript = false;

    bool operator==(const Style& o) const {
        return bold == o.bold && italic == o.italic && underline == o.underline && doubleWidth == o.doubleWidth &&
               doubleHeight == o.doubleHeight && superscript == o.superscript && subscript == o.subscript;
    }
};

// Characters printed one after the other on one line with one style and
// one pitch: character k stands at x + k * advance.
//
// size: 12, 24 with double height; super- and subscripts are 2/3 of that,
// with the baseline at 1/2 (superscript) or 5/6 (subscript) of the full
// cell below its top instead of 3/4.
// column: the first character's distance from the printable area's left
// edge in characters of the pitch in force (10, 12, 15 cpi, condensed
// 17.14 or 20 cpi, or ESC c's but no finer than 20 cpi), double width not
// counted: the next double-width character is 2 columns on.
// line: the line feeds from the top of the page to the run, each movement
// counted in the line spacing in force when it was made (ESC J 12 at 1/6
// inch spacing is 0.4 of a line), rounded to the nearest line.
// toText puts character k of a run in column + k: double-width text closes
// up so that its words stay whole, while the runs after it keep their own
// columns.
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

// A straight rule (the interpreter draws underlines with Style::underline).
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
