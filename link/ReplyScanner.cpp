#include "link/ReplyScanner.h"

#include <cstring>

namespace orv {

void ReplyScanner::scan(const std::uint8_t* data, std::size_t size, ReplySink& sink) {
    const std::uint8_t* p = data;
    const std::uint8_t* end = data + size;
    while (p < end) {
        if (!pairOpen_) {
            const void* escape = std::memchr(p, 0x07, static_cast<std::size_t>(end - p));
            if (!escape) return;
            p = static_cast<const std::uint8_t*>(escape) + 1;
            pairOpen_ = true;
            continue;
        }
        const std::uint8_t b = *p++;
        pairOpen_ = false;
        if (b >= 0x40 && b <= 0x4F)
            sink.reply({'I', static_cast<std::uint8_t>(b & 0x0F)});
        else if (b >= 0x30 && b <= 0x3F)
            sink.reply({'S', static_cast<std::uint8_t>(b & 0x0F)});
    }
}

std::string valueText(std::uint8_t bits) {
    static const char kDigits[] = "0123456789ABCDEF";
    return std::string("0x0") + kDigits[bits & 0x0F];
}

const char* lineText(std::uint8_t bits, int line) { return (bits >> line) & 1 ? "H" : "L"; }

std::string replyText(const DeviceReply& reply) {
    if (reply.command == 'I') return valueText(reply.bits);
    std::string text;
    for (int line = 3; line >= 0; --line) {
        text += lineText(reply.bits, line);
        if (line > 0) text += ' ';
    }
    return text;
}

}  // namespace orv
