#include "link/ReplyParser.h"

#include <cstring>

#include "base/Ids.h"

namespace orv {

int ReplyParser::parseDeviceReply(const std::uint8_t* data, std::size_t count, ReplySink& sink) {
    if (count == 0)
        return 1;  // nothing to judge; a pending reply waits for a byte
    std::uint8_t reply;
    if (replyState_ == 0) {
        const void* hit = std::memchr(data, 0x07, count);
        if (!hit)
            return 1;
        replyState_ = 1;
        const std::uint8_t* escape = static_cast<const std::uint8_t*>(hit);
        if (escape + 1 == data + count)
            return 1;
        reply = escape[1];
    } else {
        reply = data[0];
    }
    replyState_ = 0;

    if (reply >= 0x30 && reply <= 0x3F) {
        static const int kLines[4] = {IDC_S_BIT3, IDC_S_BIT2, IDC_S_BIT1, IDC_S_BIT0};
        for (int k = 0; k < 4; ++k)
            sink.showReplyText(kLines[k], (reply >> (3 - k)) & 1 ? "H" : "L");
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

}  // namespace orv
