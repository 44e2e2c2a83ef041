// A slow, literal model of the grid for tests and fuzzing: one byte at a
// time through the four steps, recording every cell that it stores into.
#pragma once
#include <cstddef>
#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "view/ViewBuffer.h"

namespace orv::test {

struct ReferenceGrid {
    std::vector<char> cells = std::vector<char>(kGridBytes, ' ');
    int cursorColumn = 0, cursorRow = 0, lineCount = 0, usedWidth = 0;
    std::set<std::pair<int, int>> stored;  // (row, column) stored by the last append

    void append(const std::uint8_t* bytes, std::size_t count) {
        stored.clear();
        for (std::size_t i = 0; i < count; ++i)
            if (!take(bytes[i])) return;
    }

    // False when the byte (and so the rest of the chunk) is not shown.
    bool take(std::uint8_t b) {
        if (cursorRow >= 8191) return false;
        if (b == 0x0D) {
            cursorColumn = 0;
        } else if (b == 0x0A) {
            ++lineCount;
            ++cursorRow;
        } else {
            cells[std::size_t(cursorRow) * 128 + cursorColumn] = (b >= 0x20 && b <= 0x7E) ? char(b) : '.';
            stored.insert({cursorRow, cursorColumn});
            if (usedWidth < 127 && usedWidth <= cursorColumn) ++usedWidth;
            if (cursorColumn < 127) {
                ++cursorColumn;
            } else {
                take(0x0D);
                take(0x0A);
            }
        }
        return true;
    }
};

}  // namespace orv::test
