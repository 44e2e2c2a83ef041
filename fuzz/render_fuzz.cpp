// The renderer on any bytes: no crash or hang; a document bounded by the
// job (pages, characters, image bytes, report counts); every mark on the
// sheet (glyphs, rules, images); toText valid UTF-8 of a bounded size; the
// same pages whether the units are chosen or named as chosen.
//
// The first byte picks the options: code page, printer, units, paper and
// top of form.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "render/Render.h"

namespace {

using namespace orv::render;

// Names the broken invariant's line before stopping.
#define check(ok) ((ok) ? void(0) : fail(__LINE__))
void fail(int line) {
    std::fprintf(stderr, "render_fuzz.cpp:%d: invariant broken\n", line);
    std::abort();
}

bool validUtf8(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        char32_t v = n == 1 ? c : c & (0x7F >> n);
        for (std::size_t k = 1; k < n; ++k) {
            const auto d = static_cast<unsigned char>(s[i + k]);
            if ((d >> 6) != 2) return false;
            v = v << 6 | (d & 0x3F);
        }
        const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (v < least[n] || v > 0x10FFFF || (v >= 0xD800 && v < 0xE000)) return false;
        i += n;
    }
    return true;
}

bool within(double v, double low, double high) { return std::isfinite(v) && v >= low && v <= high; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static const int kCodePages[] = {437, 895, 852, 667, 28591, 869, 1252, 862};
    static const char* const kPapers[] = {"a4", "letter", "1x1in", "14.875x11in"};
    RenderOptions options;
    options.codePage = kCodePages[data[0] & 7];
    options.printer = data[0] & 8 ? Printer::Ibm : Printer::Epson;
    options.pins = data[0] & 16 ? Pins::Auto : Pins::Nine;
    check(parsePaper(kPapers[data[0] >> 5 & 3], options.paper));
    // No top of form, the default, and more than a 1-inch sheet has.
    options.topOfForm = data[0] & 0x80 ? (data[0] & 16 ? 0 : 80) : kDefaultTopOfForm;
    const std::uint8_t* job = data + 1;
    const std::size_t n = size - 1;

    detectLanguage(job, n);
    RenderReport report;
    const Document doc = interpret(job, n, options, report);

    check(doc.pages.size() <= n + 1);
    std::size_t chars = 0, runs = 0, imageBytes = 0, textBound = 0;
    for (const Page& page : doc.pages) {
        const double w = options.paper.width, h = options.paper.height;
        check(page.width == w && page.height == h);
        for (const TextRun& run : page.runs) {
            check(!run.text.empty() && run.column >= 0 && run.line >= 0);
            check(within(run.x, 0, w) && within(run.advance, 0.1, 72 * 7) && within(run.size, 1, 24));
            check(within(run.baseline - kGlyphAscent * run.size, 0, h) &&
                  within(run.baseline + kGlyphDescent * run.size, 0, h));
            for (char32_t c : run.text) check(c >= 0x20 && (c < 0x7F || c >= 0xA0) && c <= 0xFFFF);
            chars += run.text.size();
        }
        for (const Image& image : page.images) {
            check(image.columns > 0 && image.rows > 0);
            check(image.bits.size() == std::size_t(image.rows) * ((std::size_t(image.columns) + 7) / 8));
            check(within(image.x, 0, w) && within(image.y, 0, h) && within(image.x + image.width, 0, w + 1));
            check(within(image.y + image.height, 0, h + 1e-6));
            check(within(image.height, 0, 255.0 * 255 / 3600 * 72));  // ESC . : 255 rows 255/3600 inch apart
            imageBytes += image.bits.size();
        }
        runs += page.runs.size();
        // A line at most for each 1/360 inch of the sheet.
        textBound += std::size_t(h / 72 * 360) + 2;
    }
    // Each character makes a line of at most 20 columns an inch.
    textBound += 4 * chars * (std::size_t(options.paper.width / 72 * 20) + 2);
    check(runs <= n && chars <= n);
    // Run-length coded raster graphics: 2 bytes stand for up to 129.
    check(imageBytes <= 65 * n);
    std::uint64_t skipped = 0;
    for (const SkippedCommand& s : report.skipped) {
        check(s.count > 0 && !s.offsets.empty() && s.offsets.size() <= 4 && s.offsets.size() <= s.count);
        for (std::uint64_t offset : s.offsets) check(offset < n);
        skipped += s.count;
    }
    check(skipped <= n);
    check(report.skipped.empty() == report.describe().empty());

    const std::string text = toText(doc);
    check(validUtf8(text));
    check(text.size() <= textBound);
    // A page at a time, as the front ends render: the same text.
    RenderReport again;
    check(renderText(job, n, options, again) == text && again.describe() == report.describe());
    // The units chosen are the units named.
    if (report.printer.automatic) {
        RenderOptions named = options;
        named.pins = report.printer.ninePin ? Pins::Nine : Pins::TwentyFour;
        RenderReport same;
        check(renderText(job, n, named, same) == text && !same.printer.automatic);
    }
    return 0;
}
