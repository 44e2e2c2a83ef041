// The receive thread appends while the UI thread paints: no lock, and no
// data race (this suite also runs under ThreadSanitizer).
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "view/TextGrid.h"

namespace orv::test {
namespace {

TEST(GridConcurrency, PainterReadsWhileReceiverAppends) {
    auto view = std::make_unique<ViewBuffer>();
    clearGrid(*view);
    std::atomic<bool> done{false};

    std::thread receiver([&] {
        NoRepaint sink;
        std::string chunk;
        for (int i = 0; i < 50; ++i) chunk += "line " + std::to_string(i) + " \x01\xfe of printer output\r\n";
        while (view->cursorRow.load() < kLastTextRow)
            appendToView(*view, reinterpret_cast<const std::uint8_t*>(chunk.data()), chunk.size(), sink);
        done = true;
    });

    int badCells = 0, badCursor = 0, paints = 0;
    char row[kGridColumns];
    do {
        for (int r = 0; r < kGridRows; r += 7) {
            const int n = readRow(*view, r, 0, kGridColumns - 1, row);
            for (int c = 0; c < n; ++c) badCells += row[c] < 0x20 || row[c] > 0x7E;
        }
        const int col = view->cursorColumn.load(std::memory_order_relaxed);
        const int cursorRow = view->cursorRow.load(std::memory_order_relaxed);
        badCursor += col < 0 || col >= kGridColumns || cursorRow < 0 || cursorRow >= kGridRows;
        ++paints;
    } while (!done.load());
    receiver.join();

    EXPECT_EQ(badCells, 0);
    EXPECT_EQ(badCursor, 0);
    EXPECT_GT(paints, 0);
    EXPECT_EQ(view->lineCount.load(), kLastTextRow);
}

}  // namespace
}  // namespace orv::test
