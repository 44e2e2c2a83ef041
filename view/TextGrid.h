// Laying received bytes into the text grid, the way a plain terminal
// would: CR back to column 0, LF down one row in the same column, the
// 128th character of a line wraps to the next row, non-printing bytes
// shown as ".", and nothing more once the cursor reaches row 8191.
#pragma once
#include <cstddef>
#include <cstdint>

#include "view/ViewBuffer.h"

namespace orv {

constexpr int kLastTextRow = kGridRows - 1;  // row 8191 stays blank

// A block of changed cells, all bounds inclusive, in cell coordinates:
// the window side turns it into pixels with its font and scroll position.
struct CellRect {
    int firstRow, lastRow;
    int firstColumn, lastColumn;
};

// Receives the repaint requests of one appendToView call.  The union of
// the rectangles is exactly the set of cells that the call stored into
// (rectangles may overlap where a line was written over after a CR).
class RepaintSink {
public:
    virtual void repaintCells(const CellRect& cells) = 0;

protected:
    ~RepaintSink() = default;
};

class NoRepaint final : public RepaintSink {
public:
    void repaintCells(const CellRect&) override {}
};

// Takes count bytes into the grid at its cursor.  Rows written in one
// call are reported as few rectangles: one per run of cells in a row, and
// consecutive rows with the same columns (wrapped long lines) as one.
void appendToView(ViewBuffer& view, const std::uint8_t* bytes, std::size_t count, RepaintSink& sink);

}  // namespace orv
