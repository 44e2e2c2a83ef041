#include "render/Interpreter.h"

#include <algorithm>
#include <cmath>

#include "render/Characters.h"

namespace orv::render {
namespace {

constexpr std::uint8_t ESC = 0x1B;
constexpr double kCellPoints = 12;

// A sheet between 1 and 100 inches, whatever the caller passed.
double sanePaper(double points, double fallback) {
    if (!std::isfinite(points)) return fallback;
    return std::min(std::max(points, 72.0), 7200.0);
}

}  // namespace

Interpreter::Interpreter(const RenderOptions& options, RenderReport& report, PageSink sink)
    : options_(options),
      report_(report),
      upper_(upperTable(options.codePage)),
      paperWidth_(sanePaper(options.paper.width, Paper{}.width)),
      paperHeight_(sanePaper(options.paper.height, Paper{}.height)),
      printableWidth_(std::int64_t((paperWidth_ - kLeftEdge) * kUnitsX / 72)),
      sheetHeight_(std::int64_t(paperHeight_ * kUnitsY / 72)),
      ibm_(options.printer == Printer::Ibm),
      nine_(options.nineDotUnits),
      sink_(std::move(sink)) {
    // A report that already holds commands is added to.
    for (std::size_t i = 0; i < report_.skipped.size(); ++i) reported_.emplace(report_.skipped[i].name, i);
    reset();
}

void Interpreter::reset() {
    state_ = State{};
    state_.right = printableWidth_;
    state_.formLength = sheetHeight_;
    x_ = 0;
}

void Interpreter::run(const std::uint8_t* data, std::size_t size) {
    begin(data, size);
    while (step()) {}
}

void Interpreter::begin(const std::uint8_t* data, std::size_t size) {
    data_ = data;
    size_ = size;
    at_ = 0;
}

bool Interpreter::step() {
    if (at_ >= size_) return false;
    const std::uint8_t b = data_[at_];
    start_ = at_;
    if (b == ESC) {
        escape();
        return true;
    }
    ++at_;
    if (b < 0x20 || b == 0x7F)
        control(b);
    else
        printByte(b);
    return true;
}

// ---- Reporting ------------------------------------------------------------

std::string Interpreter::commandName(std::uint8_t c) const {
    static const char* const kControls[] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",
                                            "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
                                            "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};
    if (c < 0x20) return kControls[c];
    if (c < 0x7F) return std::string(1, char(c));
    static const char kHex[] = "0123456789ABCDEF";
    return std::string("0x") + kHex[c >> 4] + kHex[c & 15];
}

void Interpreter::skipped(const std::string& name) {
    constexpr std::size_t kOffsetsKept = 4;
    const auto found = reported_.find(name);
    if (found == reported_.end()) {
        reported_.emplace(name, report_.skipped.size());
        report_.skipped.push_back(SkippedCommand{name, 1, {start_}});
        return;
    }
    SkippedCommand& s = report_.skipped[found->second];
    ++s.count;
    if (s.offsets.size() < kOffsetsKept) s.offsets.push_back(start_);
}

void Interpreter::truncated(const std::string& name) {
    skipped(name + " (truncated)");
    at_ = size_;
}

const std::uint8_t* Interpreter::args(std::size_t n, const char* name) {
    if (size_ - at_ < n) {
        truncated(name);
        return nullptr;
    }
    const std::uint8_t* a = data_ + at_;
    at_ += n;
    return a;
}

// ---- Controls and characters ----------------------------------------------

void Interpreter::control(std::uint8_t c) {
    switch (c) {
    case 0x08:
        if (x_ - advance() >= state_.left) x_ -= advance();
        break;
    case 0x09: tab(); break;
    case 0x0A: lineFeed(); break;
    case 0x0B: verticalTab(); break;
    case 0x0C: formFeed(); break;
    case 0x0D: carriageReturn(); break;
    case 0x0E:  // SO
        state_.wideLine = true;
        state_.hmi = 0;
        break;
    case 0x0F:  // SI
        state_.condensed = true;
        state_.hmi = 0;
        break;
    case 0x12:  // DC2: ESC/P cancels condensed; the Proprinter selects 10 cpi, which does the same
        state_.condensed = false;
        state_.hmi = 0;
        if (ibm_) state_.pitch = 360;
        break;
    case 0x14:  // DC4
        state_.wideLine = false;
        state_.hmi = 0;
        break;
    case 0x11:  // DC1, DC3: select and deselect the printer; CAN: cancel the line
    case 0x13:
    case 0x18: skipped(commandName(c)); break;
    default: break;  // NUL, BEL, DEL and the codes no printer gives a meaning
    }
}

void Interpreter::printByte(std::uint8_t b) {
    if (state_.msb == 0) b &= 0x7F;
    if (state_.msb == 1) b |= 0x80;
    if (b < 0x20 || b == 0x7F || (b < 0xA0 && b >= 0x80 && state_.upperControls)) return;
    if (b >= 0x80 && state_.italicTable && !ibm_) {
        // The italic table repeats the lower half, its control codes too.
        b &= 0x7F;
        if (b < 0x20 || b == 0x7F) return;
        const bool italic = state_.italic;
        state_.italic = true;
        print(lowerChar(state_.national, b));
        state_.italic = italic;
        return;
    }
    print(b < 0x80 ? lowerChar(state_.national, b) : char32_t(upper_[b - 0x80]));
}

// Data the job asked to print as characters: the control range prints as
// blank cells.
void Interpreter::printRaw(const std::uint8_t* data, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t b = data[i];
        print(b < 0x20 || b == 0x7F ? U' ' : b < 0x80 ? lowerChar(state_.national, b) : char32_t(upper_[b - 0x80]));
    }
}

int Interpreter::cell() const {
    if (state_.hmi) return state_.hmi;
    if (state_.condensed && state_.pitch == 360) return 210;  // 17.14 cpi
    if (state_.condensed && state_.pitch == 300) return 180;  // 20 cpi
    return state_.pitch;
}

void Interpreter::setPitch(int pitch) {
    state_.pitch = pitch;
    state_.hmi = 0;
}

void Interpreter::masterSelect(std::uint8_t n) {
    setPitch(n & 1 ? 300 : 360);
    state_.proportional = n & 2;
    state_.condensed = n & 4;
    state_.emphasized = n & 8;
    state_.doubleStrike = n & 16;
    state_.wide = n & 32;
    state_.italic = n & 64;
    state_.underline = n & 128;
}

void Interpreter::print(char32_t c) {
    int width = advance();
    // Past the right margin the printer starts a new line by itself.
    if (x_ + width > state_.right && x_ > state_.left) {
        lineFeed();
        width = advance();
    }
    place(c, width);
    x_ += width;
}

// A character at the print position: it extends the open run when it
// follows it on the same line, in the same style and pitch and column by
// column, else it starts a new one.
void Interpreter::place(char32_t c, int width) {
    startPage();
    Page& page = doc_.pages.back();
    // Columns no finer than 20 cpi: an absurd ESC c would spread a line's
    // text over thousands of them.
    const int step = std::max(cell(), 180);
    const int span = wide() ? 2 : 1;
    const int column = int((x_ + step / 2) / step);
    Style style;
    style.bold = state_.emphasized || state_.doubleStrike;
    style.italic = state_.italic;
    style.underline = state_.underline;
    style.doubleWidth = wide();
    style.doubleHeight = state_.tall;
    style.superscript = state_.script == 1;
    style.subscript = state_.script == 2;
    if (open_.page == pagesStarted_ && open_.endX == x_ && open_.y == y_ && open_.nextColumn == column &&
        open_.width == width && page.runs.back().style == style) {
        page.runs.back().text += c;
        open_.endX += width;
        open_.nextColumn += span;
        return;
    }
    TextRun run;
    const double full = kCellPoints * (state_.tall ? 2 : 1);
    const double top = double(y_) * 72 / kUnitsY;
    run.x = kLeftEdge + double(x_) * 72 / kUnitsX;
    run.advance = double(width) * 72 / kUnitsX;
    run.size = state_.script ? full * 2 / 3 : full;
    // Super- and subscripts at two thirds of the size, at the top and at the
    // bottom of the cell.
    run.baseline = top + (state_.script == 1 ? 0.5 : state_.script == 2 ? 5.0 / 6 : 0.75) * full;
    run.style = style;
    run.column = column;
    run.line = line();
    run.text = c;
    page.runs.push_back(std::move(run));
    open_ = OpenRun{pagesStarted_, x_ + width, y_, column + span, width};
}

// ---- Movement and pages ---------------------------------------------------

int Interpreter::line() const { return int(std::floor(lines_ + 0.5 + 1e-6)); }

void Interpreter::startPage() {
    if (pageStarted_) return;
    finish();  // the pages before are done
    Page page;
    page.width = paperWidth_;
    page.height = paperHeight_;
    doc_.pages.push_back(std::move(page));
    pageStarted_ = true;
    ++pagesStarted_;
}

void Interpreter::finish() {
    if (!sink_) return;
    for (Page& page : doc_.pages) sink_(page);
    doc_.pages.clear();
}

std::int64_t Interpreter::pageBottom() const {
    const std::int64_t form = state_.formLength - state_.skip;
    return state_.bottom > state_.top ? std::min(form, state_.bottom) : form;
}

void Interpreter::carriageReturn() {
    x_ = state_.left;
    state_.wideLine = false;
    if (state_.autoLineFeed) feed(state_.spacing);
}

void Interpreter::lineFeed() {
    x_ = state_.left;
    state_.wideLine = false;
    feed(state_.spacing);
}

void Interpreter::feed(std::int64_t dy) { moveDown(y_ + dy); }

// Paper moves to y; past the bottom of the form, or where the sheet ends,
// to the top of the next page.  A new page starts only once something is
// printed or the paper moves on it.
void Interpreter::moveDown(std::int64_t to) {
    startPage();
    // Moves up and down again in different spacings could count lines past
    // the top, or more than the finest spacing (1/360 inch) fits.
    lines_ += double(to - y_) / double(state_.spacing > 0 ? state_.spacing : kCellHeight);
    lines_ = std::min(std::max(lines_, 0.0), double(std::max<std::int64_t>(to - state_.top, 0) / 30));
    y_ = to;
    if (y_ >= pageBottom() || y_ + kCellHeight > sheetHeight_) {
        pageStarted_ = false;
        y_ = state_.top;
        lines_ = 0;
    }
}

// Ends the page; on a page nothing has touched yet (the top of the job, or
// just after an automatic break) it does nothing, as there is no sheet to
// eject.
void Interpreter::formFeed() {
    x_ = state_.left;
    state_.wideLine = false;
    pageStarted_ = false;
    y_ = state_.top;
    lines_ = 0;
}

void Interpreter::verticalTab() {
    if (state_.vtabs.empty()) return lineFeed();
    for (std::int64_t stop : state_.vtabs) {
        if (stop + state_.top <= y_) continue;
        x_ = state_.left;
        state_.wideLine = false;
        return moveDown(stop + state_.top);
    }
    formFeed();
}

void Interpreter::tab() {
    std::int64_t to = -1;
    if (state_.defaultTabs) {
        const std::int64_t step = 8 * std::int64_t(cell());
        to = state_.left + ((x_ - state_.left) / step + 1) * step;
    } else {
        for (std::int64_t stop : state_.tabs) {
            if (state_.left + stop > x_) {
                to = state_.left + stop;
                break;
            }
        }
    }
    if (to >= 0) moveAcross(to);
}

// Moves outside the margins are ignored, as the printer does.
void Interpreter::moveAcross(std::int64_t to) {
    if (to >= state_.left && to <= state_.right) x_ = to;
}

Document interpret(const std::uint8_t* data, std::size_t size, const RenderOptions& options, RenderReport& report) {
    Interpreter printer(options, report);
    printer.run(data, size);
    return printer.take();
}

std::size_t renderPages(const std::uint8_t* data, std::size_t size, const RenderOptions& options, RenderReport& report,
                        const std::function<void(Page& page)>& sink) {
    std::size_t pages = 0;
    Interpreter printer(options, report, [&](Page& page) {
        ++pages;
        sink(page);
    });
    printer.run(data, size);
    printer.finish();
    return pages;
}

}  // namespace orv::render
