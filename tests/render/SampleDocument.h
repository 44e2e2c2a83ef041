// Documents for the PDF writer's tests, built by hand the way the
// interpreter builds them.
#pragma once
#include <string>

#include "render/Document.h"

namespace orv::test {

inline std::u32string utf32(const std::string& utf8) {
    std::u32string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i++]);
        const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        char32_t c = more ? lead & (0x3F >> more) : lead;
        for (int k = 0; k < more && i < utf8.size(); ++k) c = c << 6 | (static_cast<unsigned char>(utf8[i++]) & 0x3F);
        out += c;
    }
    return out;
}

// A 10-cpi run: column c at x = 36 + 7.2 c (column 5 + c for pdftotext
// -fixed 7.2), line n's baseline at 72 + 12 n.
inline render::TextRun textRun(int line, int column, const std::string& text, render::Style style = {}) {
    render::TextRun run;
    run.x = 36 + 7.2 * column;
    run.baseline = 72 + 12.0 * line;
    run.style = style;
    if (style.doubleWidth) run.advance = 14.4;
    if (style.doubleHeight) run.size = 24;
    // Super- and subscripts as the interpreter makes them: a cell two
    // thirds high, its baseline a quarter of a cell above or a twelfth below.
    if (style.superscript || style.subscript) {
        run.size = 8;
        run.baseline += style.superscript ? -3 : 1;
    }
    run.line = line, run.column = column;
    run.text = utf32(text);
    return run;
}

inline render::Style styled(bool render::Style::*flag) {
    render::Style style;
    style.*flag = true;
    return style;
}

// Page 1 (A4): a line in each style, a box-drawing table, umlauts,
// Cyrillic and characters the font lacks; page 2 (Letter): an image of
// 8 x 4 dots, each a ninth of an inch, in a checkerboard; page 3 (8.5 x
// 12 in): nothing.
inline render::Document sampleDocument() {
    using render::Style;
    render::Page text;
    text.runs = {
        textRun(0, 0, "Plain text at ten characters an inch."),
        textRun(1, 0, "Bold text", styled(&Style::bold)),
        textRun(2, 0, "Italic text", styled(&Style::italic)),
        textRun(3, 0, "Underlined", styled(&Style::underline)),
        textRun(3, 20, "Not underlined"),
        textRun(4, 0, "Wide", styled(&Style::doubleWidth)),
        textRun(4, 20, "Narrow"),
        textRun(6, 0, "Tall", styled(&Style::doubleHeight)),
        textRun(6, 20, "Short"),
        textRun(7, 0, "E=mc"),
        textRun(7, 4, "2", styled(&Style::superscript)),
        textRun(7, 20, "NH"),
        textRun(7, 22, "3", styled(&Style::subscript)),
        textRun(9, 0, "┌──────┬──────┐"),
        textRun(10, 0, "│Grüße │Привет│"),
        textRun(11, 0, "└──────┴──────┘"),
        textRun(12, 0, "Äpfel, Öl, Übel, ½ ░▒▓█ Щука"),
        textRun(13, 0, "Lacking: 中 😀 end"),
        // For the rendering: same-phase columns (multiples of 5) at 144 dpi.
        textRun(15, 0, "A    Ä"),
        textRun(16, 0, "||||"),
        textRun(16, 10, "||||", styled(&Style::italic)),
        textRun(17, 0, "MMMM"),
        textRun(17, 10, "MMMM", styled(&Style::bold)),
        textRun(17, 20, "MMMM", styled(&Style::doubleStrike)),
        textRun(18, 0, "OVER", styled(&Style::overline)),
    };
    render::Page image;
    image.width = 612, image.height = 792;
    render::Image dots;
    dots.x = 72, dots.y = 72, dots.width = 64, dots.height = 32, dots.columns = 8, dots.rows = 4;
    dots.bits = {0xAA, 0x55, 0xAA, 0x55};
    image.images.push_back(dots);
    render::Page empty;
    empty.width = 612, empty.height = 864;
    return {{text, image, empty}};
}

}  // namespace orv::test
