#include "base/Text.h"

#include <cstring>

namespace orv {
namespace {

// Copies format, expanding "%%" and the first conversion for which
// expand(conversion, out) returns true; other '%' are copied as they are.
template <typename Expand>
std::string expandOne(const std::string& format, Expand expand) {
    std::string out;
    out.reserve(format.size() + 16);
    bool used = false;
    for (std::size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%' || i + 1 >= format.size()) {
            out += c;
        } else if (format[i + 1] == '%') {
            out += '%';
            ++i;
        } else if (!used && expand(format[i + 1], out)) {
            used = true;
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::string formatWithText(const std::string& format, const std::string& text) {
    return expandOne(format, [&](char conv, std::string& out) {
        if (conv != 's') return false;
        out += text;
        return true;
    });
}

std::string formatWithNumber(const std::string& format, std::int64_t number) {
    // The conversion decides how the number reads: %u shows the 32-bit
    // unsigned value, as the platform's own formatting would.
    return expandOne(format, [&](char conv, std::string& out) {
        if (conv == 'd' || conv == 'i') {
            out += std::to_string(static_cast<std::int32_t>(number));
        } else if (conv == 'u') {
            out += std::to_string(static_cast<std::uint32_t>(number));
        } else {
            return false;
        }
        return true;
    });
}

void copyCut(char* dst, std::size_t size, const char* src) {
    if (size == 0) return;
    std::size_t n = src ? std::strlen(src) : 0;
    if (n > size - 1) n = size - 1;
    if (n) std::memcpy(dst, src, n);
    dst[n] = '\0';
}

}  // namespace orv
