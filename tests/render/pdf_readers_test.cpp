// The PDF writer's files as readers that did not write them see them:
// qpdf, poppler's tools (text, boxes, fonts, images, pixels) and
// Ghostscript.  Skipped where a tool is missing.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>

#include "render/Render.h"
#include "tests/render/SampleDocument.h"
#include "tests/support/TestSupport.h"

namespace orv::render {
namespace {

struct Ran {
    int status;
    std::string output;  // stdout and stderr
};

Ran run(const std::string& command) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return {-1, ""};
    std::string output;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    const int status = pclose(pipe);  // waits for it
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

// The first of the tools that is not installed, or "".
std::string missing(std::initializer_list<const char*> tools) {
    for (const char* tool : tools)
        if (run(std::string("command -v ") + tool).status != 0) return tool;
    return "";
}
#define NEEDS(...)                                                          \
    if (const std::string absent = missing({__VA_ARGS__}); !absent.empty()) \
    GTEST_SKIP() << absent << " is not installed"

class PdfReaders : public ::testing::Test {
protected:
    std::string write(const Document& document, const std::string& name = "job.pdf") {
        const std::string path = dir_ / name;
        test::writeText(path, toPdf(document));
        return path;
    }
    test::TempDir dir_;
};

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

TEST_F(PdfReaders, CheckThePagesAndTheEmbeddedFonts) {
    NEEDS("qpdf", "pdfinfo", "pdffonts", "gs");
    const std::string pdf = write(test::sampleDocument());
    const Ran check = run("qpdf --check " + pdf);
    EXPECT_EQ(check.status, 0) << check.output;
    EXPECT_NE(check.output.find("No syntax or stream encoding errors"), std::string::npos) << check.output;

    const std::string info = run("pdfinfo -f 1 -l 3 " + pdf).output;
    EXPECT_NE(info.find("Pages:           3\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Page    1 size:  595.28 x 841.89 pts (A4)"), std::string::npos) << info;
    EXPECT_NE(info.find("Page    2 size:  612 x 792 pts (letter)"), std::string::npos) << info;
    EXPECT_NE(info.find("Page    3 size:  612 x 864 pts"), std::string::npos) << info;

    const std::vector<std::string> fonts = lines(run("pdffonts " + pdf).output);
    ASSERT_EQ(fonts.size(), 4u);
    EXPECT_TRUE(fonts[2].find("+DejaVuSansMono ") == 6 && fonts[3].find("+DejaVuSansMono-Bold ") == 6)
        << fonts[2] << "\n"
        << fonts[3];
    for (int i : {2, 3}) EXPECT_NE(fonts[i].find("CID TrueType      Identity-H       yes yes yes"), std::string::npos);

    // Ghostscript renders every glyph of both subsets and says nothing.
    const Ran gs = run("gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=nullpage " + pdf);
    EXPECT_EQ(gs.status, 0);
    EXPECT_EQ(gs.output, "");
}

TEST_F(PdfReaders, TextComesBackInItsColumns) {
    NEEDS("pdftotext");
    const std::vector<std::string> text =
        lines(run("pdftotext -fixed 7.2 -f 1 -l 1 " + write(test::sampleDocument()) + " -").output);
    ASSERT_GE(text.size(), 14u);
    EXPECT_EQ(text[0], "     Plain text at ten characters an inch.");
    EXPECT_EQ(text[3], "     Underlined          Not underlined");
    EXPECT_EQ(text[4], "     Wide                Narrow");
    for (const char* line : {"     ┌──────┬──────┐", "     │Grüße │Привет│", "     └──────┴──────┘",
                             "     Äpfel, Öl, Übel, ½ ░▒▓█ Щука", "     Lacking: 中 😀 end"})
        EXPECT_NE(std::find(text.begin(), text.end(), line), text.end()) << line;
}

// Each word's box: {xMin, yMin, xMax, yMax}.
std::map<std::string, std::vector<double>> wordBoxes(const std::string& bbox) {
    std::map<std::string, std::vector<double>> boxes;
    for (const std::string& line : lines(bbox)) {
        double x0, y0, x1, y1;
        char word[256];
        if (std::sscanf(line.c_str(), " <word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" yMax=\"%lf\">%255[^<]", &x0, &y0,
                        &x1, &y1, word) == 5)
            boxes[word] = {x0, y0, x1, y1};
    }
    return boxes;
}

TEST_F(PdfReaders, WordsStandInTheirCells) {
    NEEDS("pdftotext");
    auto boxes = wordBoxes(run("pdftotext -bbox -f 1 -l 1 " + write(test::sampleDocument()) + " -").output);
    const std::vector<double> plain = boxes["Plain"];
    ASSERT_EQ(plain.size(), 4u);
    EXPECT_NEAR(plain[0], 36, 0.01);
    EXPECT_NEAR(plain[2], 36 + 5 * 7.2, 0.01);
    EXPECT_NEAR(boxes["characters"][0], 36 + 18 * 7.2, 0.01);
    // Double width: twice the pitch; double height: twice the height, across the same baseline.
    EXPECT_NEAR(boxes["Wide"][2] - boxes["Wide"][0], 4 * 14.4, 0.01);
    EXPECT_NEAR(boxes["Tall"][3] - boxes["Tall"][1], 2 * (boxes["Short"][3] - boxes["Short"][1]), 0.01);
    for (const char* word : {"Tall", "Short"}) EXPECT_TRUE(boxes[word][1] < 144 && boxes[word][3] > 144) << word;
    // Super- and subscripts: smaller, raised or lowered, in their own column.
    ASSERT_EQ(boxes["2"].size() + boxes["3"].size(), 8u);
    EXPECT_NEAR(boxes["2"][0], 36 + 4 * 7.2, 0.01);
    EXPECT_NEAR(boxes["3"][0], 36 + 22 * 7.2, 0.01);
    EXPECT_LT(boxes["2"][3], boxes["E=mc"][3]);
    EXPECT_GT(boxes["3"][3], boxes["NH"][3]);
    for (const char* word : {"2", "3"}) EXPECT_LT(boxes[word][3] - boxes[word][1], boxes["NH"][3] - boxes["NH"][1]);
}

TEST_F(PdfReaders, TheImageKeepsItsDots) {
    NEEDS("pdfimages");
    const std::vector<std::string> list = lines(run("pdfimages -list " + write(test::sampleDocument())).output);
    ASSERT_EQ(list.size(), 3u);
    std::istringstream row(list[2]);
    std::string page, num, type, width, height, color, comp, bpc, enc, interp, object, id, xppi, yppi;
    row >> page >> num >> type >> width >> height >> color >> comp >> bpc >> enc >> interp >> object >> id >> xppi >>
        yppi;
    EXPECT_EQ(page + " " + type + " " + width + "x" + height + " " + bpc, "2 stencil 8x4 1");
    EXPECT_EQ(xppi + " " + yppi, "9 9");
}

// Gray levels of a page rendered at 144 dpi (2 pixels a point).
struct Pixels {
    int width = 0, height = 0;
    std::string gray;
    int at(double xPt, double yPt) const {
        return static_cast<unsigned char>(gray[int(yPt * 2) * width + int(xPt * 2)]);
    }
    // Ink in a box in points: the sum of 255 - gray; and where it lies across.
    long ink(double x0, double y0, double x1, double y1, double* meanX = nullptr) const {
        long sum = 0;
        double moment = 0;
        for (int y = int(y0 * 2); y < int(y1 * 2); ++y) {
            for (int x = int(x0 * 2); x < int(x1 * 2); ++x) {
                const int v = 255 - static_cast<unsigned char>(gray[y * width + x]);
                sum += v;
                moment += v * (x + 0.5) / 2;
            }
        }
        if (meanX) *meanX = sum ? moment / double(sum) : 0;
        return sum;
    }
};

Pixels render(const std::string& pdf, int page, const std::string& out) {
    const Ran r = run("pdftoppm -r 144 -gray -singlefile -f " + std::to_string(page) + " -l " + std::to_string(page) +
                      " " + pdf + " " + out);
    EXPECT_EQ(r.status, 0) << r.output;
    const std::string file = test::readText(out + ".pgm");
    Pixels p;
    int max = 0, header = 0;
    if (std::sscanf(file.c_str(), "P5 %d %d %d%n", &p.width, &p.height, &max, &header) != 3) return p;
    p.gray = file.substr(std::size_t(header) + 1);
    EXPECT_EQ(p.gray.size(), std::size_t(p.width) * p.height);
    return p;
}

TEST_F(PdfReaders, StylesAndDotsShowOnThePage) {
    NEEDS("pdftoppm");
    const std::string pdf = write(test::sampleDocument());
    const Pixels text = render(pdf, 1, dir_ / "text");
    ASSERT_FALSE(text.gray.empty());
    auto cell = [](int line, int column) { return std::pair<double, double>{36 + 7.2 * column, 72 + 12.0 * line}; };
    // Ä: the same A (a component of the composite glyph) with the dots above.
    const auto [ax, base] = cell(15, 0);
    const double ae = cell(15, 5).first, cap = base - 8.8;
    EXPECT_GT(text.ink(ax, cap, ax + 7.2, base), 2000);
    EXPECT_NEAR(text.ink(ae, cap, ae + 7.2, base), text.ink(ax, cap, ax + 7.2, base), 500);
    EXPECT_LT(text.ink(ax, base - 14, ax + 7.2, cap), 200);
    EXPECT_GT(text.ink(ae, base - 14, ae + 7.2, cap), 1000);
    // Italic: the bars' tops stand further right than their feet.
    auto lean = [&](double x0) {
        const double y = cell(16, 0).second;
        double top = 0, bottom = 0;
        text.ink(x0, y - 9, x0 + 7.2 * 5, y - 6, &top);
        text.ink(x0, y - 3, x0 + 7.2 * 5, y, &bottom);
        return top - bottom;
    };
    EXPECT_NEAR(lean(cell(0, 0).first), 0, 0.2);
    EXPECT_NEAR(lean(cell(0, 10).first), 0.2126 * 6, 0.3);
    // Bold: more ink in the same cells; double-strike: more than plain,
    // less than bold, and nothing beyond its cells.
    const double m = cell(17, 0).second;
    const long plain = text.ink(cell(0, 0).first, m - 12, cell(0, 4).first, m);
    const long bold = text.ink(cell(0, 10).first, m - 12, cell(0, 14).first, m);
    const long struck = text.ink(cell(0, 20).first, m - 12, cell(0, 24).first, m);
    EXPECT_GT(bold, 1.2 * plain);
    EXPECT_GT(struck, 1.05 * plain);
    EXPECT_LT(struck, 0.95 * bold);
    EXPECT_LT(text.ink(cell(0, 24).first + 0.5, m - 12, cell(0, 26).first, m), 100);
    // Overline: a band of ink over the capitals of its run only.
    const double over = cell(18, 0).second - 0.8 * 12;
    EXPECT_GT(text.ink(36, over - 0.4, 36 + 28.8, over + 0.4), 28 * 2 * 100);
    EXPECT_LT(text.ink(36 + 28.8 + 0.5, over - 0.4, 36 + 72, over + 0.4), 100);
    // Underline: a band of ink under the underlined run only.
    const double under = cell(3, 0).second;
    EXPECT_GT(text.ink(36, under + 0.5, 36 + 72, under + 2), 72 * 2 * 100);
    EXPECT_LT(text.ink(cell(0, 20).first, under + 0.5, cell(0, 30).first, under + 2), 1000);

    // The checkerboard: a dot where a bit is 1, paper where it is 0.
    const Pixels dots = render(pdf, 2, dir_ / "dots");
    ASSERT_FALSE(dots.gray.empty());
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 8; ++column)
            EXPECT_EQ(dots.at(72 + 8 * column + 4, 72 + 8 * row + 4), (row + column) % 2 ? 255 : 0)
                << row << "," << column;
}

TEST_F(PdfReaders, OddDocumentsStillMakeValidFiles) {
    NEEDS("qpdf", "pdfinfo");
    const std::string empty = write(Document(), "empty.pdf");
    EXPECT_EQ(run("qpdf --check " + empty).status, 0);
    EXPECT_NE(run("pdfinfo " + empty).output.find("Pages:           1\n"), std::string::npos);

    Page page;
    page.width = 1e9, page.height = -1;
    page.runs = {test::textRun(0, 0, "far"), test::textRun(1, 0, ""), test::textRun(2, 0, "tiny")};
    page.runs[0].x = -1e12, page.runs[0].baseline = 1e12, page.runs[0].size = 1e9;
    page.runs[2].advance = 1e-9, page.runs[2].size = 1e-9;
    Image zero;
    zero.columns = 8, zero.rows = 1, zero.bits = {0xFF};
    page.images = {zero};
    page.rules = {{-1e12, 5, 1e12, 5, -3}};
    const Ran check = run("qpdf --check " + write({{page}}, "odd.pdf"));
    EXPECT_EQ(check.status, 0) << check.output;
}

}  // namespace
}  // namespace orv::render
