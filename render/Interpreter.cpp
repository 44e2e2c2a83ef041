#include "render/Interpreter.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <queue>
#include <utility>

#include "render/Characters.h"

namespace orv::render {
namespace {

constexpr std::uint8_t ESC = 0x1B;
constexpr double kCellPoints = 12;
// Columns no finer than 20 cpi: an absurd ESC c would spread a line's text
// over thousands of them.
constexpr int kFinestColumn = 180;

// A sheet between 1 and 100 inches, whatever the caller passed.
double sanePaper(double points, double fallback) {
    if (!std::isfinite(points)) return fallback;
    return std::min(std::max(points, 72.0), 7200.0);
}

// A top of form on the sheet with room for a line below it.
double saneTopOfForm(double points, double paperHeight) {
    if (!std::isfinite(points)) return kDefaultTopOfForm;
    return std::min(std::max(points, 0.0), paperHeight - kCellPoints);
}

}  // namespace

Interpreter::Interpreter(const RenderOptions& options, RenderReport& report, PageSink sink)
    : options_(options),
      report_(report),
      paperWidth_(sanePaper(options.paper.width, Paper{}.width)),
      paperHeight_(sanePaper(options.paper.height, Paper{}.height)),
      topOfForm_(saneTopOfForm(options.topOfForm, paperHeight_)),
      printableWidth_(std::int64_t((paperWidth_ - kLeftEdge) * kUnitsX / 72)),
      sheetHeight_(std::max(std::int64_t((paperHeight_ - topOfForm_) * kUnitsY / 72), kCellHeight)),
      ibm_(options.printer == Printer::Ibm),
      nine_(ibm_ || options.pins == Pins::Nine),
      sink_(std::move(sink)) {
    // A report that already holds commands is added to.
    for (std::size_t i = 0; i < report_.skipped.size(); ++i) reported_.emplace(report_.skipped[i].name, i);
    reset();
}

Interpreter::Interpreter(const RenderOptions& options, RenderReport& report, PinsEvidence& evidence)
    : Interpreter(options, report) {
    probe_ = &evidence;
}

void Interpreter::reset() {
    state_ = State{};
    state_.right = printableWidth_;
    state_.formLength = sheetHeight_;
    x_ = 0;
    selectTable();
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
    if (at_ >= size_ || (probe_ && probe_->decided())) return false;
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

Document Interpreter::take() {
    endPage();
    return std::move(doc_);
}

// ---- The printer the job was written for -----------------------------------

RenderOptions Interpreter::choosePins(const std::uint8_t* data, std::size_t size, const RenderOptions& options,
                                      PrinterChoice& choice) {
    RenderOptions chosen = options;
    choice = PrinterChoice{};
    if (options.printer == Printer::Ibm) {
        chosen.pins = Pins::Nine;
        return chosen;
    }
    if (options.pins != Pins::Auto) return chosen;
    PinsEvidence evidence;
    RenderReport ignored;
    chosen.pins = Pins::TwentyFour;  // read as 24-pin: only ESC & reads differently
    Interpreter(chosen, ignored, evidence).run(data, size);
    bool nine = false;
    if (evidence.strong) {
        nine = evidence.strong == 9;
        choice.evidence = evidence.strongName;
    } else if (evidence.nineVotes != evidence.twentyFourVotes) {
        nine = evidence.nineVotes > evidence.twentyFourVotes;
        choice.evidence = nine ? evidence.firstNine : evidence.firstTwentyFour;
    }
    chosen.pins = nine ? Pins::Nine : Pins::TwentyFour;
    choice.automatic = true;
    choice.ninePin = nine;
    choice.mattered = evidence.mattered;
    return chosen;
}

void Interpreter::pinsMatter() {
    if (probe_) probe_->mattered = true;
}

// Only a first reading gathers what the commands tell; the first command
// of each kind is named.
void Interpreter::pinsTell(int pins, bool strong, const char* name, int value) {
    if (!probe_) return;
    PinsEvidence& e = *probe_;
    if (strong && e.strong) return;
    std::string* first = strong ? &e.strongName : pins == 9 ? &e.firstNine : &e.firstTwentyFour;
    if (first->empty())
        *first = std::string(name) + (value >= 0 ? " " + std::to_string(value) : "") + " at " + std::to_string(start_);
    if (strong)
        e.strong = pins;
    else
        ++(pins == 9 ? e.nineVotes : e.twentyFourVotes);
}

// A spacing of n units that gives 3, 4, 6, 8 or 12 lines an inch in one
// printer's units and not in the other's says which printer it was written
// for: ESC 3 36 is 1/6 inch on a 9-pin printer (1/5 on a 24-pin one), ESC 3
// 30 1/6 inch on a 24-pin one.
void Interpreter::spacingTells(const char* name, int n, int nineUnitsPerInch, int twentyFourUnitsPerInch) {
    pinsMatter();
    if (!probe_ || n <= 0) return;
    const auto usual = [n](int perInch) {
        for (int lines : {3, 4, 6, 8, 12})
            if (n * lines == perInch) return true;
        return false;
    };
    const bool nine = usual(nineUnitsPerInch), twentyFour = usual(twentyFourUnitsPerInch);
    if (nine != twentyFour) pinsTell(nine ? 9 : 24, false, name, n);
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

// The table ESC t selected, as ESC ( t assigned it.
void Interpreter::selectTable() {
    const int table = state_.tables[state_.table];
    italicTable_ = table == kItalicTable;
    upper_ = upperTable(table > 0 ? table : options_.codePage);
}

void Interpreter::printByte(std::uint8_t b) {
    if (probe_) return;
    if (state_.msb == 0) b &= 0x7F;
    if (state_.msb == 1) b |= 0x80;
    if (b < 0x20 || b == 0x7F || (b < 0xA0 && b >= 0x80 && state_.upperControls)) return;
    if (b >= 0x80 && italicTable_ && !ibm_) {
        // The italic table repeats the lower half, its control codes too.
        b &= 0x7F;
        if (b < 0x20 || b == 0x7F) return;
        const bool italic = state_.italic;
        state_.italic = true;
        print(lowerChar(state_.national, b));
        state_.italic = italic;
        return;
    }
    const char32_t c = b < 0x80 ? lowerChar(state_.national, b) : char32_t(upper_[b - 0x80]);
    if (c) print(c);  // 0: a control code of the table
}

// Data the job asked to print as characters: the control range prints as
// the PC character set's symbols (symbols) or as blank cells.
void Interpreter::printRaw(const std::uint8_t* data, std::size_t n, bool symbols) {
    if (probe_) return;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t b = data[i];
        char32_t c = U' ';
        if (b < 0x20 || b == 0x7F)
            c = symbols ? controlSymbol(b) : U' ';
        else if (b < 0x80)
            c = lowerChar(state_.national, b);
        else if (upper_[b - 0x80])
            c = upper_[b - 0x80];
        print(c);
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
// follows it on the same line, in the same style and pitch, else it starts
// a new one.
void Interpreter::place(char32_t c, int width) {
    startPage();
    Page& page = doc_.pages.back();
    Style style;
    style.bold = state_.emphasized;
    style.doubleStrike = state_.doubleStrike;
    style.italic = state_.italic;
    style.underline = state_.underline;
    style.overline = state_.overline;
    style.doubleWidth = wide();
    style.doubleHeight = state_.tall;
    style.superscript = state_.script == 1;
    style.subscript = state_.script == 2;
    if (open_.page == pagesStarted_ && open_.endX == x_ && open_.y == y_ && open_.width == width &&
        page.runs.back().style == style) {
        page.runs.back().text += c;
        open_.endX += width;
        spots_.back().end = open_.endX;
        return;
    }
    TextRun run;
    const double full = kCellPoints * (state_.tall ? 2 : 1);
    const double top = topOfForm_ + double(y_) * 72 / kUnitsY;
    run.x = kLeftEdge + double(x_) * 72 / kUnitsX;
    run.advance = double(width) * 72 / kUnitsX;
    run.size = state_.script ? full * 2 / 3 : full;
    // Super- and subscripts at two thirds of the size, at the top and at the
    // bottom of the cell.
    run.baseline = top + (state_.script == 1 ? 0.5 : state_.script == 2 ? 5.0 / 6 : 0.75) * full;
    // Glyphs that would reach past the sheet's top or bottom edge move in.
    run.baseline = std::min(std::max(run.baseline, kGlyphAscent * run.size), paperHeight_ - kGlyphDescent * run.size);
    run.style = style;
    run.text = c;
    page.runs.push_back(std::move(run));
    spots_.push_back(RunSpot{y_, x_, x_ + width, cell()});
    open_ = OpenRun{pagesStarted_, x_ + width, y_, width};
}

// ---- Movement and pages ---------------------------------------------------

void Interpreter::startPage() {
    if (pageStarted_) return;
    finish();  // the pages before are done
    Page page;
    page.width = paperWidth_;
    page.height = paperHeight_;
    doc_.pages.push_back(std::move(page));
    pageStarted_ = true;
    fed_ = false;
    ++pagesStarted_;
}

// The page being printed is complete: its text gets its lines and columns.
void Interpreter::endPage() {
    if (!pageStarted_) return;
    numberText(doc_.pages.back());
    spots_.clear();
    bands_.clear();
    pageStarted_ = false;
}

void Interpreter::finish() {
    endPage();
    if (!sink_) return;
    for (Page& page : doc_.pages) sink_(page);
    doc_.pages.clear();
}

void Interpreter::numberText(Page& page) {
    if (page.runs.size() != spots_.size()) return;  // not made here
    // Lines: the distinct heights, top to bottom.
    std::vector<std::int64_t> tops;
    tops.reserve(spots_.size());
    for (const RunSpot& s : spots_) tops.push_back(s.top);
    std::sort(tops.begin(), tops.end());
    tops.erase(std::unique(tops.begin(), tops.end()), tops.end());
    // The graphics' rows, merged: a gap between two lines of text keeps the
    // empty lines that nothing was printed on, not those the graphics fill.
    std::sort(bands_.begin(), bands_.end());
    std::vector<std::pair<std::int64_t, std::int64_t>> filled;
    for (const auto& band : bands_) {
        if (!filled.empty() && band.first <= filled.back().second)
            filled.back().second = std::max(filled.back().second, band.second);
        else
            filled.push_back(band);
    }
    std::size_t nextFilled = 0;  // the gaps come top to bottom
    const auto emptyLines = [&](std::int64_t from, std::int64_t to) {
        std::int64_t covered = 0;
        while (nextFilled < filled.size() && filled[nextFilled].second <= from) ++nextFilled;
        for (std::size_t k = nextFilled; k < filled.size() && filled[k].first < to; ++k)
            covered += std::min(to, filled[k].second) - std::max(from, filled[k].first);
        return (std::max<std::int64_t>(0, to - from - covered) + kTextLine / 2) / kTextLine;
    };
    std::vector<int> lineOf(tops.size());
    int line = 0;
    std::int64_t anchor = 0;
    for (std::size_t i = 0; i < tops.size(); ++i) {
        const std::int64_t gap = tops[i] - anchor;
        if (i == 0) {
            line = int(emptyLines(0, tops[i]));
            anchor = tops[i];
        } else if (2 * gap > kTextLine) {
            line += 1 + int(emptyLines(tops[i - 1] + kTextLine, tops[i]));
            anchor = tops[i];
        }
        lineOf[i] = line;
    }
    // Columns: the pitch most characters were printed at.
    std::vector<std::pair<int, std::size_t>> pitches;  // pitch, characters
    for (std::size_t i = 0; i < spots_.size(); ++i) {
        auto p =
            std::find_if(pitches.begin(), pitches.end(), [&](const auto& e) { return e.first == spots_[i].pitch; });
        if (p == pitches.end()) p = pitches.insert(pitches.end(), {spots_[i].pitch, 0});
        p->second += page.runs[i].text.size();
    }
    std::int64_t grid = kFinestColumn;
    std::size_t most = 0;
    for (const auto& [pitch, count] : pitches) {
        if (count > most || (count == most && pitch > grid)) {
            most = count;
            grid = pitch;
        }
    }
    grid = std::max<std::int64_t>(grid, kFinestColumn);
    // Each line's runs across; a run may not start over the text of the
    // runs that end before it.
    std::vector<std::size_t> order(spots_.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        page.runs[i].line =
            lineOf[std::size_t(std::lower_bound(tops.begin(), tops.end(), spots_[i].top) - tops.begin())];
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const TextRun &ra = page.runs[a], &rb = page.runs[b];
        return ra.line != rb.line ? ra.line < rb.line : spots_[a].x < spots_[b].x;
    });
    using Ending = std::pair<std::int64_t, long>;  // where a run ends across, and its text's end column
    std::priority_queue<Ending, std::vector<Ending>, std::greater<Ending>> ending;
    long frontier = 0;
    int current = -1;
    for (std::size_t i : order) {
        TextRun& run = page.runs[i];
        const RunSpot& spot = spots_[i];
        if (run.line != current) {
            current = run.line;
            ending = {};
            frontier = 0;
        }
        while (!ending.empty() && ending.top().first <= spot.x) {
            frontier = std::max(frontier, ending.top().second);
            ending.pop();
        }
        const long column = std::max<long>(long((spot.x + grid / 2) / grid), frontier);
        run.column = int(std::min<long>(column, 1L << 30));
        ending.push({spot.end, long(run.column) + long(run.text.size())});
    }
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
// to the top of the next page.  Moving makes no page: only printing does,
// or a form feed on a page the job fed paper on.
void Interpreter::moveDown(std::int64_t to) {
    if (!pageStarted_) fed_ = true;
    y_ = to;
    if (y_ >= pageBottom() || y_ + kLineFits > sheetHeight_) {
        endPage();
        y_ = state_.top;
        fed_ = false;
    }
}

// Ends the page.  A page that nothing was printed on is ejected blank when
// the job fed paper on it, a form feed included (FF FF feeds out an empty
// sheet); on one nothing has touched yet (the top of the job, or just after
// an automatic break) it does nothing.
void Interpreter::formFeed() {
    x_ = state_.left;
    state_.wideLine = false;
    const bool touched = pageStarted_ || fed_;
    if (!pageStarted_ && fed_ && !probe_) startPage();
    endPage();
    y_ = state_.top;
    fed_ = touched;
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
    Interpreter printer(Interpreter::choosePins(data, size, options, report.printer), report);
    printer.run(data, size);
    return printer.take();
}

std::size_t renderPages(const std::uint8_t* data, std::size_t size, const RenderOptions& options, RenderReport& report,
                        const std::function<void(Page& page)>& sink) {
    std::size_t pages = 0;
    Interpreter printer(Interpreter::choosePins(data, size, options, report.printer), report, [&](Page& page) {
        ++pages;
        sink(page);
    });
    printer.run(data, size);
    printer.finish();
    return pages;
}

}  // namespace orv::render
