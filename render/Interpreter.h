// The dot-matrix printer: the ESC/P family (and the IBM Proprinter's
// variant of it) read byte by byte into a printer state that puts text
// runs and bit images on pages.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
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
// A line needs this much paper below its position to be printed on the
// sheet: the 12-point character cell.
constexpr std::int64_t kCellHeight = kUnitsY / 6;
// The printable area's left edge on the sheet, in points.
constexpr double kLeftEdge = 18;

class Interpreter {
public:
    // Gets each page once it is finished (a form feed, the form's or the
    // sheet's end, then something printed or a movement on the next).
    using PageSink = std::function<void(Page& page)>;

    // Without a sink the pages are kept for take(); with one, only the page
    // being printed is kept, so that a long job takes little memory.
    Interpreter(const RenderOptions& options, RenderReport& report, PageSink sink = PageSink());
    void run(const std::uint8_t* data, std::size_t size);
    // run() a command at a time: begin, then step() until it says the job
    // has ended.  A copy made between two steps goes on from there on its
    // own, with the same sink and report (and the same job, which must
    // outlive both): a page view keeps such copies to start at a page.
    void begin(const std::uint8_t* data, std::size_t size);
    bool step();
    Document take() { return std::move(doc_); }
    // The job has ended: the sink gets the pages not yet handed over.
    void finish();

private:
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
        int script = 0;  // 1 superscript, 2 subscript
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
        int msb = -1;                                 // ESC = 0, ESC > 1, ESC # none
        bool italicTable = false;                     // ESC t 0: 0xA0..0xFE are 0x20..0x7E in italics
        bool upperControls = false;                   // IBM ESC 7: 0x80..0x9F are not printed
        bool autoLineFeed = false;                    // IBM ESC 5 1: CR feeds a line too
        std::uint8_t graphicsMode[4] = {0, 1, 2, 3};  // ESC K, L, Y, Z (ESC ?)
    };
    // The run that the next character may extend.
    struct OpenRun {
        std::size_t page = 0;  // pagesStarted_ when opened; 0 for none
        std::int64_t endX = 0, y = 0;
        int nextColumn = 0, width = 0;
    };

    // The job.
    void escape();
    void escapeIbm(std::uint8_t c);
    void extended();
    void control(std::uint8_t c);
    void printByte(std::uint8_t b);
    void printRaw(const std::uint8_t* data, std::size_t n);
    // Parameters: the next n bytes (false, reported, at the end of the job).
    const std::uint8_t* args(std::size_t n, const char* name);
    bool readStops(std::vector<std::int64_t>& stops, std::size_t most, std::int64_t step, const char* name);
    void skipped(const std::string& name);
    void truncated(const std::string& name);
    std::string commandName(std::uint8_t c) const;

    // Text.
    void print(char32_t c);
    void place(char32_t c, int width);
    int cell() const;
    int advance() const { return (cell() + state_.extra) * (wide() ? 2 : 1); }
    bool wide() const { return state_.wide || state_.wideLine; }
    void setPitch(int pitch);
    void masterSelect(std::uint8_t n);

    // Graphics.
    void bitImage(int mode, std::size_t columns, const char* name);
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
    void reset();
    std::int64_t pageBottom() const;
    int line() const;

    const RenderOptions options_;
    RenderReport& report_;
    std::map<std::string, std::size_t> reported_;
    const char16_t* upper_;
    double paperWidth_, paperHeight_;  // points
    std::int64_t printableWidth_, sheetHeight_;
    bool ibm_, nine_;

    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0, at_ = 0, start_ = 0;

    State state_;
    std::int64_t x_ = 0, y_ = 0;
    double lines_ = 0;  // line feeds since the top of the page, in the spacing of each
    bool pageStarted_ = false;
    std::size_t pagesStarted_ = 0;
    OpenRun open_;
    Document doc_;  // all pages, or with a sink the unfinished ones
    PageSink sink_;
};

}  // namespace orv::render
