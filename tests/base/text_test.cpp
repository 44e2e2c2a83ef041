// Texts from the language library are formats with exactly one known
// placeholder; anything else in them must stay inert.
#include <gtest/gtest.h>

#include "base/Text.h"

namespace orv::test {
namespace {

TEST(FormatWithText, ExpandsOnlyTheFirstStringPlaceholder) {
    struct Case {
        const char* format;
        const char* arg;
        const char* out;
    };
    const Case cases[] = {
        {"Folder %s missing", "C:\\x", "Folder C:\\x missing"},
        {"%s", "", ""},
        {"no placeholder", "x", "no placeholder"},
        {"%s and %s", "a", "a and %s"},
        {"100%% of %s", "b", "100% of b"},
        {"%d %n %x %s", "c", "%d %n %x c"},
        {"trailing %", "d", "trailing %"},
        {"%%s", "e", "%s"},
        {"%s", "50%s", "50%s"},  // the argument is never a format
    };
    for (const Case& c : cases) EXPECT_EQ(c.out, formatWithText(c.format, c.arg)) << c.format;
}

TEST(FormatWithNumber, FormatsSignedAndUnsignedLikeThePlatform) {
    struct Case {
        const char* format;
        std::int64_t n;
        const char* out;
    };
    const Case cases[] = {
        {"Error %u", 5, "Error 5"},   {"Error %d", 10061, "Error 10061"},
        {"Error %d", -1, "Error -1"}, {"Error %u", -1, "Error 4294967295"},
        {"Error %i!", 7, "Error 7!"}, {"%s %u", 3, "%s 3"},
        {"%u %u", 1, "1 %u"},         {"none", 1, "none"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.out, formatWithNumber(c.format, c.n)) << c.format;
}

TEST(CopyCut, AlwaysTerminatesWithinTheField) {
    char field[4];
    copyCut(field, "abcdef");
    EXPECT_STREQ("abc", field);
    copyCut(field, "ab");
    EXPECT_STREQ("ab", field);
    copyCut(field, nullptr);
    EXPECT_STREQ("", field);
}

}  // namespace
}  // namespace orv::test
