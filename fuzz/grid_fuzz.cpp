// The grid against the byte-by-byte model: cells only 0x20..0x7E, cursor
// within the grid, lineCount equal to the rows moved, usedWidth at most
// 127, and the repaint rectangles covering exactly the stored cells.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <set>
#include <utility>

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
            for (int c = r.firstColumn; c <= r.lastColumn; ++c)
                cells.insert({row, c});
    }
    std::set<std::pair<int, int>> cells;
};

struct Fixture {
    std::unique_ptr<orv::ViewBuffer> view = std::make_unique<orv::ViewBuffer>();
    std::unique_ptr<orv::test::ReferenceGrid> model = std::make_unique<orv::test::ReferenceGrid>();
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Fixture f;  // the grid is 1 MiB: set up once, cleared each time
    if (size == 0)
        return 0;
    orv::clearGrid(*f.view);
    *f.model = orv::test::ReferenceGrid();

    // First byte: a row to start from, so that the end of the grid is
    // reached with small inputs too: 0, or one of the last 92 rows (the
    // last of them, which takes nothing, included).
    const int startRow = data[0] < 128 ? 0 : orv::kLastTextRow - 91 + data[0] % 92;
    f.view->cursorRow = startRow;
    f.model->cursorRow = startRow;
    const std::size_t chunk = 1 + data[0] % 61;
    for (std::size_t at = 1; at < size; at += chunk) {
        const std::size_t len = size - at < chunk ? size - at : chunk;
        CollectingSink sink;
        orv::appendToView(*f.view, data + at, len, sink);
        f.model->append(data + at, len);
        if (sink.cells != f.model->stored)
            std::abort();
        const int col = f.view->cursorColumn, row = f.view->cursorRow;
        if (col < 0 || col >= orv::kGridColumns || row < 0 || row > orv::kLastTextRow)
            std::abort();
        if (col != f.model->cursorColumn || row != f.model->cursorRow || f.view->lineCount != f.model->lineCount ||
            f.view->lineCount != row - startRow || f.view->usedWidth != f.model->usedWidth ||
            f.view->usedWidth > 127)
            std::abort();
    }
    for (std::size_t i = 0; i < orv::kGridBytes; ++i) {
        const std::uint8_t c = f.view->cells[i].load(std::memory_order_relaxed);
        if (c < 0x20 || c > 0x7E || char(c) != f.model->cells[i])
            std::abort();
    }
    return 0;
}
