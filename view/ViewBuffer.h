// The text grid that received bytes are laid into, and the view-wide
// values that say what the view shows.  Portable: no window types.
//
// The receive thread writes the grid while the UI thread paints from it,
// and a paint must never wait for the link.  So there is no lock: every
// cell and every counter is an atomic, written and read relaxed.  A paint
// that meets a half-written line shows that state; the next paint shows
// it whole.  Relaxed byte atomics compile to plain moves on x86.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace orv {

constexpr int kGridRows = 8192;
constexpr int kGridColumns = 128;
constexpr std::size_t kGridBytes = std::size_t(kGridRows) * kGridColumns;  // 1 MiB

struct ViewBuffer {
    std::atomic<std::uint8_t> cells[kGridBytes];  // row r, column c at r * 128 + c; bytes 0x20..0x7E only
    std::atomic<int> cursorColumn{0};             // 0..127
    std::atomic<int> cursorRow{0};                // 0..8191
    std::atomic<int> lineCount{0};                // line feeds taken, wrapping included
    std::atomic<int> usedWidth{0};                // columns that hold content (see appendToView)
};

// The grid part of resetView: all cells spaces, cursor and counters 0.
void clearGrid(ViewBuffer& view);

// Copies the cells firstCol..lastCol (inclusive, clipped to the grid) of
// one row into out, for painting.  Returns the number of bytes copied
// (0 for a row outside the grid or an empty range).
int readRow(const ViewBuffer& view, int row, int firstCol, int lastCol, char* out);

}  // namespace orv
