// Throughput of the hot paths, each with memcpy of the same bytes as the
// reference that bench/run.sh prints beside it (the PDF writer: enscript
// and ps2pdf on the same text, see bench/render.sh).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "capture/DeviceStream.h"
#include "render/Render.h"
#include "view/HexDump.h"
#include "view/TextGrid.h"

namespace {

using namespace orv;

// Printer-like text: lines of 40..100 printable characters with CR LF, and
// now and then an escaped 0x07 or a device reply.
std::vector<std::uint8_t> printerText(std::size_t size, bool withEscapes) {
    std::mt19937 rng(7);
    std::vector<std::uint8_t> out;
    out.reserve(size + 128);
    while (out.size() < size) {
        const int len = 40 + int(rng() % 61);
        for (int i = 0; i < len; ++i) out.push_back(static_cast<std::uint8_t>(0x20 + rng() % 95));
        if (withEscapes && rng() % 8 == 0) {
            out.push_back(0x07);
            out.push_back(rng() % 2 ? 0x27 : 0x35);
        }
        out.push_back('\r');
        out.push_back('\n');
    }
    out.resize(size);
    return out;
}

void BM_Memcpy(benchmark::State& state) {
    const std::size_t size = std::size_t(state.range(0));
    std::vector<std::uint8_t> in = printerText(size, true), out(size);
    for (auto _ : state) {
        std::memcpy(out.data(), in.data(), size);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(size));
}
BENCHMARK(BM_Memcpy)->Arg(4 << 20);

void BM_DecodeDeviceStream(benchmark::State& state) {
    const std::size_t size = std::size_t(state.range(0));
    const std::vector<std::uint8_t> in = printerText(size, true);
    std::vector<std::uint8_t> out(size + 1);
    for (auto _ : state) {
        DeviceStreamDecoder decoder;
        benchmark::DoNotOptimize(decoder.decode(in.data(), size, out.data()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(size));
}
BENCHMARK(BM_DecodeDeviceStream)->Arg(4 << 20);

// Fills rows 0..8190 each time; the cursor goes back to the top without
// clearing, the way a new run would reuse the grid.
void appendBench(benchmark::State& state, const std::vector<std::uint8_t>& text) {
    auto view = std::make_unique<ViewBuffer>();
    clearGrid(*view);
    NoRepaint sink;
    const std::size_t chunk = 4096;
    for (auto _ : state) {
        view->cursorRow = 0;
        view->cursorColumn = 0;
        view->lineCount = 0;
        view->usedWidth = 0;
        for (std::size_t at = 0; at < text.size(); at += chunk)
            appendToView(*view, text.data() + at, std::min(chunk, text.size() - at), sink);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}

void BM_AppendToViewLines(benchmark::State& state) {
    // About 8000 lines: the grid's 8191 rows are not reached.
    appendBench(state, printerText(8000 * 72, false));
}
BENCHMARK(BM_AppendToViewLines);

void BM_AppendToViewWrapped(benchmark::State& state) {
    std::vector<std::uint8_t> text = printerText(8190 * 128, false);
    for (auto& b : text)
        if (b == '\r' || b == '\n') b = '-';
    appendBench(state, text);
}
BENCHMARK(BM_AppendToViewWrapped);

void BM_FormatHexLines(benchmark::State& state) {
    const std::size_t size = std::size_t(state.range(0));
    const std::vector<std::uint8_t> in = printerText(size, true);
    std::vector<char> out(hexDumpLineCount(size) * kHexLineBytes);
    for (auto _ : state) {
        benchmark::DoNotOptimize(formatHexLines(in.data(), size, 0, out.data()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(size));
}
BENCHMARK(BM_FormatHexLines)->Arg(1 << 20);

// The text job bench/render.sh names in ORV_BENCH_JOB, else 4 MiB of
// printer-like text.
const std::vector<std::uint8_t>& renderJob() {
    static const std::vector<std::uint8_t> job = [] {
        const char* path = std::getenv("ORV_BENCH_JOB");
        if (!path) return printerText(4 << 20, false);
        std::ifstream in(path, std::ios::binary);
        return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }();
    return job;
}

// The job as the interpreter makes pages of it: a page per form feed or
// 66 lines at 6 lpi and 10 cpi; a run per line, or, styled, a run per
// word with bold, italic, underline, double width and superscript in turn.
render::Document textDocument(const std::vector<std::uint8_t>& job, bool styled) {
    render::Document document;
    document.pages.emplace_back();
    int line = 0, lines = 0;
    std::size_t at = 0;
    auto addRun = [&](std::size_t from, std::size_t to, int column, int style) {
        render::TextRun run;
        run.x = 36 + 7.2 * column;
        run.baseline = 48 + 12.0 * line;
        run.line = line, run.column = column;
        run.style.bold = style == 1;
        run.style.italic = style == 2;
        run.style.underline = style == 3;
        run.style.doubleWidth = style == 4;
        run.style.superscript = style == 5;
        if (run.style.doubleWidth) run.advance = 14.4;
        run.text.assign(job.begin() + std::ptrdiff_t(from), job.begin() + std::ptrdiff_t(to));
        document.pages.back().runs.push_back(std::move(run));
    };
    while (at < job.size()) {
        std::size_t end = at;
        while (end < job.size() && job[end] != '\r' && job[end] != '\n' && job[end] != '\f') ++end;
        if (!styled) {
            if (end > at) addRun(at, end, 0, 0);
        } else {
            int style = lines % 6;  // as bench/render.sh styles the ESC/P job
            for (std::size_t word = at; word < end;) {
                std::size_t next = word;
                while (next < end && job[next] != ' ') ++next;
                while (next < end && job[next] == ' ') ++next;
                addRun(word, next, int(word - at), style);
                style = (style + 1) % 6;
                word = next;
            }
        }
        at = end;
        if (at < job.size() && job[at] == '\r') ++at;
        const bool feed = at < job.size() && job[at] == '\f';
        if (at < job.size()) ++at;
        ++lines;
        if (feed || ++line == 66) {
            document.pages.emplace_back();
            line = 0;
        }
    }
    if (document.pages.size() > 1 && document.pages.back().runs.empty()) document.pages.pop_back();
    return document;
}

void toPdfBench(benchmark::State& state, bool styled) {
    const std::vector<std::uint8_t>& job = renderJob();
    const render::Document document = textDocument(job, styled);
    std::size_t pdfSize = 0;
    for (auto _ : state) pdfSize = render::toPdf(document).size();
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(job.size()));
    state.counters["pdf_per_job"] = double(pdfSize) / double(job.size());  // size of the PDF to that of the job
    state.counters["pages"] =
        benchmark::Counter(double(document.pages.size()), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ToPdfPlain(benchmark::State& state) { toPdfBench(state, false); }
BENCHMARK(BM_ToPdfPlain)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ToPdfStyled(benchmark::State& state) { toPdfBench(state, true); }
BENCHMARK(BM_ToPdfStyled)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
