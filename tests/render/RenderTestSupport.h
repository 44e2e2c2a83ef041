// Jobs for the renderer's tests: rendered, and searched for a character.
#pragma once
#include <cstdint>
#include <string>

#include "render/Render.h"

namespace orv::test {

struct Rendered {
    render::Document doc;
    render::RenderReport report;
};

inline Rendered renderJob(const std::string& job, const render::RenderOptions& options = {}) {
    Rendered r;
    r.doc = render::interpret(reinterpret_cast<const std::uint8_t*>(job.data()), job.size(), options, r.report);
    return r;
}

// Where a character was first printed.
struct Spot {
    int page = -1;
    double x = 0, baseline = 0;
    int column = 0, line = 0;
};

inline Spot find(const render::Document& doc, char32_t c) {
    for (std::size_t p = 0; p < doc.pages.size(); ++p)
        for (const render::TextRun& run : doc.pages[p].runs)
            for (std::size_t k = 0; k < run.text.size(); ++k)
                if (run.text[k] == c)
                    return Spot{int(p), run.x + double(k) * run.advance, run.baseline,
                                run.column + int(k) * (run.style.doubleWidth ? 2 : 1), run.line};
    return Spot{};
}

// Every character printed, in order.
inline std::u32string printed(const render::Document& doc) {
    std::u32string all;
    for (const render::Page& page : doc.pages)
        for (const render::TextRun& run : page.runs) all += run.text;
    return all;
}

}  // namespace orv::test
