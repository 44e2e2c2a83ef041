// The grid against the byte-by-byte model: cells only 0x20..0x7E, cursor
// within the grid, lineCount equal to the rows moved, usedWidth at most
// 127, and the repaint rectangles covering exactly the stored cells.
//
// Grid and model (1 MiB each) are set up once and are all spaces between
// inputs.  An input can store only into the rows from its start row to
// its last cursor row, so only those are compared and cleared; the rest
// are checked to be still blank with a memcmp, which catches a cell
// stored anywhere else at a small part of the cost of a cell-by-cell pass.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "tests/view/ReferenceGrid.h"
#include "view/TextGrid.h"

namespace {

class CollectingSink final : public orv::RepaintSink {
public:
    void repaintCells(const orv::CellRect& r) override {
        if (r.firstRow > r.lastRow || r.firstColumn > r.lastColumn || r.firstRow < 0 ||
            r.lastRow >= orv::kLastTextRow || r.firstColumn < 0 || r.lastColumn >= orv::kGridColumns)
            std::abort();
        for (int row = r.firstRow; row <= r.lastRow; ++row)
            for (int c = r.firstColumn; c <= r.lastColumn; ++c) cells.push_back({row, c});
    }
    // The union of the rectangles against the cells the model stored.
    bool covers(const std::set<std::pair<int, int>>& stored) {
        std::sort(cells.begin(), cells.end());
        cells.erase(std::unique(cells.begin(), cells.end()), cells.end());
        return cells.size() == stored.size() && std::equal(cells.begin(), cells.end(), stored.begin());
    }
    std::vector<std::pair<int, int>> cells;
};

struct Fixture {
    std::unique_ptr<orv::ViewBuffer> view = std::make_unique<orv::ViewBuffer>();
    std::unique_ptr<orv::test::ReferenceGrid> model = std::make_unique<orv::test::ReferenceGrid>();
    Fixture() { orv::clearGrid(*view); }
};

static_assert(sizeof(std::atomic<std::uint8_t>) == 1, "the cells are compared as plain bytes");

// True when the n cells from at are all spaces.
bool blank(const orv::ViewBuffer& view, std::size_t at, std::size_t n) {
    const auto* p = reinterpret_cast<const unsigned char*>(view.cells) + at;
    return n == 0 || (p[0] == ' ' && std::memcmp(p, p + 1, n - 1) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Fixture f;
    if (size == 0) return 0;

    // First byte: a row to start from, so that the end of the grid is
    // reached with small inputs too: 0, or one of the last 92 rows (the
    // last of them, which takes nothing, included).
    const int startRow = data[0] < 128 ? 0 : orv::kLastTextRow - 91 + data[0] % 92;
    f.view->cursorColumn = 0;
    f.view->cursorRow = startRow;
    f.view->lineCount = 0;
    f.view->usedWidth = 0;
    f.model->cursorColumn = 0;
    f.model->cursorRow = startRow;
    f.model->lineCount = 0;
    f.model->usedWidth = 0;
    const std::size_t chunk = 1 + data[0] % 61;
    for (std::size_t at = 1; at < size; at += chunk) {
        const std::size_t len = size - at < chunk ? size - at : chunk;
        CollectingSink sink;
        orv::appendToView(*f.view, data + at, len, sink);
        f.model->append(data + at, len);
        if (!sink.covers(f.model->stored)) std::abort();
        const int col = f.view->cursorColumn, row = f.view->cursorRow;
        if (col < 0 || col >= orv::kGridColumns || row < 0 || row > orv::kLastTextRow) std::abort();
        if (col != f.model->cursorColumn || row != f.model->cursorRow || f.view->lineCount != f.model->lineCount ||
            f.view->lineCount != row - startRow || f.view->usedWidth != f.model->usedWidth || f.view->usedWidth > 127)
            std::abort();
    }
    const std::size_t first = std::size_t(startRow) * orv::kGridColumns;
    const std::size_t end = std::size_t(f.view->cursorRow + 1) * orv::kGridColumns;
    if (!blank(*f.view, 0, first) || !blank(*f.view, end, orv::kGridBytes - end)) std::abort();
    for (std::size_t i = first; i < end; ++i) {
        const std::uint8_t c = f.view->cells[i].load(std::memory_order_relaxed);
        if (c < 0x20 || c > 0x7E || char(c) != f.model->cells[i]) std::abort();
        f.view->cells[i].store(' ', std::memory_order_relaxed);
        f.model->cells[i] = ' ';
    }
    return 0;
}
