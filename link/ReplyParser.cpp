#include "link/ReplyParser.h"

#include <cstring>

#include "base/Ids.h"

namespace orv {

int ReplyParser::parseDeviceReply(const std::uint8_t* data, std::size_t count, ReplySink& sink) {
    if (count == 0) return 1;  // nothing to judge; a pending reply waits for a byte
    std::uint8_t reply;
    if (replyState_ == 0) {
        const void* hit = std::memchr(data, 0x07, count);
        if (!hit) return 1;
        replyState_ = 1;
        const std::uint8_t* escape = static_cast<const std::uint8_t*>(hit);
        if (escape + 1 == data + count) return 1;
        reply = escape[1];
    } else {
        reply = data[0];
    }
    replyState_ = 0;

    if (reply >= 0x30 && reply <= 0x3F) {
        static const int kLines[4] = {IDC_S_BIT3, IDC_S_BIT2, IDC_S_BIT1, IDC_S_BIT0};
        for (int k = 0; k < 4; ++k) sink.showReplyText(kLines[k], (reply >> (3 - k)) & 1 ? "H" : "L");
        return 1;
    }
    if (reply >= 0x40 && reply <= 0x4F) {
        static const char kDigits[] = "0123456789ABCDEF";
        const char text[5] = {'0', 'x', '0', kDigits[reply & 15], '\0'};
        sink.showReplyText(IDC_I_REPLY, text);
        return 1;
    }
    return 0;
}

std::uint32_t packReplyText(const char* text) {
    std::uint32_t packed = 0;
    for (int i = 0; i < 4 && text[i]; ++i) packed |= std::uint32_t(std::uint8_t(text[i])) << (8 * i);
    return packed;
}

void unpackReplyText(std::uint32_t packed, char (&text)[5]) {
    for (int i = 0; i < 4; ++i) text[i] = static_cast<char>((packed >> (8 * i)) & 0xFF);
    text[4] = '\0';
}

}  // namespace orv
