#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/view/ReferenceGrid.h"
#include "view/TextGrid.h"

namespace orv {

// Found by argument lookup, so beside CellRect.
bool operator==(const CellRect& a, const CellRect& b) {
    return a.firstRow == b.firstRow && a.lastRow == b.lastRow && a.firstColumn == b.firstColumn &&
           a.lastColumn == b.lastColumn;
}
std::ostream& operator<<(std::ostream& os, const CellRect& r) {
    return os << "{rows " << r.firstRow << ".." << r.lastRow << ", cols " << r.firstColumn << ".." << r.lastColumn
              << "}";
}

}  // namespace orv

namespace orv::test {
namespace {

// Records the repaint requests of each append, like a window would get them.
class RecordingSink final : public RepaintSink {
public:
    void repaintCells(const CellRect& r) override { rects.push_back(r); }
    std::vector<CellRect> rects;
};

class Grid {
public:
    Grid() : view_(std::make_unique<ViewBuffer>()) { clearGrid(*view_); }
    ViewBuffer& view() { return *view_; }

    void feed(const std::string& bytes) {
        sink.rects.clear();
        appendToView(*view_, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), sink);
    }
    // One row with its trailing spaces removed.
    std::string row(int r) const {
        char cells[kGridColumns];
        int n = readRow(*view_, r, 0, kGridColumns - 1, cells);
        while (n > 0 && cells[n - 1] == ' ') --n;
        return std::string(cells, std::size_t(n));
    }
    // Rows 0 up to the last one with content.
    std::vector<std::string> rows() const {
        std::vector<std::string> out;
        for (int r = 0; r < kGridRows; ++r) out.push_back(row(r));
        while (!out.empty() && out.back().empty()) out.pop_back();
        return out;
    }
    int col() const { return view_->cursorColumn.load(); }
    int cursorRow() const { return view_->cursorRow.load(); }
    int lines() const { return view_->lineCount.load(); }
    int width() const { return view_->usedWidth.load(); }

    RecordingSink sink;

private:
    std::unique_ptr<ViewBuffer> view_;
};

std::set<std::pair<int, int>> cellsOf(const std::vector<CellRect>& rects) {
    std::set<std::pair<int, int>> cells;
    for (const CellRect& r : rects)
        for (int row = r.firstRow; row <= r.lastRow; ++row)
            for (int c = r.firstColumn; c <= r.lastColumn; ++c) cells.insert({row, c});
    return cells;
}

struct GridCase {
    const char* name;
    std::string input;
    std::vector<std::string> rows;
    int lineCount, usedWidth, cursorColumn, cursorRow;
};

TEST(TextGrid, LaysBytesOutLikeATerminal) {
    const std::string x127(127, 'x'), x128(128, 'x'), x300(300, 'x');
    const GridCase cases[] = {
        {"empty", "", {}, 0, 0, 0, 0},
        {"CR LF starts the next line", "AB\r\nCD", {"AB", "CD"}, 1, 2, 2, 1},
        {"LF alone keeps the column", "AB\nCD", {"AB", "  CD"}, 1, 4, 4, 1},
        {"CR alone overwrites", "AB\rCD", {"CD"}, 0, 2, 2, 0},
        {"CR never starts a row", "\r\r\rA", {"A"}, 0, 1, 1, 0},
        {"LFs only count lines", "\n\n\n", {}, 3, 0, 0, 3},
        {"non-printing bytes show as dots", "\t\x7f\xc8\x01\x1b", {"....."}, 0, 5, 5, 0},
        {"NUL shows as dot", std::string("a\0b", 3), {"a.b"}, 0, 3, 3, 0},
        {"space and tilde are printable", " ~", {" ~"}, 0, 2, 2, 0},
        {"127 characters stay in row 0", x127, {x127}, 0, 127, 127, 0},
        {"the 128th character wraps", x128, {x128}, 1, 127, 0, 1},
        {"the 129th goes to row 1", x128 + "y", {x128, "y"}, 1, 127, 1, 1},
        {"300 characters fill two rows and 44 cells", x300, {x128, x128, std::string(44, 'x')}, 2, 127, 44, 2},
        {"wrap then CR LF adds a line", x128 + "\r\nz", {x128, "", "z"}, 2, 127, 1, 2},
        {"LF at column 127 then a character wraps", x127 + "\nQ", {x127, std::string(127, ' ') + "Q"}, 2, 127, 0, 2},
        {"width keeps its maximum after CR", "ABCDEF\rXY", {"XYCDEF"}, 0, 6, 2, 0},
        {"width after CR LF on a shorter line", "ABC\r\nX", {"ABC", "X"}, 1, 3, 1, 1},
        {"width grows past LF's column", "ABC\nD", {"ABC", "   D"}, 1, 4, 4, 1},
        {"spaces count as content for width", "      \rA", {"A"}, 0, 6, 1, 0},
    };
    for (const GridCase& c : cases) {
        SCOPED_TRACE(c.name);
        Grid g;
        g.feed(c.input);
        EXPECT_EQ(g.rows(), c.rows);
        EXPECT_EQ(g.lines(), c.lineCount);
        EXPECT_EQ(g.width(), c.usedWidth);
        EXPECT_EQ(g.col(), c.cursorColumn);
        EXPECT_EQ(g.cursorRow(), c.cursorRow);
    }
}

TEST(TextGrid, StopsAtRow8191) {
    Grid g;
    g.feed(std::string(8190, '\n') + "last");
    EXPECT_EQ(g.row(8190), "last");
    EXPECT_EQ(g.lines(), 8190);

    g.feed("\r\nmore\n\n\n");  // the LF reaches row 8191: nothing after it is taken
    EXPECT_EQ(g.cursorRow(), 8191);
    EXPECT_EQ(g.lines(), 8191);
    EXPECT_TRUE(g.sink.rects.empty());
    g.feed("still more\n");
    EXPECT_EQ(g.lines(), 8191);
    EXPECT_EQ(g.cursorRow(), 8191);
    EXPECT_EQ(g.row(8191), "");
    EXPECT_TRUE(g.sink.rects.empty());
}

TEST(TextGrid, WrapIntoRow8191EndsTheText) {
    Grid g;
    g.feed(std::string(8190, '\n') + std::string(130, 'w'));
    EXPECT_EQ(g.row(8190), std::string(128, 'w'));
    EXPECT_EQ(g.row(8191), "");
    EXPECT_EQ(g.lines(), 8191);
    EXPECT_EQ(g.col(), 0);
    EXPECT_EQ(g.cursorRow(), 8191);
}

TEST(TextGrid, ChunkSizeDoesNotChangeTheResult) {
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += std::string(std::size_t(i * 7 % 200), char('a' + i % 26)) + (i % 3 ? "\r\n" : "\n") + "\x07\xff";
    Grid whole;
    whole.feed(text);
    for (std::size_t chunk : {std::size_t(1), std::size_t(3), std::size_t(127), std::size_t(128), std::size_t(129)}) {
        SCOPED_TRACE(chunk);
        Grid pieces;
        for (std::size_t i = 0; i < text.size(); i += chunk) pieces.feed(text.substr(i, chunk));
        EXPECT_EQ(pieces.rows(), whole.rows());
        EXPECT_EQ(pieces.lines(), whole.lines());
        EXPECT_EQ(pieces.width(), whole.width());
        EXPECT_EQ(pieces.col(), whole.col());
        EXPECT_EQ(pieces.cursorRow(), whole.cursorRow());
    }
}

struct RepaintCase {
    const char* name;
    std::string before;  // fed first, its requests ignored
    std::string input;
    std::vector<CellRect> rects;
};

TEST(TextGrid, RepaintsExactlyTheStoredCells) {
    const RepaintCase cases[] = {
        {"nothing stored", "", "\r\n\r", {}},
        {"one run", "", "Hello", {{0, 0, 0, 4}}},
        {"overwrite after CR stays one rectangle", "", "ABCDEF\rXY", {{0, 0, 0, 5}}},
        {"CR then a longer run joins", "", "ABC\rWXYZE", {{0, 0, 0, 4}}},
        {"LF without CR moves the columns", "", "AB\nCD", {{0, 0, 0, 1}, {1, 1, 2, 3}}},
        {"equal lines become one rectangle", "", "abc\r\ndef\r\nghi", {{0, 2, 0, 2}}},
        {"lines of different length", "", "abcd\r\nef\r\n", {{0, 0, 0, 3}, {1, 1, 0, 1}}},
        {"wrapped line", "", std::string(300, 'x'), {{0, 1, 0, 127}, {2, 2, 0, 43}}},
        {"continues at the cursor", "abc", "de", {{0, 0, 3, 4}}},
        {"overwrite inside a run", "", "          \rA\r\n", {{0, 0, 0, 9}}},
        {"second run in the row after CR", "", "abcdef\nXY\rZ", {{0, 0, 0, 5}, {1, 1, 6, 7}, {1, 1, 0, 0}}},
    };
    for (const RepaintCase& c : cases) {
        SCOPED_TRACE(c.name);
        Grid g;
        g.feed(c.before);
        g.feed(c.input);
        EXPECT_EQ(g.sink.rects, c.rects);
    }
}

// Random streams against the literal model: every cell, counter and the
// union of the repaint rectangles.
TEST(TextGrid, MatchesTheByteByByteModel) {
    std::mt19937 rng(20240607);
    const char alphabet[] = "\r\n\r\nabcdefghijklmnop \x07\x7f\xe9";
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        Grid g;
        ReferenceGrid model;
        const int lineBias = 1 + round % 5;  // long lines in some rounds
        for (int chunk = 0; chunk < 400; ++chunk) {
            std::string bytes(rng() % 700, 'x');
            for (char& b : bytes) b = rng() % (40 * lineBias) < 40 ? alphabet[rng() % (sizeof alphabet - 1)] : 'x';
            g.feed(bytes);
            model.append(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            ASSERT_EQ(cellsOf(g.sink.rects), model.stored);
            ASSERT_EQ(g.col(), model.cursorColumn);
            ASSERT_EQ(g.cursorRow(), model.cursorRow);
            ASSERT_EQ(g.lines(), model.lineCount);
            ASSERT_EQ(g.width(), model.usedWidth);
        }
        for (int r = 0; r < kGridRows; ++r) {
            char cells[kGridColumns];
            readRow(g.view(), r, 0, kGridColumns - 1, cells);
            ASSERT_EQ(std::string(cells, kGridColumns), std::string(&model.cells[std::size_t(r) * 128], 128)) << r;
        }
    }
}

TEST(TextGrid, ClearGridResetsCellsAndCounters) {
    Grid g;
    g.feed("abc\r\n" + std::string(500, 'z'));
    clearGrid(g.view());
    EXPECT_TRUE(g.rows().empty());
    EXPECT_EQ(g.col(), 0);
    EXPECT_EQ(g.cursorRow(), 0);
    EXPECT_EQ(g.lines(), 0);
    EXPECT_EQ(g.width(), 0);
    g.feed("again");
    EXPECT_EQ(g.rows(), std::vector<std::string>{"again"});
}

TEST(TextGrid, ReadRowClipsToTheGrid) {
    Grid g;
    g.feed("0123456789");
    char out[kGridColumns + 8];
    EXPECT_EQ(readRow(g.view(), 0, 2, 5, out), 4);
    EXPECT_EQ(std::string(out, 4), "2345");
    EXPECT_EQ(readRow(g.view(), 0, -5, 1, out), 2);
    EXPECT_EQ(std::string(out, 2), "01");
    EXPECT_EQ(readRow(g.view(), 0, 120, 500, out), 8);
    EXPECT_EQ(readRow(g.view(), 0, 5, 4, out), 0);
    EXPECT_EQ(readRow(g.view(), -1, 0, 10, out), 0);
    EXPECT_EQ(readRow(g.view(), kGridRows, 0, 10, out), 0);
}

TEST(TextGrid, OutOfRangeCursorIsBroughtBackIntoTheRow) {
    Grid g;
    g.view().cursorColumn = 500;
    g.feed("a");
    EXPECT_EQ(g.row(0), std::string(127, ' ') + "a");
    EXPECT_EQ(g.cursorRow(), 1);
}

}  // namespace
}  // namespace orv::test
