// The interpreter's printer state on jobs of known text and commands.
#include <gtest/gtest.h>

#include <string>

#include "tests/render/RenderTestSupport.h"

namespace orv::test {
namespace {

using namespace std::string_literals;

using render::Pins;
using render::Printer;
using render::RenderOptions;
using render::Style;

// Named units and no top of form: positions from the sheet's top edge.
RenderOptions withPrinter(Printer printer, Pins pins = Pins::TwentyFour) {
    RenderOptions o;
    o.printer = printer;
    o.pins = pins;
    o.topOfForm = 0;
    return o;
}
const RenderOptions kEpson = withPrinter(Printer::Epson);

// '|' marks the spot: its x, baseline, column and line.
TEST(Interpreter, PositionsAcross) {
    struct Case {
        std::string job;
        double x;
        int column, line = 0;
    };
    const Case cases[] = {
        {"abc|", 18 + 3 * 7.2, 3},
        {"\033Mabc|", 18 + 3 * 6, 3},
        {"\033gabc|", 18 + 3 * 4.8, 3},
        {"\017abc|", 18 + 3 * 4.2, 3},
        {"\033M\017abc|", 18 + 3 * 3.6, 3},
        {"\033g\017abc|", 18 + 3 * 4.8, 3},
        {"\x0f\022abc|", 18 + 3 * 7.2, 3},
        {"\033!\001ab|", 18 + 2 * 6, 2},
        {"\033X\x1e\x00\000ab|"s, 18 + 2 * 6, 2},
        {"\016ab|", 18 + 2 * 14.4, 4},
        {"\033W\001ab\033W\000c|"s, 18 + 2 * 14.4 + 7.2, 5},
        {"\033 \022a|", 18 + 14.4, 1},  // letter-spaced text stays whole
        {"\033c\x48\000ab|"s, 18 + 2 * 14.4, 2},
        {"\033l\x05|", 18 + 36, 5},
        {"\033l\005ab\r|", 18 + 36, 5},
        {"\033$\x3c\x00|"s, 18 + 72, 10},
        {"\033l\x0a\033$\x3c\x00|"s, 18 + 144, 20},
        {"ab\033\\\x5a\x00|"s, 18 + 14.4 + 36, 7},
        {"abcd\033\\\xa6\xff|", 18 + 4 * 7.2, 4},  // past the left margin: ignored
        {"\033$\xff\x7f|", 18, 0},                 // past the right margin: ignored
        {"ab\x08|", 18 + 7.2, 1},
        {"\x08|", 18, 0},
        {"a\t|", 18 + 8 * 7.2, 8},
        {"\033M\t\t|", 18 + 16 * 6, 16},
        {"\033l\002a\t|", 18 + 10 * 7.2, 10},
        {"\033D\x03\x0a\x00\t\t|"s, 18 + 10 * 7.2, 10},
        {"\033D\x00\t|"s, 18, 0},
        {"\033Q\005abcdef|", 18 + 7.2, 1, 1},  // wraps at the right margin
        {"\033(^\x02\000ab|"s, 18 + 2 * 7.2, 2},
        {"\033(U\x01\x00\x0a\033($\x04\x00\x48\x00\x00\x00|"s, 18 + 14.4, 2},
    };
    for (const Case& c : cases) {
        const Rendered r = renderJob(c.job);
        const Spot s = find(r.doc, U'|');
        EXPECT_NEAR(s.x, c.x, 1e-9) << c.job;
        EXPECT_EQ(s.column, c.column) << c.job;
        EXPECT_EQ(s.line, c.line) << c.job;
        EXPECT_TRUE(r.report.skipped.empty()) << c.job << ": " << r.report.describe();
    }
    RenderOptions ibm = withPrinter(Printer::Ibm);
    EXPECT_NEAR(find(renderJob("\033:ab|", ibm).doc, U'|').x, 18 + 12, 1e-9);
    EXPECT_NEAR(find(renderJob("\033X\x03\x00\r|"s, ibm).doc, U'|').x, 18 + 14.4, 1e-9);
    EXPECT_NEAR(find(renderJob("\033d\x3c\x00|"s, ibm).doc, U'|').x, 18 + 36, 1e-9);
    EXPECT_NEAR(find(renderJob("\x0f\033M\x12|a", ibm).doc, U'a').x, 18 + 7.2, 1e-9);
}

TEST(Interpreter, LineSpacingAndLines) {
    struct Case {
        std::string job;
        double baseline;
        int line;
        RenderOptions options = kEpson;
    };
    const RenderOptions nine = withPrinter(Printer::Epson, Pins::Nine), ibm = withPrinter(Printer::Ibm);
    const Case cases[] = {
        {"|", 11.16, 0},  // moved down to keep the glyphs on the sheet
        {"\n|", 21, 1},
        {"ab\r\n|", 21, 1},
        {"\0330\n\n|", 27, 2},
        {"\0331\n|", 16, 1},
        {"\0330\n\0332\n|", 30, 2},
        {"\0333\x1e\n|", 21, 1},
        {"\0333\x24\n|", 21, 1, nine},
        {"\033A\x0c\n|", 9 + 14.4, 1},
        {"\033A\x0c\n|", 21, 1, nine},
        {"\033+\x3c\n|", 21, 1},
        {"\033J\x1e|", 21, 1},
        {"\033J\x0c|", 13.8, 0},
        {"\033J\x24|", 21, 1, nine},
        {"\x0b|", 21, 1},
        {"\033B\x02\x05\x00\x0b\x0b|"s, 69, 5},
        {"\033(V\x02\x00\x3c\x00|"s, 21, 1},
        {"\n\n\033(v\x02\x00\xc4\xff|"s, 21, 1},
        {"\033A\x18\n|", 21, 1, ibm},
        {"\033A\x18\0332\n|", 33, 2, ibm},  // 1/3 inch: two lines down
        {"\0333\x24\n|", 21, 1, ibm},
        {"\0335\001a\r|", 21, 1, ibm},
    };
    for (const Case& c : cases) {
        const Spot s = find(renderJob(c.job, c.options).doc, U'|');
        EXPECT_EQ(s.page, 0) << c.job;
        EXPECT_NEAR(s.baseline, c.baseline, 1e-9) << c.job;
        EXPECT_EQ(s.line, c.line) << c.job;
    }
    // ESC J keeps the column.
    EXPECT_EQ(find(renderJob("ab\033J\x1e|").doc, U'|').column, 2);
}

// A page is made by printing on it, or by FF on a page the job fed paper
// on (an FF feeds it too); feeds alone make none.
TEST(Interpreter, Pages) {
    struct Case {
        std::string job;
        std::size_t pages;
        int page, line;  // of '|'
        const char* paper = "a4";
    };
    const std::string lf66(66, '\n'), lf65(65, '\n');
    const Case cases[] = {
        {"a\x0c|", 2, 1, 0},
        {"\x0c\x0c|", 1, 0, 0},  // nothing to eject yet
        {"a\x0c\x0c|", 3, 2, 0},     // the job feeds out an empty sheet
        {"a\x0c\x0c", 2, -1, 0},      // at its end too
        {"\n\x0c|", 2, 1, 0},  // a fed page is ejected, blank
        {"a\x0c", 1, -1, 0},
        {"a" + lf66 + lf66, 1, -1, 0, "letter"},  // feeds past the last page make none
        {"a\x0c" + lf66 + lf66 + "|", 2, 1, 0, "letter"},
        {"a\033C\x03\n\n\n|", 2, 1, 0},
        {"a\033C\x03\n\n\n\x0c|", 2, 1, 0},  // FF right after the break ejects nothing
        {"a\033C\x03\n\n\n\n\x0c|", 3, 2, 0},
        {"a\033C\x00\x01"s + std::string(6, '\n') + "|", 2, 1, 0},
        {"a" + lf65 + "|", 1, 0, 65, "letter"},  // 66 lines on letter paper
        {"a" + lf66 + "|", 2, 1, 0, "letter"},
        {"a" + std::string(69, '\n') + "|", 1, 0, 69},  // and 70 on A4
        {"a" + std::string(70, '\n') + "|", 2, 1, 0},
        {"a\033C\x00\x0c"s + lf66 + "|", 2, 1, 0, "letter"},
        {"a\033C\x0a\033N\x02" + std::string(8, '\n') + "|", 2, 1, 0},
        {"\033N\x02\033C\x0a" + std::string(8, '\n') + "|", 1, 0, 8},
        {"\033N\x02\033O\033C\x0a" + std::string(9, '\n') + "|", 1, 0, 9},
        {"a\033B\x02\x00\x0b\x0b|"s, 2, 1, 0},  // no stop below: FF
        {"a\033J\xff\033J\xff\033J\xff\033J\xff\033J\xff\033J\xff\033J\xff\033J\xff\033J\xff|", 2, 1, 0},
        {"a\033(U\x01\x00\x0a\033(C\x02\x00\xb4\x00\n\n\n|"s, 2, 1, 0},
        {"\033(c\x04\x00\x3c\x00\xb4\x00"
         "a\n\n|"s,
         2, 1, 1},  // below a top margin of a line
    };
    for (const Case& c : cases) {
        RenderOptions options = kEpson;
        ASSERT_TRUE(render::parsePaper(c.paper, options.paper));
        const Rendered r = renderJob(c.job, options);
        EXPECT_EQ(r.doc.pages.size(), c.pages) << c.job;
        const Spot s = find(r.doc, U'|');
        EXPECT_EQ(s.page, c.page) << c.job;
        EXPECT_EQ(s.line, c.line) << c.job;
        for (const render::Page& page : r.doc.pages) {
            EXPECT_EQ(page.width, options.paper.width);
            EXPECT_EQ(page.height, options.paper.height);
        }
    }
    // The top margin of ESC ( c: the first line below it on every page.
    const Rendered r = renderJob("\033(c\x04\x00\x3c\x00\x10\016a\014b"s, kEpson);
    EXPECT_NEAR(find(r.doc, U'a').baseline, 9 + 12, 1e-9);
    EXPECT_NEAR(find(r.doc, U'b').baseline, 9 + 12, 1e-9);
}

// The first line below the top of form; no glyph, image or line off the
// sheet, and the lines a sheet holds below it.
TEST(Interpreter, TopOfForm) {
    struct Case {
        const char* paper;
        double topOfForm;
        int lines;  // a page holds
    };
    const Case cases[] = {
        {"a4", render::kDefaultTopOfForm, 68},
        {"letter", render::kDefaultTopOfForm, 64},
        {"letter", 0, 66},
        {"letter", 72, 60},
        {"1x1in", 70, 1},
    };
    for (const Case& c : cases) {
        RenderOptions options = kEpson;
        ASSERT_TRUE(render::parsePaper(c.paper, options.paper));
        options.topOfForm = c.topOfForm;
        const std::string job = "\xc1" + std::string(std::size_t(c.lines) - 1, '\n') + "|\n|";
        const Rendered r = renderJob(job, options);
        ASSERT_EQ(r.doc.pages.size(), 2u) << c.paper << " " << c.topOfForm;
        EXPECT_EQ(find(r.doc, U'|').page, 0) << c.paper << " " << c.topOfForm;
        const render::TextRun& first = r.doc.pages[0].runs[0];
        EXPECT_NEAR(first.baseline, std::max(std::min(c.topOfForm, options.paper.height - 12) + 9, 11.16), 1e-9);
        for (const render::Page& page : r.doc.pages)
            for (const render::TextRun& run : page.runs)
                EXPECT_LE(run.baseline + render::kGlyphDescent * run.size, page.height) << c.paper;
    }
    // Tall text and graphics at the sheet's bottom stay on it: the glyphs
    // move up, the dots below the edge are cut off.
    RenderOptions inch = kEpson;
    ASSERT_TRUE(render::parsePaper("3x1in", inch.paper));
    const Rendered r =
        renderJob("\n\n\n\n\n\033w\x01T\r\033.\x00\x0a\x0a\xff\x01\x00"s + std::string(255, '\x80'), inch);
    ASSERT_EQ(r.doc.pages.size(), 1u);
    const render::TextRun& tall = r.doc.pages[0].runs[0];
    EXPECT_NEAR(tall.baseline, 72 - render::kGlyphDescent * 24, 1e-9);
    ASSERT_EQ(r.doc.pages[0].images.size(), 1u);
    const render::Image& cut = r.doc.pages[0].images[0];
    EXPECT_LE(cut.y + cut.height, 72.0);
    EXPECT_EQ(cut.rows, 60) << "(72 - 60 points) / (1/360 inch)";
    // A top of form beyond the sheet keeps a line.
    inch.topOfForm = 1000;
    EXPECT_NEAR(find(renderJob("|", inch).doc, U'|').baseline, 72 - 12 + 9, 1e-9);
}

TEST(Interpreter, Styles) {
    struct Case {
        std::string job;
        const char* style;  // b (emphasized) d (double-strike) i u o (overline) W H ^ _
        double advance, size, baseline;
    };
    const Case cases[] = {
        {"a", "", 7.2, 12, 9},
        {"\033Ea", "b", 7.2, 12, 9},
        {"\033Ga", "d", 7.2, 12, 9},
        {"\033G\033Ea", "bd", 7.2, 12, 9},
        {"\033G\033Ha", "", 7.2, 12, 9},
        {"\033E\033Fa", "", 7.2, 12, 9},
        {"\0334a", "i", 7.2, 12, 9},
        {"\0334\0335a", "", 7.2, 12, 9},
        {"\033t\x00\xe1"s, "i", 7.2, 12, 9},
        {"\033t0\0334\0335\xe1", "i", 7.2, 12, 9},
        {"\033-\001a", "u", 7.2, 12, 9},
        {"\033-1a", "u", 7.2, 12, 9},
        {"\033-\x01\033-\000a"s, "", 7.2, 12, 9},
        {"\033W\001a", "W", 14.4, 12, 9},
        {"\016a", "W", 14.4, 12, 9},
        {"\033\016a", "W", 14.4, 12, 9},
        {"\x0e\ra", "", 7.2, 12, 9},
        {"\x0e\024a", "", 7.2, 12, 9},
        {"\033w\001a", "H", 7.2, 24, 18},
        {"\033S\000a"s, "^", 7.2, 8, 6},
        {"\033S\001a", "_", 7.2, 8, 10},
        {"\033S\x00\033Ta"s, "", 7.2, 12, 9},
        {"\033!\370a", "bdiuW", 14.4, 12, 9},
        {"\033!\004a", "", 4.2, 12, 9},
        {"\033x\x01\033p\x01\033k\x02\033U\001a", "", 7.2, 12, 9},
    };
    RenderOptions below = kEpson;
    below.topOfForm = 24;
    for (const Case& c : cases) {
        const Rendered r = renderJob(c.job, below);
        ASSERT_EQ(r.doc.pages.size(), 1u) << c.job;
        ASSERT_EQ(r.doc.pages[0].runs.size(), 1u) << c.job;
        const render::TextRun& run = r.doc.pages[0].runs[0];
        const std::string s = c.style;
        Style expected;
        expected.bold = s.find('b') != std::string::npos;
        expected.doubleStrike = s.find('d') != std::string::npos;
        expected.overline = s.find('o') != std::string::npos;
        expected.italic = s.find('i') != std::string::npos;
        expected.underline = s.find('u') != std::string::npos;
        expected.doubleWidth = s.find('W') != std::string::npos;
        expected.doubleHeight = s.find('H') != std::string::npos;
        expected.superscript = s.find('^') != std::string::npos;
        expected.subscript = s.find('_') != std::string::npos;
        EXPECT_TRUE(run.style == expected) << c.job;
        EXPECT_NEAR(run.advance, c.advance, 1e-9) << c.job;
        EXPECT_NEAR(run.size, c.size, 1e-9) << c.job;
        EXPECT_NEAR(run.baseline, 24 + c.baseline, 1e-9) << c.job;
    }
    // The Proprinter's overline, on and off.
    const Rendered ibm = renderJob(
        "a\033_\x01"
        "b\033_0c"s,
        withPrinter(Printer::Ibm));
    ASSERT_EQ(ibm.doc.pages[0].runs.size(), 3u);
    EXPECT_TRUE(ibm.doc.pages[0].runs[1].style.overline);
    EXPECT_FALSE(ibm.doc.pages[0].runs[0].style.overline || ibm.doc.pages[0].runs[2].style.overline);
    // One run for each stretch of one style; overprinting starts a new one.
    const Rendered r = renderJob("ab\033Ecd\033Fef\r__");
    ASSERT_EQ(r.doc.pages[0].runs.size(), 4u);
    EXPECT_EQ(r.doc.pages[0].runs[1].text, U"cd");
    EXPECT_EQ(r.doc.pages[0].runs[3].x, 18);
}

TEST(Interpreter, Graphics) {
    struct Case {
        std::string job;
        RenderOptions options;
        int columns, rows;
        double width, height;
    };
    const RenderOptions nine = withPrinter(Printer::Epson, Pins::Nine), ibm = withPrinter(Printer::Ibm);
    const std::string ink16(16, '\xff'), ink30(30, '\x81');
    const Case cases[] = {
        {"\033K\x10\x00"s + ink16, kEpson, 16, 8, 16 * 1.2, 9.6},
        {"\033K\x10\x00"s + ink16, nine, 16, 8, 16 * 1.2, 8},
        {"\033K\x10\x00"s + ink16, ibm, 16, 8, 16 * 1.2, 8},  // the Proprinter's pins: 1/72 inch
        // 9-dot columns, two bytes each, on either head.
        {"\033^\x00\x10\x00"s + ink16 + ink16, kEpson, 16, 9, 16 * 1.2, 9},
        {"\033^\x01\x10\x00"s + ink16 + ink16, nine, 16, 9, 16 * 0.6, 9},
        {"\033L\x10\x00"s + ink16, kEpson, 16, 8, 16 * 0.6, 9.6},
        {"\033Y\x10\x00"s + ink16, kEpson, 16, 8, 16 * 0.6, 9.6},
        {"\033Z\x10\x00"s + ink16, kEpson, 16, 8, 16 * 0.3, 9.6},
        {"\033?K\x03\033K\x10\x00"s + ink16, kEpson, 16, 8, 16 * 0.3, 9.6},
        {"\033*\x00\x10\x00"s + ink16, kEpson, 16, 8, 16 * 1.2, 9.6},
        {"\033*\x04\x10\x00"s + ink16, kEpson, 16, 8, 16 * 0.9, 9.6},
        {"\033*\x27\x0a\x00"s + ink30, kEpson, 10, 24, 10 * 0.4, 9.6},
        {"\033*\x28\x0a\x00"s + ink30, kEpson, 10, 24, 10 * 0.2, 9.6},
        {"\033*\x21\x0a\x00"s + ink30, kEpson, 10, 24, 10 * 0.6, 9.6},
        {"\033*\x48\x05\x00"s + ink30, kEpson, 5, 48, 5 * 0.2, 9.6},
        {"\033Q\x01\033K\x10\x00"s + ink16, kEpson, 6, 8, 6 * 1.2, 9.6},  // cut at the margin
        {"\033.\x00\x0a\x0a\x02\x10\x00"s + "\xff\xff\x80\x01", kEpson, 16, 2, 16 * 0.2, 0.4},
        {"\033.\x01\x14\x14\x02\x0c\x00"s + "\xff\xf0\x01\xff\xf0", kEpson, 12, 2, 12 * 0.4, 0.8},
    };
    for (const Case& c : cases) {
        const Rendered r = renderJob(c.job + "|", c.options);
        ASSERT_EQ(r.doc.pages.size(), 1u) << c.job;
        ASSERT_EQ(r.doc.pages[0].images.size(), 1u) << c.job;
        const render::Image& image = r.doc.pages[0].images[0];
        EXPECT_EQ(image.columns, c.columns) << c.job;
        EXPECT_EQ(image.rows, c.rows) << c.job;
        EXPECT_EQ(image.bits.size(), std::size_t((c.columns + 7) / 8 * c.rows)) << c.job;
        EXPECT_NEAR(image.width, c.width, 1e-9) << c.job;
        EXPECT_NEAR(image.height, c.height, 1e-9) << c.job;
        EXPECT_EQ(image.x, 18) << c.job;
        EXPECT_EQ(image.y, 0) << c.job;
        // After the graphics, unless they were cut at the margin and '|' wrapped.
        if (c.columns != 6) {
            EXPECT_NEAR(find(r.doc, U'|').x, 18 + c.width, 1e-9) << c.job;
        }
        EXPECT_TRUE(r.report.skipped.empty()) << r.report.describe();
    }
    // The dots: a column's top bit is its top dot; rows run left to right.
    const Rendered k = renderJob("\033K\x02\x00\x80\x01"s, kEpson);
    EXPECT_EQ(k.doc.pages[0].images[0].bits, (std::vector<std::uint8_t>{0x80, 0, 0, 0, 0, 0, 0, 0x40}));
    const Rendered nineDots = renderJob("\033^\x00\x02\x00\x80\x00\x00\x80"s, kEpson);
    EXPECT_EQ(nineDots.doc.pages[0].images[0].bits, (std::vector<std::uint8_t>{0x80, 0, 0, 0, 0, 0, 0, 0, 0x40}));
    const Rendered rle = renderJob("\033.\x01\x0a\x0a\x02\x0c\x00\xff\xf0\x01\xff\xf0"s, kEpson);
    EXPECT_EQ(rle.doc.pages[0].images[0].bits, (std::vector<std::uint8_t>{0xf0, 0xf0, 0xff, 0xf0}));
    // White graphics are left out, but move the print position all the same.
    const Rendered white = renderJob("\033K\x06\x00\x00\x00\x00\x00\x00\x00|"s, kEpson);
    EXPECT_TRUE(white.doc.pages[0].images.empty());
    EXPECT_NEAR(find(white.doc, U'|').x, 18 + 7.2, 1e-9);
}

TEST(Interpreter, SkippedCommands) {
    struct Case {
        std::string command;
        const char* skipped;  // nullptr: carried out or nothing to show
    };
    const Case cases[] = {
        {"\033(t\x03\x00\x01\x02\x00"s, "ESC ( t"},
        {"\033(-\x03\x00\x01\x01\x01"s, "ESC ( -"},
        {"\033&\000AA\x00\x02\000abcdef"s, "ESC &"},
        {"\033:\x00\x00\x00"s, nullptr},
        {"\033b\x01\x05\x07\x00"s, "ESC b"},
        {"\033^\x00\x02\000abcd"s, nullptr},
        {"\033^\x09\x01\000ab"s, "ESC ^ 9"},
        {"\033e\x00\x05"s, "ESC e"},
        {"\033q\x01", "ESC q"},
        {"\033r\x01", "ESC r"},
        {"\033x\x01\033k\x01\033U\x01\033s\x01\033i\x01\033\x19\x01", nullptr},
        {"\033(G\x01\x00\x01\033(i\x01\x00\x01"s, nullptr},
        {"\033.\x02\x0a\x0a\x01\x08\x00"s, "ESC . 2"},
        {"\033*\x0c\x02\000ab"s, "ESC * 12"},
        {"\033y", "ESC y"},
        {"\x13", "DC3"},
        {"\x18", "CAN"},
        {"\x00\x01\x07\x1c\x7f"s, nullptr},
    };
    for (const Case& c : cases) {
        const Rendered r = renderJob("A" + c.command + "B");
        EXPECT_EQ(printed(r.doc), U"AB") << c.command;
        if (!c.skipped) {
            EXPECT_EQ(r.report.describe(), "") << c.command;
            continue;
        }
        ASSERT_EQ(r.report.skipped.size(), 1u) << c.command;
        EXPECT_EQ(r.report.skipped[0].name, c.skipped);
        EXPECT_EQ(r.report.skipped[0].offsets, std::vector<std::uint64_t>{1}) << c.command;
    }
    // Counted by name with the first offsets; a command cut off by the end
    // of the job is reported as such.
    const Rendered r = renderJob("\033q\x01\033q\001a\033q\x01\033q\x01\033q\x01\033y\033K\x10\000abc"s);
    EXPECT_EQ(printed(r.doc), U"a");
    EXPECT_EQ(r.report.describe(),
              "skipped 7 commands: ESC q x5 (first at 0, 3, 7, 10), ESC y x1 (first at 16), ESC K (truncated) x1 "
              "(first at 18)");
    for (const std::string& cut : {"\033"s, "\033("s, "\033(V"s, "\033(V\x02"s, "\033(V\x02\x00\x01"s, "\033D\x01\x02"s,
                                   "\033*\x27\x01"s, "\033.\x01\x0a\x0a\x01\x20\x00\x05"s, "\033C"s}) {
        const Rendered t = renderJob("x" + cut);
        EXPECT_EQ(printed(t.doc), U"x") << cut;
        ASSERT_EQ(t.report.skipped.size(), 1u) << cut;
        EXPECT_NE(t.report.skipped[0].name.find("(truncated)"), std::string::npos) << cut;
    }
}

// Pins::Auto: the units the job's own commands tell, else 24-pin ones.
TEST(Interpreter, PinsFromTheJob) {
    struct Case {
        std::string job;
        bool nine, mattered;
        const char* evidence;
    };
    const std::string ink(6, '\x55');
    const Case cases[] = {
        {"plain text\r\n\x0c", false, false, ""},
        {"\0333\x24line\n", true, true, "ESC 3 36 at 0"},
        {"\0333\x1eline\n", false, true, "ESC 3 30 at 0"},
        {"\033A\x0c\n", true, true, "ESC A 12 at 0"},
        {"\033A\x0a\n", false, true, "ESC A 10 at 0"},
        {"\0333\x18\033J\x18\n", false, true, ""},                       // 1/9 or 2/15 inch: either
        {"\0333\x24\0333\x1b\0333\x1e\n", true, true, "ESC 3 36 at 0"},  // two against one
        {"\0333\x24\0333\x1e\n", false, true, ""},                       // a tie
        {"\0333\x1e\033^\x00\x03\x00"s + ink + "\n", true, true, "ESC ^ at 3"},
        {"\0333\x24\033*\x27\x02\x00"s + ink + "\n", false, true, "ESC * 39 at 3"},
        {"\0333\x24\033(U\x01\x00\x0a\n"s, false, true, "ESC ( U at 3"},
        {"\0333\x24\033+\x3c\n"s, false, true, "ESC + at 3"},
        {"\033K\x03\x00"s + ink.substr(3) + "\n", false, true, ""},
        {"\033(U\x01\x00\x0a text"s, false, false, "ESC ( U at 0"},
    };
    for (const Case& c : cases) {
        RenderOptions options;
        options.topOfForm = 0;
        const Rendered r = renderJob(c.job, options);
        EXPECT_TRUE(r.report.printer.automatic) << c.job;
        EXPECT_EQ(r.report.printer.ninePin, c.nine) << c.job;
        EXPECT_EQ(r.report.printer.mattered, c.mattered) << c.job;
        EXPECT_EQ(r.report.printer.evidence, c.evidence) << c.job;
        // The same as named.
        options.pins = c.nine ? Pins::Nine : Pins::TwentyFour;
        EXPECT_EQ(render::toText(r.doc), render::toText(renderJob(c.job, options).doc)) << c.job;
    }
    const render::PrinterChoice& told = renderJob("\0333\x24\n").report.printer;
    EXPECT_EQ(told.describe(), "printer mode epson9: 9-pin units, as ESC 3 36 at 0 tells");
    EXPECT_EQ(renderJob("\033J\x18").report.printer.describe(),
              "printer mode epson: 24-pin units; nothing in the job tells 9-pin from 24-pin");
    EXPECT_EQ(renderJob("text").report.printer.describe(), "") << "no difference, nothing to say";
    // Named units and the Proprinter choose nothing.
    EXPECT_FALSE(renderJob("\0333\x24\n", kEpson).report.printer.automatic);
    EXPECT_FALSE(renderJob("\0333\x24\n", withPrinter(Printer::Ibm, Pins::Auto)).report.printer.automatic);
    // A 9-pin job of 60 lines at ESC 3 36 fills 10 inches of one page: in
    // 24-pin units it would need 12.
    std::string job = "\0333\x24";
    for (int i = 0; i < 60; ++i) job += "line\r\n";
    EXPECT_EQ(renderJob(job).doc.pages.size(), 1u);
    EXPECT_EQ(renderJob(job, kEpson).doc.pages.size(), 2u);
}

TEST(Interpreter, ResetKeepsThePage) {
    const Rendered r = renderJob("\033M\033E\033l\x05\n\033@|");
    const Spot s = find(r.doc, U'|');
    EXPECT_NEAR(s.x, 18, 1e-9);
    EXPECT_EQ(s.line, 1);
    EXPECT_FALSE(r.doc.pages[0].runs[0].style.bold);
}

}  // namespace
}  // namespace orv::test
