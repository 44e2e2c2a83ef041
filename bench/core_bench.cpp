// Throughput of the hot paths, each with memcpy of the same bytes as the
// reference that bench/run.sh prints beside it.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "capture/DeviceStream.h"
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

}  // namespace

BENCHMARK_MAIN();
