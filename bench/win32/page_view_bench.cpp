// The page view's first page, timed in the real main window under Wine:
// from View > Pages to the first page painted, for a long job, beside the
// same job rendered to a PDF in the same process.
//   page-view-bench JOB    (JOB: a Windows path)
// prints, each the best of three:
//   first SECONDS          View > Pages until the first page is painted
//   counted SECONDS PAGES  until every page is counted ("Page 1 of N")
//   pdf SECONDS PAGES      renderPdf of the same job
//   kept PAGES             the most pages the view held meanwhile
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "render/Render.h"
#include "tests/support/TestSupport.h"
#include "tests/support/win32/ProgramWindow.h"
#include "tests/support/win32/Win32TestSupport.h"

namespace orv {
namespace {

using Clock = std::chrono::steady_clock;
double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

int run(const std::string& jobPath) {
    const std::vector<std::uint8_t> job = test::readFile(jobPath);
    if (job.empty()) {
        std::fprintf(stderr, "page-view-bench: cannot read %s\n", jobPath.c_str());
        return 1;
    }
    double pdf = 1e9;
    std::size_t pdfPages = 0;
    for (int round = 0; round < 3; ++round) {
        const auto start = Clock::now();
        render::RenderReport report;
        const std::string made = render::renderPdf(job.data(), job.size(), render::RenderOptions{}, report, &pdfPages);
        pdf = std::min(pdf, since(start));
        if (made.empty()) return 1;
    }

    test::ProgramWindow program(test::win32BuildFolder(2), 1033, SW_SHOWNORMAL);
    if (!program.made()) return 1;
    CaptureState* s = program.s.get();
    SetWindowPos(s->mainWindow, nullptr, 0, 0, 800, 700, SWP_NOMOVE | SWP_NOZORDER);
    program.dialogs.choose(jobPath);
    program.command(CMD_OPEN_FILE);
    test::pumpMessages();

    double first = 1e9, counted = 1e9;
    std::size_t pages = 0, kept = 0;
    bool ok = true;
    for (int round = 0; round < 3 && ok; ++round) {
        const auto start = Clock::now();
        program.command(CMD_VIEW_PAGES);
        ok = test::pumpUntil(
            [&] {
                if (!s->pages.feed || !s->pages.feed->page(0)) return false;
                // Painted now, not whenever the queue comes to it.
                RedrawWindow(s->pages.window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
                return true;
            },
            60000);
        first = std::min(first, since(start));
        ok = ok && test::pumpUntil(
                       [&] {
                           kept = std::max(kept, s->pages.feed->kept());
                           return pagePosition(s->pages).counted;
                       },
                       600000);
        counted = std::min(counted, since(start));
        pages = pagePosition(s->pages).pages;
        program.command(CMD_VIEW_TEXT);
        test::pumpMessages();
    }
    if (!ok) {
        std::fprintf(stderr, "page-view-bench: the pages never came\n");
        return 1;
    }
    std::printf("first %.4f\ncounted %.4f %zu\npdf %.4f %zu\nkept %zu\n", first, counted, pages, pdf, pdfPages, kept);
    return 0;
}

}  // namespace
}  // namespace orv

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: page-view-bench JOB\n");
        return 2;
    }
    try {
        return orv::run(argv[1]);
    } catch (...) {
        std::fprintf(stderr, "page-view-bench: failed\n");
        return 1;
    }
}
