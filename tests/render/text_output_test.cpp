// Jobs as plain text.
#include <gtest/gtest.h>

#include <string>

#include "tests/render/RenderTestSupport.h"
#include "tools/devsim/EscpJobs.h"

namespace orv::test {
namespace {

using namespace std::string_literals;

TEST(TextOutput, ColumnsLinesAndPages) {
    struct Case {
        std::string job;
        const char* text;
    };
    const Case cases[] = {
        {"", ""},
        {"Name\033EBold\033F\r____\n\n\tTab\x0eWide\n\x0fx\x12\fPage 2", "____Bold\n\n        TabWide\nx\n\fPage 2\n"},
        {"abc\r  X", "abX\n"},
        {"a\n\n\nb\n\n", "a\n\n\nb\n"},
        {"a   \n", "a\n"},
        {"a\f\n\fb", "a\n\f\fb\n"},
        {"\033W\001AB\033W\000C"s, "AB  C\n"},
        {"\0330a\nb", "a\nb\n"},
        {"\033M\tb", "        b\n"},
        {"\x84\033R\x02{\xc9\xcd", "\xc3\xa4\xc3\xa4\xe2\x95\x94\xe2\x95\x90\n"},
        {"\033J\014a\033J\014b", "a\n b\n"},  // two fifths of a line each: a on line 0, b on 1
    };
    for (const Case& c : cases) EXPECT_EQ(render::toText(renderJob(c.job).doc), c.text) << c.job;
}

// The simulator's delivery note as its reader sees it.
TEST(TextOutput, DeliveryNote) {
    const Rendered r = renderJob(devsim::escpJob(1, 0));
    EXPECT_EQ(r.report.describe(), "");
    ASSERT_EQ(r.doc.pages.size(), 1u);
    const std::string text = render::toText(r.doc);
    for (const char* part : {"LIEFERSCHEIN\n\nKunde:  ",
                             "Hauptstra\xc3\x9f"
                             "e ",
                             "Gr\xc3\xbc\xc3\x9f"
                             "e aus K\xc3\xb6ln",
                             "\n\xe2\x94\x8c\xe2\x94\x80", "\xe2\x94\x82 Pos  \xe2\x94\x82 Artikel",
                             "Vielen Dank f\xc3\xbcr Ihren Auftrag!\n"})
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
    // The table is condensed: its 81 columns at 17.14 cpi.
    const Spot corner = find(r.doc, U'\u2510');
    EXPECT_EQ(corner.column, 80);
    EXPECT_NEAR(corner.x, 18 + 80 * 4.2, 1e-9);
    EXPECT_TRUE(r.doc.pages[0].runs[0].style.bold && r.doc.pages[0].runs[0].style.doubleWidth);
}

// A job rendered a page at a time makes the same files, and the same
// report, as its pages rendered at once.
TEST(TextOutput, PagesWrittenAsTheyEndMakeTheSameFiles) {
    const std::string jobs[] = {
        "",
        "\x0c\x0c",
        devsim::escpJob(1, 0) + devsim::escpJob(2, 1) + "\033C\x03\n\n\n\n\x0c\x0c" + std::string(75, '\n') + "end",
        "\033*\x27\x02\x00\xff\xff\xff\xff\xff\xff\x0c\033K\x01\x00\x80\n\033(t\x03\x00\x01\x02\x00\033K\x05"s,
    };
    for (const std::string& job : jobs) {
        const auto* data = reinterpret_cast<const std::uint8_t*>(job.data());
        const Rendered whole = renderJob(job);
        render::RenderReport text, pdf;
        EXPECT_EQ(render::renderText(data, job.size(), {}, text), render::toText(whole.doc));
        EXPECT_EQ(render::renderPdf(data, job.size(), {}, pdf), render::toPdf(whole.doc));
        EXPECT_EQ(text.describe(), whole.report.describe());
        EXPECT_EQ(pdf.describe(), whole.report.describe());
    }
}

}  // namespace
}  // namespace orv::test
