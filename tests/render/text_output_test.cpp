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
        {"\033J\014a\033J\014b", "ab\n"},  // two fifths of a line apart: one line
    };
    for (const Case& c : cases) EXPECT_EQ(render::toText(renderJob(c.job).doc), c.text) << c.job;
}

// One text line for each height text was printed at, the empty lines the
// distances between them give where no graphics fill them; columns from
// the place across.
TEST(TextOutput, LinesAndColumnsFromThePage) {
    struct Case {
        std::string job;
        const char* text;
    };
    const std::string band = "\033K\x04\x00\xff\xff\xff\xff"s;  // 8-dot graphics
    const Case cases[] = {
        // Graphics make no line, not even an empty one; a line left blank
        // beside them stays.
        {"Title\r\n\0333\x18" + band + "\r\n" + band + "\r\n" + band + "\r\n" + band + "\r\n" + band + "\r\n\0332End",
         "Title\nEnd\n"},
        {"Title\r\n\n\0333\x18" + band + "\r\n" + band + "\r\n\0332End", "Title\n\nEnd\n"},
        // Small feeds at a small line spacing: the text lines 1/6 inch apart.
        {"\0333\x0aOne\n\n\nTwo\n\n\nThree", "One\nTwo\nThree\n"},
        {"One" + band + "\033J\x0a\033J\x0a\033J\x0a\rTwo\033J\x1e\033J\x1e\rThree", "One\nTwo\n\nThree\n"},
        // A subscript a third of a line down joins its line.
        {"\n\nH\033J\x0a"
         "2\033J\x14\rO",
         "\n\nH2\nO\n"},
        // Eight lines an inch are lines as well; a blank one stays.
        {"\0330a\nb\n\nc", "a\nb\n\nc\n"},
        // 10 and 12 cpi lines with their values at 2 inches: one column.
        {"Name:\033$\x78\x00Value\r\n\033MItem:\033$\x78\x00"
         "12345"s,
         "Name:               Value\nItem:               12345\n"},
        // Text after condensed text starts after it, whatever the columns.
        {"0123456789012345\r\n\x0f"
         "abcdefgh\x12XY",
         "0123456789012345\nabcdefghXY\n"},
        // Overprinting still overprints.
        {"Total\r\033-\x01_____", "_____\n"},
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

// The simulator's 9-pin protocol and Czech balance sheet, as they print
// with the default options.
TEST(TextOutput, ProtocolAndBalanceSheet) {
    const Rendered protocol = renderJob(devsim::escpJob(3, 2));
    EXPECT_EQ(protocol.report.describe(), "");
    EXPECT_TRUE(protocol.report.printer.ninePin) << protocol.report.printer.describe();
    ASSERT_EQ(protocol.doc.pages.size(), 1u);
    ASSERT_GE(protocol.doc.pages[0].images.size(), 4u);
    for (const render::Image& bar : protocol.doc.pages[0].images) EXPECT_EQ(bar.rows, 9);
    const std::string text = render::toText(protocol.doc);
    EXPECT_NE(text.find("MESSPROTOKOLL Nr. "), std::string::npos) << text;
    EXPECT_NE(text.find(u8"Zählrohr"), std::string::npos) << text;
    // A bar a line, its name after it, no empty lines between.
    const std::size_t p1 = text.rfind(" P1\n"), p2 = text.find(" P2\n", p1);
    ASSERT_NE(p2, std::string::npos) << text;
    EXPECT_EQ(text.substr(p1 + 4, p2 - p1 - 4).find_first_not_of(' '), std::string::npos) << text;

    const Rendered balance = renderJob(devsim::escpJob(3, 3));
    EXPECT_EQ(balance.report.describe(), "");
    ASSERT_EQ(balance.doc.pages.size(), 1u);
    const std::string czech = render::toText(balance.doc);
    for (const char* part :
         {u8"ROZVAHA v tisících Kč", u8"Účetní jednotka", u8"│B.IV. Peněžní prostředky", "AKTIVA CELKEM"})
        EXPECT_NE(czech.find(part), std::string::npos) << part << "\n" << czech;
    EXPECT_TRUE(balance.doc.pages[0].runs[0].style.doubleStrike && !balance.doc.pages[0].runs[0].style.bold);
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
