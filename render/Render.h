// Rendering a captured print job as the printer would have printed it: the
// options, the printer languages it will not render, and the report of what
// it did not understand.  Portable: used by the companion, the unattended
// capture and the window.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "render/Document.h"

namespace orv::render {

struct Paper {
    double width = 595.28, height = 841.89;  // points; A4
};
// "a4", "letter", or "WxH" with "in" or "mm" ("8.5x12in", "210x297mm").
// False for anything else or a size outside 1 to 100 inches.
bool parsePaper(const std::string& text, Paper& paper);

// ESC/P, IBM Proprinter.  The Proprinter reads the same commands but for:
// DC2 selects 10 cpi; ESC : 12 cpi; ESC 3 n is n/216 inch and ESC J n
// n/216; ESC A n stores n/72 inch, which ESC 2 applies; ESC 5 n feeds a
// line with each CR; ESC 6 / ESC 7 print or drop 0x80..0x9F; ESC X l r
// sets both margins (columns from 1); ESC \ n prints the next n bytes as
// characters and ESC ^ the next one (control codes as the PC character
// set's symbols); ESC _ n is the overline on or off; ESC d n moves n/120
// inch right; ESC P n is proportional on or off; ESC R resets the tabs;
// ESC 4 (top of form), ESC j (stop) have nothing to show; ESC [ and ESC =
// are skipped.  The Proprinter is a 9-pin printer: its 8-dot graphics
// columns are 1/72 inch apart.
enum class Printer { Epson, Ibm };

// The print head of an ESC/P printer, whose units differ.  9 pins: ESC 3 n
// and ESC J n are n/216 inch (24 pins: n/180), ESC A n n/72 (n/60),
// ESC \ and ESC SP n/120 (n/180, letter quality), 8-dot graphics columns 1/72
// inch apart vertically (1/60, the 24-pin head's spacing for them),
// downloads of 12 bytes a character.  Auto: told by the job's commands
// (see PrinterChoice), 24 pins when they do not tell.
enum class Pins { Auto, TwentyFour, Nine };

// The sheet's top edge to the printer's top of form, where the first line
// is printed: 8.5 mm, as a printer loads a single sheet.
constexpr double kDefaultTopOfForm = 8.5 * 72 / 25.4;
// The most a top of form may be: 100 mm.
constexpr double kMostTopOfForm = 100 * 72 / 25.4;

struct RenderOptions {
    Paper paper;
    int codePage = 437;  // knownCodePage
    Printer printer = Printer::Epson;
    Pins pins = Pins::Auto;                // for Printer::Ibm always 9
    double topOfForm = kDefaultTopOfForm;  // points; at most a line above the sheet's bottom
};

// The code pages the renderer knows: 437, 850, 852, 858, 865, 866, 1252,
// 895 (Kamenicky), 667 (Mazovia), 737, 775, 857, 860, 861, 862, 863, 869,
// 28591, 28592 and 28605 (ISO 8859-1, -2 and -15).
bool knownCodePage(int codePage);
// A code page by number or name, in any case and with or without dashes:
// "850", "cp850", "kamenicky", "keybcs2", "mazovia" (or 620), "iso8859-2",
// "latin1", "windows-1252" ...  False for anything else.
bool parseCodePage(const std::string& text, int& codePage);
// Its name: "cp850", "kamenicky", "iso88592" ...
const char* codePageName(int codePage);

// A length with its unit: "8.5mm", "0.33in", "24pt", or "0" (blanks and
// case do not matter), from 0 to kMostTopOfForm; false for anything else.
bool parseLength(const std::string& text, double& points);

// What a job is written in, from its first bytes.  Only PrinterText (plain
// text and the ESC/P family) is rendered.
enum class JobLanguage { PrinterText, Pcl, Pjl, PostScript };
JobLanguage detectLanguage(const std::uint8_t* data, std::size_t size);
const char* languageName(JobLanguage language);  // "PCL", "PJL", "PostScript", "text"

// Commands that were read for their length and skipped.
struct SkippedCommand {
    // "ESC ( V", "ESC q", "CAN", "ESC * 12" (a graphics mode no printer
    // has), "ESC K (truncated)" (cut off by the end of the job) ...
    std::string name;
    std::uint64_t count = 0;
    std::vector<std::uint64_t> offsets;  // the first 4, in the job
};
// The printer units that Pins::Auto chose, and what in the job told.
struct PrinterChoice {
    bool automatic = false;  // chosen from the job (ESC/P, Pins::Auto)
    bool ninePin = false;
    // The job has commands whose meaning depends on the choice (line
    // spacings, feeds, 8-dot graphics ...); without them it made no
    // difference.
    bool mattered = false;
    std::string evidence;  // "ESC 3 36 at 14", "ESC * 39 at 120"; empty when nothing told
    // "printer mode epson9: 9-pin units, as ESC 3 36 at 14 tells",
    // "printer mode epson: 24-pin units; nothing in the job tells 9-pin
    // from 24-pin"; empty unless automatic and mattered.
    std::string describe() const;
};

struct RenderReport {
    std::vector<SkippedCommand> skipped;
    // "skipped 3 commands: ESC ( V x2 (first at 120, 4410), ESC i x1 (first at 77)"; empty when none;
    // past 8 kinds "... and 5 more kinds".
    std::string describe() const;
    PrinterChoice printer;
};

// The job as pages.  Never fails: what it does not understand is skipped
// and reported; the size of the result is bounded by the size of the job.
//
// A paper outside 1 to 100 inches is taken as the nearest size inside.
// The printer starts (and ESC @ resets it) at 10 cpi, 1/6 inch line
// spacing, margins at the printable area's edges (the right one at the
// sheet's right edge), tabs every 8 columns, a form as long as the sheet
// below the top of form.  A page ends at FF, when a movement reaches the
// form length (ESC C, less ESC N's skip and above ESC ( c's bottom margin)
// and when the next line's characters (its 12-point cell down to the
// descenders) would not fit on the sheet; each page is a fresh form,
// counted from its top of form.  A page is made when
// something is printed on it, or when FF ejects a page that the job fed
// paper on with nothing printed (a blank sheet the job fed out itself):
// feeds past the last printed page, and FF on a page nothing has touched
// yet (the top of the job, just after an automatic break), make none.
// Text past the right margin continues on the next line; graphics past it
// are cut off, and so are graphics rows below the sheet.  Carried out
// besides the basics: ESC SP, ESC c, ESC ! (proportional drawn at the
// pitch in force), ESC X pitch, ESC = / ESC > / ESC #, ESC ?, ESC ( ^,
// ESC ^ (9-dot graphics), ESC t and ESC ( t (character tables), and the
// ESC/P2 page format ESC ( U, C, c, V, v, $ and raster graphics ESC . 0 and
// 1.  No visible effect: quality, typeface, direction, speed, ESC ( G, i, e,
// K.  With Pins::Auto the job is read twice: first for the units.
Document interpret(const std::uint8_t* data, std::size_t size, const RenderOptions& options, RenderReport& report);

// UTF-8 text: the pages one after the other with a form feed between them,
// each line's characters in the columns they were printed, trailing spaces
// trimmed.
std::string toText(const Document& document);

// A PDF of the pages: real, searchable text in an embedded, subset
// monospace font with a Unicode map; images for the graphics; compressed.
std::string toPdf(const Document& document);

// toPdf(interpret(...)) and toText(interpret(...)), each page written as
// soon as it is finished and then let go: a long job takes the memory of
// one page's runs, not of all of them.  pages, when given, gets how many
// the job made (the PDF holds one blank page for a job that made none).
std::string renderPdf(const std::uint8_t* data, std::size_t size, const RenderOptions& options, RenderReport& report,
                      std::size_t* pages = nullptr);
std::string renderText(const std::uint8_t* data, std::size_t size, const RenderOptions& options, RenderReport& report);

// interpret(...) a page at a time: each page goes to sink as soon as it is
// finished and is let go after, as the writers above take them.  What
// sink throws ends the rendering.  Returns how many pages there were.
std::size_t renderPages(const std::uint8_t* data, std::size_t size, const RenderOptions& options, RenderReport& report,
                        const std::function<void(Page& page)>& sink);

}  // namespace orv::render
