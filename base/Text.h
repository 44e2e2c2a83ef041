// Formatting of texts that come from the language library.  Those texts
// are data, not code: each takes exactly the one placeholder the caller
// supplies, anything else in them is copied literally, so a damaged or
// foreign library can never make the program read arguments it did not
// pass.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace orv {

// Replaces the first "%s" of format with text; "%%" becomes "%".
std::string formatWithText(const std::string& format, const std::string& text);
// Replaces the first "%d", "%u" or "%i" of format with number (signed for
// %d and %i, unsigned for %u); "%%" becomes "%".
std::string formatWithNumber(const std::string& format, std::int64_t number);

// Copies src into dst[size], cut to size - 1 characters, always terminated.
void copyCut(char* dst, std::size_t size, const char* src);
template <std::size_t N>
void copyCut(char (&dst)[N], const char* src) {
    copyCut(dst, N, src);
}

}  // namespace orv
