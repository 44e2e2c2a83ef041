// Paper sizes, the job's language, the character tables and the report.
#include <gtest/gtest.h>

#include <string>

#include "tests/render/RenderTestSupport.h"

namespace orv::test {
namespace {

using namespace std::string_literals;

using render::JobLanguage;
using render::Paper;
using render::Printer;
using render::RenderOptions;

TEST(Paper, NamesAndSizes) {
    struct Case {
        const char* text;
        bool ok;
        double width, height;
    };
    const Case cases[] = {
        {"a4", true, 595.28, 841.89},
        {" Letter ", true, 612, 792},
        {"A4", true, 595.28, 841.89},
        {"8.5x12in", true, 612, 864},
        {"210x297MM", true, 595.28, 841.89},
        {"8.5 x 12 in", true, 612, 864},
        {"1x1in", true, 72, 72},
        {"100x100in", true, 7200, 7200},
        {"25.4x2540mm", true, 72, 7200},
        {".5x12in", false, 0, 0},
        {"0.99x5in", false, 0, 0},
        {"101x5in", false, 0, 0},
        {"8.5x12", false, 0, 0},
        {"x12in", false, 0, 0},
        {"8.5x12cm", false, 0, 0},
        {"-8x12in", false, 0, 0},
        {"8,5x12in", false, 0, 0},
        {"1e1x12in", false, 0, 0},
        {"8.5.1x12in", false, 0, 0},
        {"8.5x12x3in", false, 0, 0},
        {"", false, 0, 0},
        {"in", false, 0, 0},
        {"legal", false, 0, 0},
        {"99999999999999999999x5in", false, 0, 0},
    };
    for (const Case& c : cases) {
        Paper paper{1, 2};
        EXPECT_EQ(render::parsePaper(c.text, paper), c.ok) << c.text;
        EXPECT_NEAR(paper.width, c.ok ? c.width : 1, 0.01) << c.text;
        EXPECT_NEAR(paper.height, c.ok ? c.height : 2, 0.01) << c.text;
    }
}

TEST(Paper, KnownCodePages) {
    for (int cp :
         {437, 850, 852, 858, 865, 866, 1252, 895, 667, 737, 775, 857, 860, 861, 862, 863, 869, 28591, 28592, 28605})
        EXPECT_TRUE(render::knownCodePage(cp)) << cp;
    for (int cp : {0, 1, 1250, 65001, -437}) EXPECT_FALSE(render::knownCodePage(cp)) << cp;
}

TEST(Language, FromTheFirstBytes) {
    struct Case {
        std::string bytes;
        JobLanguage language;
    };
    const Case cases[] = {
        {"", JobLanguage::PrinterText},
        {"Invoice 42\r\n", JobLanguage::PrinterText},
        {"\033%-12345X@PJL JOB\r\n", JobLanguage::Pjl},
        {"\x00\x00\r\n@PJL ENTER LANGUAGE=PCL\r\n"s, JobLanguage::Pjl},
        {"%!PS-Adobe-3.0\n", JobLanguage::PostScript},
        {"\x04%!PS\n", JobLanguage::PostScript},
        {" \t%!", JobLanguage::PostScript},
        {"\033E\033&l1O", JobLanguage::Pcl},
        {"\033E\033(s0p10H", JobLanguage::Pcl},
        {"\033E\033(10U", JobLanguage::Pcl},
        {"\033E\033*t300R", JobLanguage::Pcl},
        {"\033&l0O", JobLanguage::Pcl},
        {") HP-PCL XL;2;0\r\n", JobLanguage::Pcl},
        // ESC E is ESC/P's bold too: what follows decides.
        {"\033E", JobLanguage::PrinterText},
        {"\033EBold heading", JobLanguage::PrinterText},
        {"\033E\033(t\x03\x00\x01\x01\x00"s, JobLanguage::PrinterText},
        {"\033E\033*\x27\x0a", JobLanguage::PrinterText},
        {"\033E\033&\000AA"s, JobLanguage::PrinterText},
        {"\033@\033E\033&l1O", JobLanguage::PrinterText},
        {"\033E\033(c", JobLanguage::PrinterText},
    };
    for (const Case& c : cases)
        EXPECT_EQ(render::detectLanguage(reinterpret_cast<const std::uint8_t*>(c.bytes.data()), c.bytes.size()),
                  c.language)
            << c.bytes;
    EXPECT_STREQ(render::languageName(JobLanguage::Pcl), "PCL");
    EXPECT_STREQ(render::languageName(JobLanguage::PostScript), "PostScript");
}

TEST(Characters, CodePagesAndNationalSets) {
    struct Case {
        int codePage;
        std::string job;
        std::u32string text;
        Printer printer = Printer::Epson;
    };
    const Case cases[] = {
        {437, "\x84\x94\x81\xe1\x8e\x99\x9a", U"äöüßÄÖÜ"},
        {437, "\xc9\xcd\xbb\xba\xc8\xbc\xc4\xb3\xda\xbf\xc0\xd9\xc5\xc3\xb4\xc2\xc1", U"╔═╗║╚╝─│┌┐└┘┼├┤┬┴"},
        {437, "\xb0\xb1\xb2\xdb\xdc\xdf\xdd\xde\xfe", U"░▒▓█▄▀▌▐■"},
        {850, "\x84\xe1\xd5\x9b\x9d", U"äßıøØ"},
        {858, "\xd5\x80", U"€Ç"},
        {852, "\xa5\x9f\xe6", U"ąčŠ"},
        {865, "\x9b\x9d\xaf", U"øØ¤"},
        {866, "\x80\xa0\xef\xf0", U"АаяЁ"},
        {1252, "\x80\xe4\x81\x9f", U"€ä Ÿ"},
        {437, "\033R\x02[\\]{|}~@", U"ÄÖÜäöüß§"},
        {437, "\033R\x01@[\\]{|}~", U"à°ç§éùè¨"},
        {437, "\033R\x03#\033R\x07#\033R\x08\\\033R\x0d\\", U"£₧¥₩"},
        {437, "\033R\x05$@^`~", U"¤ÉÜéü"},
        {437, "\033R\x04[\\]\033R\x09[\\]\033R\x0a@", U"ÆØÅÆØÅÉ"},
        {437, "\033R\x06[|\033R\x0b@`\033R\x0c`", U"°òá`ü"},
        {437, "\033R\x40~\033R\x63~\033R\x00["s, U"™™["},
        {437, "\033R\x02\x84{", U"ää"},
        // Controls and DEL print nothing; ESC t 0 is the italic table (the
        // lower half again, with the national set), ESC t 1 the code page.
        {437, "a\x01\x02\x1c\x7f\033t\x00\xe1\x84\xff\033R\x02\xdb\033t1\x84"s, U"aaÄä"},
        // ESC > and ESC = set and clear the top bit of printed bytes.
        {437, "\033>a\033=\xe1\033#b", U"ßab"},
        {437,
         "\033(^\x03\x00"
         "A\x01"
         "B"s,
         U"A B"},
        {437, "\0337\x84\xe1\0336\x84", U"ßä", Printer::Ibm},
        {437, "\033\\\x03\000A\nB\033^\x01"s, U"A\u25D9B\u263A", Printer::Ibm},
    };
    for (const Case& c : cases) {
        RenderOptions options;
        options.codePage = c.codePage;
        options.printer = c.printer;
        EXPECT_EQ(printed(renderJob(c.job, options).doc), c.text) << c.codePage << " " << c.job;
    }
}

// The code pages beyond the first seven, at positions their published
// tables agree on; names as well as numbers.
TEST(Characters, MoreCodePages) {
    struct Case {
        const char* name;
        int number;
        std::string bytes;
        std::u32string text;
    };
    const Case cases[] = {
        {"kamenicky", 895, "\x80\x87\x9f\x91\xa9\x96\xad\xc9", U"Ččťžřů§╔"},
        {"keybcs2", 895, "\x8b\x98\xa6", U"ÍýŮ"},
        {"mazovia", 667, "\x86\x8d\x8f\x92\x9c\x9e\xa1\xa7\xc4", U"ąćĄłŁśŻż─"},
        {"cp737", 737, "\x80\x98\xe0\xea", U"ΑαωΆ"},
        {"cp775", 775, "\x8a\xd0\xd8", U"Ŗąž"},
        {"cp857", 857, "\x8d\x98\x9e\xa7\xd5", U"ıİŞğ "},  // 0xD5: undefined, a blank cell
        {"cp860", 860, "\x84\x8e\x91", U"ãÃÀ"},
        {"cp861", 861, "\x8b\x8c\x95\xa5", U"ÐðþÍ"},
        {"cp862", 862, "\x80\x99\x9a\x9b", U"אשת¢"},
        {"cp863", 863, "\x84\x86\x8d", U"Â¶‗"},
        {"cp869", 869, "\x80\xa4\xd6", U" Αα"},
        {"iso8859-1", 28591, "\x85\x9f\xa9\xe9\xff", U"©éÿ"},  // 0x80..0x9F: control codes, nothing printed
        {"latin2", 28592, "\xa1\xb9\xe8\xf8", U"Ąščř"},
        {"ISO-8859-15", 28605, "\xa4\xa6\xbc", U"€ŠŒ"},
        {"windows-1252", 1252, "\x80", U"€"},
        {"CP850", 850, "\xd5", U"ı"},
    };
    for (const Case& c : cases) {
        int number = 0;
        EXPECT_TRUE(render::parseCodePage(c.name, number)) << c.name;
        EXPECT_EQ(number, c.number) << c.name;
        EXPECT_TRUE(render::parseCodePage(std::to_string(c.number), number)) << c.number;
        RenderOptions options;
        options.codePage = c.number;
        EXPECT_EQ(printed(renderJob(c.bytes, options).doc), c.text) << c.name;
    }
    int number = 437;
    for (const char* wrong : {"", "kamenick", "8859", "1250", "cp1250", "-437", "437x", "99999999999"})
        EXPECT_FALSE(render::parseCodePage(wrong, number)) << wrong;
    EXPECT_EQ(number, 437);
    EXPECT_TRUE(render::parseCodePage("620", number));
    EXPECT_EQ(number, 667) << "Mazovia's other number";
    EXPECT_STREQ(render::codePageName(895), "kamenicky");
}

// ESC ( t assigns a code page to one of ESC t's four tables; ESC t selects
// what was assigned.
TEST(Characters, AssignedTables) {
    struct Case {
        std::string job;
        std::u32string text;
    };
    const Case cases[] = {
        {"\033(t\x03\x00\x01\x0a\x00\x9f"s, U"č"},                           // 852 to table 1, in force
        {"\033(t\x03\x00\x03\x0a\x00\x9f\033t\x03\x9f\033t1\x9f"s, U"ƒčƒ"},  // to table 3, then selected
        {"\033(t\x03\x00"
         "2\x1b\x00\033t2\x9c"s,
         U"Ł"},                                     // "2": Mazovia
        {"\033(t\x03\x00\x01\x00\x00\xe1"s, U"a"},  // the italic table
        {"\033(t\x03\x00\x01\x7f\x02\xb9\033(t\x03\x00\x01\x1d\x10\xe9"s, U"šé"},
        {"\033(t\x03\x00\x01\x0a\x00\033@\x9f"s, U"ƒ"},  // ESC @ brings the tables back
        {"\033(t\x03\x00\x01\x02\x00\x9f"s, U"ƒ"},       // 932: not here, skipped
        {"\033(t\x03\x00\x07\x0a\x00\x9f"s, U"ƒ"},       // no table 7
    };
    for (const Case& c : cases) EXPECT_EQ(printed(renderJob(c.job + "\r\n").doc), c.text) << c.job;
}

TEST(Report, Describes) {
    render::RenderReport report;
    EXPECT_EQ(report.describe(), "");
    report.skipped.push_back({"ESC i", 1, {77}});
    EXPECT_EQ(report.describe(), "skipped 1 command: ESC i x1 (first at 77)");
    report.skipped.insert(report.skipped.begin(), {"ESC ( V", 2, {120, 4410}});
    EXPECT_EQ(report.describe(), "skipped 3 commands: ESC ( V x2 (first at 120, 4410), ESC i x1 (first at 77)");
    for (int i = 0; i < 8; ++i) report.skipped.push_back({"ESC " + std::to_string(i), 1, {200u + i}});
    const std::string text = report.describe();
    EXPECT_EQ(text.substr(0, 20), "skipped 11 commands:");
    const std::string tail = ", ESC 5 x1 (first at 205) and 2 more kinds";
    ASSERT_GT(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << "8 kinds, then how many more";
}

}  // namespace
}  // namespace orv::test
