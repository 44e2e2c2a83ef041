// The PDF writer's output read back by a reader of its own: the frame
// (objects where the table says, streams that inflate), sizes, and the
// font subset.  Runs on every system; pdf_readers_test.cpp asks the PDF
// tools.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <limits>
#include <string>

#include "render/PdfFile.h"
#include "render/PdfFont.h"
#include "render/Render.h"
#include "tests/render/SampleDocument.h"

namespace orv::render {
namespace {

// Checks every cross-reference entry and stream of a PDF; counts the
// streams.
void readFrame(const std::string& pdf, std::size_t* streams = nullptr) {
    EXPECT_EQ(pdf.compare(0, 8, "%PDF-1.4"), 0);
    const std::size_t start = pdf.rfind("startxref\n");
    ASSERT_NE(start, std::string::npos);
    const std::size_t xref = std::stoul(pdf.substr(start + 10));
    EXPECT_EQ(pdf.compare(xref, 7, "xref\n0 "), 0);
    const std::size_t count = std::stoul(pdf.substr(xref + 7));
    const std::size_t table = pdf.find('\n', xref + 7) + 1 + 20;  // past the free entry 0
    for (std::size_t i = 1; i < count; ++i) {
        const std::string entry = pdf.substr(table + 20 * (i - 1), 20);
        ASSERT_EQ(entry.substr(10), " 00000 n \n") << "object " << i;
        const std::string head = std::to_string(i) + " 0 obj\n";
        EXPECT_EQ(pdf.compare(std::stoul(entry.substr(0, 10)), head.size(), head), 0) << "object " << i;
    }
    for (std::size_t at = pdf.find(">>\nstream\n"); at != std::string::npos; at = pdf.find(">>\nstream\n", at)) {
        const std::size_t length = std::stoul(pdf.substr(pdf.rfind("/Length ", at) + 8));
        at += 10;
        ASSERT_EQ(pdf.compare(at + length, 10, "\nendstream"), 0);
        std::string data(1 << 22, '\0');
        uLongf size = uLongf(data.size());
        EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(&data[0]), &size, reinterpret_cast<const Bytef*>(pdf.data() + at),
                             uLong(length)),
                  Z_OK);
        if (streams) ++*streams;
        at += length;
    }
}

TEST(Pdf, EveryObjectIsFoundAndEveryStreamInflates) {
    const Document sample = test::sampleDocument();
    const std::string pdf = toPdf(sample);
    // The pages' contents, the image, and each font's program, Unicode map and glyph map.
    std::size_t streams = 0;
    readFrame(pdf, &streams);
    EXPECT_EQ(streams, 3u + 1 + 2 * 3);
    EXPECT_EQ(pdf, toPdf(sample)) << "the same document, the same bytes";
    readFrame(toPdf(Document()));
}

TEST(Pdf, OddValuesStillMakeAWellFormedFile) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    Page page;
    page.width = -5, page.height = nan;
    page.runs = {test::textRun(0, 0, ""), test::textRun(1, 0, "far"), test::textRun(2, 0, "nan"),
                 test::textRun(3, 0, "zero")};
    page.runs[1].x = 1e300, page.runs[1].baseline = -1e300;
    page.runs[2].x = nan, page.runs[2].size = nan;
    page.runs[3].advance = 0;
    Image none, short_, endless;
    none.columns = 0, none.rows = 5, none.width = 10, none.height = 10;
    short_.columns = 1 << 30, short_.rows = 1 << 30, short_.width = 10, short_.height = 10, short_.bits = {1, 2};
    endless.columns = 8, endless.rows = 1, endless.width = inf, endless.height = 10, endless.bits = {1};
    page.images = {none, short_, endless};
    page.rules = {{nan, inf, -inf, 1e300, -1}};
    const std::string pdf = toPdf({{page, Page()}});
    readFrame(pdf);
    EXPECT_LT(pdf.size(), 8000u);
}

// Every distinct character takes a code; past the last code the rest are
// drawn as .notdef.  A literal string never needs an escape.
TEST(Pdf, CodesNeverNeedEscapes) {
    PdfFont font(monoFace(false), "DejaVuSansMono");
    std::u32string all;
    for (char32_t c = 0x20; c < 0x20 + 70000; ++c) all += c;
    std::string codes;
    font.encode(all.data(), all.size(), codes);
    ASSERT_EQ(codes.size(), 2 * all.size());
    for (char b : codes) ASSERT_TRUE(b != '(' && b != ')' && b != '\\' && b != '\r');
    EXPECT_EQ(codes.substr(codes.size() - 2), std::string(2, '\0'));
}

TEST(Pdf, AOnePageJobIsAFewKilobytes) {
    Page page;
    std::string line;
    for (int n = 0; n < 66; ++n) {
        line.clear();
        for (int c = 0; c < 80; ++c) line += char(0x21 + (n * 31 + c * 7) % 94);
        page.runs.push_back(test::textRun(n, 0, line));
    }
    const std::size_t one = toPdf({{page}}).size();
    EXPECT_LT(one, 24u * 1024);
    EXPECT_LT(toPdf({std::vector<Page>(20, page)}).size(), 20 * one) << "grows no faster than the pages";
}

// Without zlib's state (a level it refuses stands in for no memory) the
// data goes into stored blocks that inflate as well: empty, one block, and
// across the 65,535-byte block limit.
TEST(Deflater, StoredBlocksInflateWhenZlibCannotStart) {
    Deflater stored(42), deflating;
    for (std::size_t size : {std::size_t(0), std::size_t(10), std::size_t(65535), std::size_t(200000)}) {
        std::string data(size, '\0');
        for (std::size_t i = 0; i < size; ++i) data[i] = char(i * 131 % 251);
        const std::string packed = stored.compress(data.data(), data.size());
        EXPECT_GT(packed.size(), size) << "stored, not compressed";
        std::string back(size + 1, '\0');
        uLongf length = uLongf(back.size());
        ASSERT_EQ(Z_OK, uncompress(reinterpret_cast<Bytef*>(&back[0]), &length,
                                   reinterpret_cast<const Bytef*>(packed.data()), uLong(packed.size())))
            << size;
        back.resize(length);
        EXPECT_EQ(data, back);
        if (size > 0) EXPECT_LT(deflating.compress(data.data(), data.size()).size(), packed.size());
    }
}

TEST(TrueType, SubsetKeepsTheComponentsOfCompositeGlyphs) {
    const TrueTypeFont& face = monoFace(false);
    ASSERT_TRUE(face.valid());
    ASSERT_TRUE(monoFace(true).valid());
    EXPECT_NE(face.glyph(U'Щ'), 0);
    EXPECT_NE(face.glyph(U'╬'), 0);
    EXPECT_EQ(face.glyph(U'中'), 0);
    std::vector<std::uint16_t> glyphs{0, face.glyph(U'Ä')};
    const std::string font = face.subset(glyphs);
    ASSERT_GE(glyphs.size(), 4u) << "A and the diaeresis";
    EXPECT_EQ(glyphs[2], face.glyph(U'A'));
    EXPECT_LT(font.size(), 2000u);
}

}  // namespace
}  // namespace orv::render
