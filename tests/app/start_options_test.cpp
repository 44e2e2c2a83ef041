#include <gtest/gtest.h>

#include <string>

#include "app/StartOptions.h"
#include "base/Ids.h"

namespace orv::test {
namespace {

TEST(StartOptions, CommandLines) {
    struct Case {
        const char* line;
        std::uint32_t flags;
        std::uint32_t delay;
    } cases[] = {
        {"\"C:\\Program Files\\Orvantide\\Orvantide.exe\" -r -t 2000", START_AT_ONCE | START_DELAYED, 2000},
        {"\"C:\\Orvantide.exe\" -r-t 2000", START_AT_ONCE, 0},  // "-t" right behind "-r" is not seen
        {"\"C:\\Orvantide.exe\" -t3000", START_DELAYED, 3000},
        {"\"C:\\Orvantide.exe\" -t 3000", START_DELAYED, 3000},
        {"\"C:\\Orvantide.exe\" -t", START_DELAYED, 0},
        {"\"C:\\Orvantide.exe\" -t ", START_DELAYED, 0},
        {"\"C:\\Orvantide.exe\" -t x", START_DELAYED, 0},
        {"\"C:\\Orvantide.exe\" -t 3000 -t", START_DELAYED, 3000},  // a later 0 keeps the delay
        {"\"C:\\Orvantide.exe\" -r", START_AT_ONCE, 0},
        {"\"C:\\Orvantide.exe\"", 0, 0},
        {"Orvantide.exe", 0, 0},
        {"Orvantide.exe -r", START_AT_ONCE, 0},
        {"Orvantide.exe-r", 0, 0},  // the character behind the name is skipped
        {"\"C:\\Other.exe\" -r -t 2000", 0, 0},
        {"\"C:\\ORVANTIDE.EXE\" -r -t 2000", 0, 0},
        {"\"C:\\orvantide.exe\" -r", 0, 0},
        {"x Orvantide.exe -r Orvantide.exe -t 5", START_AT_ONCE | START_DELAYED, 5},
        // Negative and huge delays stay within 0 .. ten minutes.
        {"Orvantide.exe -t -5", START_DELAYED, 0},
        {"Orvantide.exe -t 600000", START_DELAYED, 600000},
        {"Orvantide.exe -t 600001", START_DELAYED, 600000},
        {"Orvantide.exe -t 2147483648", START_DELAYED, 600000},
        {"Orvantide.exe -t 99999999999999999999999999999", START_DELAYED, 600000},
        {"Orvantide.exe -t -99999999999999999999999999999", START_DELAYED, 0},
        {"Orvantide.exe -t +42", START_DELAYED, 42},
        {"Orvantide.exe -t \t 7", START_DELAYED, 7},
        {"", 0, 0},
    };
    for (const Case& c : cases) {
        std::uint32_t flags = 0xdead, delay = 0xbeef;
        parseStartOptions(c.line, flags, delay);
        EXPECT_EQ(flags, c.flags) << c.line;
        EXPECT_EQ(delay, c.delay) << c.line;
    }
    std::uint32_t flags = 1, delay = 1;
    parseStartOptions(nullptr, flags, delay);
    EXPECT_EQ(flags, 0u);
    EXPECT_EQ(delay, 0u);
}

TEST(StartOptions, StopsAtTheGivenLength) {
    // Characters past the length are not part of the command line.
    const std::string line = "Orvantide.exe -r -t 1234";
    std::uint32_t flags, delay;
    parseStartOptions(line.data(), line.size() - 7, flags, delay);  // up to "-r "
    EXPECT_EQ(flags, static_cast<std::uint32_t>(START_AT_ONCE));
    parseStartOptions(line.data(), line.size() - 2, flags, delay);  // "-t 12"
    EXPECT_EQ(delay, 12u);
    parseStartOptions(line.data(), 13, flags, delay);
    EXPECT_EQ(flags, 0u);
}

}  // namespace
}  // namespace orv::test
