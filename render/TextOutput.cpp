// The pages as plain text: every character in the cell of its column and
// line; what is printed later over a cell wins, blanks never do.
#include <algorithm>

#include "render/Render.h"

namespace orv::render {
namespace {

// Beyond these a run was not made by the interpreter; its characters are
// left out rather than blowing up the text.
constexpr int kMostLines = 1 << 20;
constexpr long kMostColumns = 1 << 16;

void appendUtf8(std::string& out, char32_t c) {
    if (c >= 0xD800 && (c < 0xE000 || c > 0x10FFFF)) c = 0xFFFD;
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | c >> 6);
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | c >> 12);
        out += char(0x80 | (c >> 6 & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | c >> 18);
        out += char(0x80 | (c >> 12 & 0x3F));
        out += char(0x80 | (c >> 6 & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

void pageText(const Page& page, std::string& out) {
    int lastLine = -1;
    for (const TextRun& run : page.runs)
        if (run.line >= 0 && run.line < kMostLines) lastLine = std::max(lastLine, run.line);
    std::vector<std::u32string> lines(std::size_t(lastLine + 1));
    for (const TextRun& run : page.runs) {
        if (run.line < 0 || run.line >= kMostLines || run.column < 0) continue;
        std::u32string& cells = lines[std::size_t(run.line)];
        // Character k in column + k: double-width text closes up, so that its
        // words stay whole; the runs after it keep their own columns.
        for (std::size_t k = 0; k < run.text.size(); ++k) {
            const char32_t c = run.text[k];
            const long column = run.column + long(k);
            if (column >= kMostColumns) break;
            if (c <= U' ' || (c >= 0x7F && c <= 0xA0)) continue;
            if (cells.size() <= std::size_t(column)) cells.resize(std::size_t(column) + 1, U' ');
            cells[std::size_t(column)] = c;
        }
    }
    for (const std::u32string& cells : lines) {
        std::size_t end = cells.size();
        while (end > 0 && cells[end - 1] == U' ') --end;
        for (std::size_t i = 0; i < end; ++i) appendUtf8(out, cells[i]);
        out += '\n';
    }
}

}  // namespace

std::string toText(const Document& document) {
    std::string out;
    for (std::size_t i = 0; i < document.pages.size(); ++i) {
        if (i) out += '\f';
        pageText(document.pages[i], out);
    }
    return out;
}

std::string renderText(const std::uint8_t* data, std::size_t size, const RenderOptions& options, RenderReport& report) {
    std::string out;
    bool first = true;
    renderPages(data, size, options, report, [&](Page& page) {
        if (!first) out += '\f';
        first = false;
        pageText(page, out);
    });
    return out;
}

}  // namespace orv::render
