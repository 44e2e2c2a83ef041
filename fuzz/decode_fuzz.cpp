// The decoder, fed in chunks whose sizes come from the input, must give
// exactly what a one-byte-at-a-time reading of the table gives, never more
// bytes than it was given.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "capture/DeviceStream.h"

namespace {

std::vector<std::uint8_t> reference(const std::uint8_t* in, std::size_t n) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < n; ++i) {
        if (in[i] != 0x07) {
            out.push_back(in[i]);
        } else if (i + 1 == n) {
            out.push_back(0x07);
        } else {
            const std::uint8_t b = in[++i];
            if (b == 0x27)
                out.push_back(0x07);
            else if (b < 0x30 || b > 0x4F)
                out.insert(out.end(), {0x07, b});
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t chunk = 1 + data[0] % 17;  // first byte: the chunk size
    const std::uint8_t* in = data + 1;
    const std::size_t n = size - 1;

    orv::DeviceStreamDecoder decoder;
    std::vector<std::uint8_t> out(n + 1);
    std::size_t written = 0;
    for (std::size_t at = 0; at < n; at += chunk) {
        const std::size_t len = n - at < chunk ? n - at : chunk;
        written += decoder.decode(in + at, len, out.data() + written);
        if (written > at + len) std::abort();  // output ran ahead of input
    }
    written += decoder.finish(out.data() + written);
    out.resize(written);
    if (written > n || out != reference(in, n)) std::abort();

    orv::MemoryByteSource source(in, n);
    std::vector<std::uint8_t> whole(n);
    std::size_t count = 0;
    if (!orv::decodeDeviceStream(source, whole.data(), n, count) || count != written) std::abort();
    whole.resize(count);
    if (whole != out) std::abort();
    return 0;
}
