#include "app/StartOptions.h"

#include <cstring>

#include "base/Ids.h"

namespace orv {
namespace {

bool isAtoiBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// A decimal number at text[p..length) read like atoi (leading blanks, an
// optional sign, digits), but saturating instead of overflowing.
long long readNumber(const char* text, std::size_t p, std::size_t length) {
    while (p < length && isAtoiBlank(text[p])) ++p;
    bool negative = false;
    if (p < length && (text[p] == '+' || text[p] == '-')) negative = (text[p++] == '-');
    long long value = 0;
    for (; p < length && text[p] >= '0' && text[p] <= '9'; ++p)
        if (value <= kMaxStartDelayMs) value = value * 10 + (text[p] - '0');
    return negative ? -value : value;
}

bool optionAt(const char* text, std::size_t p, std::size_t length, char letter) {
    return p + 1 < length && text[p] == '-' && text[p + 1] == letter;
}

}  // namespace

void parseStartOptions(const char* commandLine, std::uint32_t& startFlags, std::uint32_t& startDelayMs) {
    parseStartOptions(commandLine, commandLine ? std::strlen(commandLine) : 0, startFlags, startDelayMs);
}

void parseStartOptions(const char* commandLine, std::size_t length, std::uint32_t& startFlags,
                       std::uint32_t& startDelayMs) {
    startFlags = 0;
    startDelayMs = 0;
    if (!commandLine) return;
    const std::size_t nameLength = sizeof kProgramFileName - 1;
    std::size_t i = 0;
    for (;; ++i) {
        if (i + nameLength > length) return;
        if (std::memcmp(commandLine + i, kProgramFileName, nameLength) == 0) break;
    }
    std::size_t p = i + nameLength;
    while (p < length) {
        ++p;  // the character behind the name or the last option
        if (optionAt(commandLine, p, length, 'r')) {
            startFlags |= START_AT_ONCE;
            p += 2;
        } else if (optionAt(commandLine, p, length, 't')) {
            p += 2;
            if (p < length) {
                long long delay = readNumber(commandLine, p, length);
                if (delay != 0)
                    startDelayMs = delay < 0                  ? 0
                                   : delay > kMaxStartDelayMs ? kMaxStartDelayMs
                                                              : static_cast<std::uint32_t>(delay);
            }
            startFlags |= START_DELAYED;
        }
    }
}

}  // namespace orv
