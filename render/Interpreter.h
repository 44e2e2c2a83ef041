// The dot-matrix printer: the ESC/P family (and the IBM Proprinter's
// variant of it) read byte by byte into a printer state that puts text
// runs and bit images on pages.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "render/Document.h"
#include "render/Render.h"

namespace orv::render {

// Positions are whole printer units: across 1/3600 inch, down 1/10800
// inch.  Every step the commands name (1/60 to 1/360 inch across and
// 3600/h for raster dots; 1/60 to 1/360 and 1/216 inch down) is a whole
// number of them, so columns and form lengths come out exact.
constexpr std::int64_t kUnitsX = 3600;
constexpr std::int64_t kUnitsY = 10800;
// The 12-point character cell.
constexpr std::int64_t kCellHeight = kUnitsY / 6;
// A line needs this much paper below its position to be printed on the
// sheet: its cell down to the characters' descenders (the baseline stands
// 3/4 down the cell).  The cell's last few hundredths stay blank.
constexpr std::int64_t kLineFits = kCellHeight * 99 / 100;
static_assert(0.75 + kGlyphDescent <= 0.99, "the descenders stay in what a line needs");
// The printable area's left edge on the sheet, in points.
constexpr double kLeftEdge = 18;
// A text line for text output: 1/6 inch.
constexpr std::int64_t kTextLine = kUnitsY / 6;

// What a first reading of a job found about the printer it was written
// for (Pins::Auto).
struct PinsEvidence {
    bool mattered = false;                               // a command whose meaning depends on the pins
    int strong = 0;                                      // a command only one kind of printer has: 9 or 24
    int nineVotes = 0, twentyFourVotes = 0;              // line spacings that make sense in one unit only
    std::string strongName, firstNine, firstTwentyFour;  // "ESC ^ at 120"
    bool decided() const { return strong && mattered; }
};

class Interpreter {
public:
    // Gets each page once it is finished (a form feed, the form's or the
    // sheet's end, then something printed on the next).
    using PageSink = std::function<void(Page& page)>;

    // Without a sink the pages are kept for take(); with one, only the page
    // being printed is kept, so that a long job takes little memory.
    // options.pins must not be Auto here (see choosePins).
    Interpreter(const RenderOptions& options, RenderReport& report, PageSink sink = PageSink());
    void run(const std::uint8_t* data, std::size_t size);
    // run() a command at a time: begin, then step() until it says the job
    // has ended.  A copy made between two steps goes on from there on its
    // own, with the same sink and report (and the same job, which must
    // outlive both): a page view keeps such copies to start at a page.
    void begin(const std::uint8_t* data, std::size_t size);
    bool step();
    Document take();
    // The job has ended: the sink gets the pages not yet handed over.
    void finish();

    // options with Pins::Auto replaced by what the job tells (report.printer
    // says what and why), for ESC/P; the Proprinter's 9 pins for IBM.
    static RenderOptions choosePins(const std::uint8_t* data, std::size_t size, const RenderOptions& options,
                                    PrinterChoice& choice);

private:
    // Reads a job for its printer only, drawing nothing.
    Interpreter(const RenderOptions& options, RenderReport& report, PinsEvidence& evidence);

    struct State {
        // Across, from the printable area's left edge.
        std::int64_t left = 0, right = 0;  // right: no character ends beyond it
        int pitch = 360;                   // one character at 10, 12, 15 cpi: 360, 300, 240
        int hmi = 0;                       // ESC c: a fixed advance instead, 0 for none
        int extra = 0;                     // ESC SP: added to every character
        bool condensed = false, proportional = false;
        bool wide = false, wideLine = false;  // ESC W; SO, which lasts one line
        bool tall = false;
        bool emphasized = false, doubleStrike = false, italic = false, underline = false;
        bool overline = false;  // IBM ESC _
        int script = 0;         // 1 superscript, 2 subscript
        bool defaultTabs = true;
        std::vector<std::int64_t> tabs;  // from the left margin
        // Down, from the top of the page.
        std::int64_t spacing = kUnitsY / 6;
        std::int64_t storedSpacing = kUnitsY / 6;  // IBM: ESC A, applied by ESC 2
        std::int64_t formLength = 0, skip = 0;     // ESC C; ESC N below it
        std::int64_t top = 0, bottom = 0;          // ESC ( c; bottom 0 for none
        std::vector<std::int64_t> vtabs;
        int unit = 10;  // ESC ( U: 1/3600 inch steps of the ESC ( positions
        // Characters.
        int national = 0;
        int msb = -1;  // ESC = 0, ESC > 1, ESC # none
        // ESC t's four tables as ESC ( t assigned them: a code page, 0 for
        // the one the options name, kItalicTable for the italic table
        // (0xA0..0xFE are 0x20..0x7E in italics).
        int tables[4] = {kItalicTable, 0, 0, 0};
        int table = 1;                                // ESC t
        bool upperControls = false;                   // IBM ESC 7: 0x80..0x9F are not printed
        bool autoLineFeed = false;                    // IBM ESC 5 1: CR feeds a line too
        std::uint8_t graphicsMode[4] = {0, 1, 2, 3};  // ESC K, L, Y, Z (ESC ?)
    };
    static constexpr int kItalicTable = -1;
    // The run that the next character may extend.
    struct OpenRun {
        std::size_t page = 0;  // pagesStarted_ when opened; 0 for none
        std::int64_t endX = 0, y = 0;
        int width = 0;
    };
    // Where a run of the page being printed stands, for its text line and
    // column (numberText).
    struct RunSpot {
        std::int64_t top, x, end;  // the cell's top; across, its first character and past its last
        int pitch;                 // the pitch in force: no double width, no ESC SP
    };

    // The job.
    void escape();
    void escapeIbm(std::uint8_t c);
    void extended();
    void control(std::uint8_t c);
    void printByte(std::uint8_t b);
    void printRaw(const std::uint8_t* data, std::size_t n, bool symbols);
    // Parameters: the next n bytes (false, reported, at the end of the job).
    const std::uint8_t* args(std::size_t n, const char* name);
    bool readStops(std::vector<std::int64_t>& stops, std::size_t most, std::int64_t step, const char* name);
    void skipped(const std::string& name);
    void truncated(const std::string& name);
    std::string commandName(std::uint8_t c) const;

    // The printer the job was written for (a first reading only).
    void pinsMatter();
    void pinsTell(int pins, bool strong, const char* name, int value = -1);
    void spacingTells(const char* name, int n, int nineUnitsPerInch, int twentyFourUnitsPerInch);

    // Text.
    void print(char32_t c);
    void place(char32_t c, int width);
    int cell() const;
    int advance() const { return (cell() + state_.extra) * (wide() ? 2 : 1); }
    bool wide() const { return state_.wide || state_.wideLine; }
    void setPitch(int pitch);
    void masterSelect(std::uint8_t n);
    void selectTable();

    // Graphics.
    void bitImage(int mode, std::size_t columns, const char* name);
    void nineDotImage(int mode, std::size_t columns);
    void raster();
    void addImage(Image image, std::int64_t dotWidth, std::int64_t dotHeight);

    // Movement and pages.
    void carriageReturn();
    void lineFeed();
    void feed(std::int64_t dy);
    void moveDown(std::int64_t to);
    void formFeed();
    void verticalTab();
    void tab();
    void moveAcross(std::int64_t to);
    void startPage();
    void endPage();
    void numberText(Page& page);
    void reset();
    std::int64_t pageBottom() const;

    const RenderOptions options_;
    RenderReport& report_;
    std::map<std::string, std::size_t> reported_;
    PinsEvidence* probe_ = nullptr;    // a first reading: evidence only, nothing drawn
    const char16_t* upper_ = nullptr;  // the table in force, for 0x80..0xFF
    bool italicTable_ = false;
    double paperWidth_, paperHeight_;            // points
    double topOfForm_;                           // points below the sheet's top edge
    std::int64_t printableWidth_, sheetHeight_;  // sheetHeight_: below the top of form
    bool ibm_, nine_;

    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0, at_ = 0, start_ = 0;

    State state_;
    std::int64_t x_ = 0, y_ = 0;
    bool pageStarted_ = false;
    bool fed_ = false;  // the job moved the paper on the page not yet started
    std::size_t pagesStarted_ = 0;
    OpenRun open_;
    std::vector<RunSpot> spots_;  // of the page being printed, by run
    // The rows the page's graphics cover, top and bottom: lines of graphics
    // make no text line (numberText).
    std::vector<std::pair<std::int64_t, std::int64_t>> bands_;
    Document doc_;                // all pages, or with a sink the unfinished ones
    PageSink sink_;
};

}  // namespace orv::render
