#include "view/TextGrid.h"

#include <algorithm>

namespace orv {
namespace {

constexpr std::uint8_t kCR = 0x0D;
constexpr std::uint8_t kLF = 0x0A;
constexpr int kMaxGrownWidth = kGridColumns - 1;  // appending alone never reaches 128
constexpr auto kRelaxed = std::memory_order_relaxed;

// What a cell shows for each byte: the byte when printable, else ".".
struct ShowTable {
    std::uint8_t show[256];
    constexpr ShowTable() : show{} {
        for (int b = 0; b < 256; ++b) show[b] = static_cast<std::uint8_t>(b >= 0x20 && b <= 0x7E ? b : '.');
    }
};
constexpr ShowTable kShow;

// Collects the runs of cells that one call stores into and hands them to
// the sink as rectangles: a run that touches the previous one in the same
// row joins it, and a run one row down with the same columns extends it
// downwards (wrapped lines, or lines of equal length).  Every merge keeps
// the union exact.
class RectGatherer {
public:
    explicit RectGatherer(RepaintSink& sink) : sink_(sink) {}

    void add(int row, int first, int last) {
        if (have_) {
            CellRect& p = pending_;
            if (row == p.lastRow) {
                if (first >= p.firstColumn && last <= p.lastColumn) return;  // written over, already covered
                if (p.firstRow == row && first <= p.lastColumn + 1 && last + 1 >= p.firstColumn) {
                    p.firstColumn = std::min(p.firstColumn, first);
                    p.lastColumn = std::max(p.lastColumn, last);
                    return;
                }
            } else if (row == p.lastRow + 1 && first == p.firstColumn && last == p.lastColumn) {
                p.lastRow = row;
                return;
            }
            sink_.repaintCells(p);
        }
        pending_ = CellRect{row, row, first, last};
        have_ = true;
    }

    void flush() {
        if (have_) sink_.repaintCells(pending_);
        have_ = false;
    }

private:
    RepaintSink& sink_;
    CellRect pending_{};
    bool have_ = false;
};

}  // namespace

void clearGrid(ViewBuffer& view) {
    for (auto& cell : view.cells) cell.store(' ', kRelaxed);
    view.cursorColumn.store(0, kRelaxed);
    view.cursorRow.store(0, kRelaxed);
    view.lineCount.store(0, kRelaxed);
    view.usedWidth.store(0, kRelaxed);
}

int readRow(const ViewBuffer& view, int row, int firstCol, int lastCol, char* out) {
    if (row < 0 || row >= kGridRows) return 0;
    firstCol = std::max(firstCol, 0);
    lastCol = std::min(lastCol, kGridColumns - 1);
    const std::atomic<std::uint8_t>* line = view.cells + std::size_t(row) * kGridColumns;
    int n = 0;
    for (int c = firstCol; c <= lastCol; ++c) out[n++] = static_cast<char>(line[c].load(kRelaxed));
    return n;
}

void appendToView(ViewBuffer& view, const std::uint8_t* bytes, std::size_t count, RepaintSink& sink) {
    // The counters live in locals for the whole chunk; only this thread
    // writes them, readers see them move once per chunk.
    int col = std::clamp(view.cursorColumn.load(kRelaxed), 0, kGridColumns - 1);
    int row = std::max(view.cursorRow.load(kRelaxed), 0);
    int lines = view.lineCount.load(kRelaxed);
    int width = view.usedWidth.load(kRelaxed);
    RectGatherer gather(sink);

    std::size_t i = 0;
    while (i < count && row < kLastTextRow) {
        const std::uint8_t b = bytes[i];
        if (b == kCR) {
            col = 0;
            ++i;
            continue;
        }
        if (b == kLF) {
            ++lines;
            ++row;
            ++i;
            continue;
        }
        // A run of stored bytes: up to the next CR or LF, the end of the
        // chunk or the end of the row.
        std::atomic<std::uint8_t>* line = view.cells + std::size_t(row) * kGridColumns;
        const int first = col;
        const std::size_t end = i + std::min(count - i, std::size_t(kGridColumns - col));
        do {
            line[col++].store(kShow.show[bytes[i++]], kRelaxed);
        } while (i < end && bytes[i] != kCR && bytes[i] != kLF);
        const int last = col - 1;

        // usedWidth grows by one for each character stored at a column
        // not below it, and stops at 127: the same result as stepping
        // through the run one character at a time.
        if (width < kMaxGrownWidth) {
            if (width <= first)
                width = std::min(kMaxGrownWidth, width + (last - first + 1));
            else if (width <= last)
                width = std::min(kMaxGrownWidth, last + 1);
        }
        gather.add(row, first, last);

        if (col == kGridColumns) {  // the 128th character wraps: CR LF
            col = 0;
            ++lines;
            ++row;
        }
    }

    view.cursorColumn.store(col, kRelaxed);
    view.cursorRow.store(row, kRelaxed);
    view.lineCount.store(lines, kRelaxed);
    view.usedWidth.store(width, kRelaxed);
    gather.flush();
}

}  // namespace orv
