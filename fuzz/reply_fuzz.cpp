// The reply parser over chunks of any bytes: no crash, state only 0 or 1,
// results only 0 or 1, and only well-formed texts for the dialog fields.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/Ids.h"
#include "link/ReplyParser.h"

namespace {

class CheckingSink final : public orv::ReplySink {
public:
    void showReplyText(int id, const char* text) override {
        static const int order[4] = {IDC_S_BIT3, IDC_S_BIT2, IDC_S_BIT1, IDC_S_BIT0};
        if (id == IDC_I_REPLY) {
            if (std::strlen(text) != 4 || std::strncmp(text, "0x0", 3) != 0 ||
                !std::strchr("0123456789ABCDEF", text[3]))
                std::abort();
            if (linesShown % 4 != 0) std::abort();  // never in the middle of the four line texts
            return;
        }
        if (id != order[linesShown % 4] || (std::strcmp(text, "H") != 0 && std::strcmp(text, "L") != 0)) std::abort();
        ++linesShown;
    }
    int linesShown = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t chunk = data[0] % 9;  // 0: empty chunks too
    orv::ReplyParser parser;
    CheckingSink sink;
    std::size_t at = 1;
    for (int rounds = 0; at < size && rounds < 4096; ++rounds) {
        const std::size_t len = size - at < chunk ? size - at : chunk;
        const int r = parser.parseDeviceReply(data + at, len, sink);
        if ((r != 0 && r != 1) || (parser.replyState() != 0 && parser.replyState() != 1)) std::abort();
        at += len == 0 ? 1 : len;
    }
    if (sink.linesShown % 4 != 0) std::abort();
    return 0;
}
