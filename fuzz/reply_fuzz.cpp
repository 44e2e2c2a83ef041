// The reply scanner over chunks of any bytes: no crash, and exactly the
// replies that a byte-by-byte reading of the pairs finds.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "link/ReplyScanner.h"

namespace {

class Collect final : public orv::ReplySink {
public:
    void reply(const orv::DeviceReply& r) override {
        if ((r.command != 'I' && r.command != 'S') || r.bits > 15) std::abort();
        got.push_back(static_cast<std::uint8_t>((r.command == 'I' ? 0x40 : 0x30) | r.bits));
    }
    std::vector<std::uint8_t> got;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t chunk = 1 + data[0] % 8;
    orv::ReplyScanner scanner;
    Collect collect;
    for (std::size_t at = 1; at < size; at += chunk) {
        scanner.scan(data + at, 0, collect);  // an empty chunk changes nothing
        scanner.scan(data + at, size - at < chunk ? size - at : chunk, collect);
    }
    std::vector<std::uint8_t> expected;
    for (std::size_t i = 1; i + 1 < size; ++i) {
        if (data[i] != 0x07) continue;
        const std::uint8_t b = data[++i];
        if ((b >= 0x30 && b <= 0x4F)) expected.push_back(b);
    }
    if (expected != collect.got) std::abort();
    return 0;
}
