#include "capture/DeviceStream.h"

#include <cstring>

namespace orv {
namespace {

constexpr std::uint8_t kEscape = 0x07;
constexpr std::uint8_t kEscapedEscape = 0x27;

// Writes what 0x07 followed by b stands for.
inline std::uint8_t* putPair(std::uint8_t* o, std::uint8_t b) {
    if (b == kEscapedEscape) {
        *o++ = kEscape;
    } else if (b < 0x30 || b > 0x4F) {
        *o++ = kEscape;
        *o++ = b;
    }
    return o;
}

}  // namespace

std::size_t DeviceStreamDecoder::decode(const std::uint8_t* in, std::size_t count, std::uint8_t* out) {
    std::uint8_t* o = out;
    const std::uint8_t* p = in;
    const std::uint8_t* const end = in + count;
    if (held_ && p < end) {
        held_ = false;
        o = putPair(o, *p++);
    }
    while (p < end) {
        // Plain bytes go over in runs up to the next 0x07.
        const void* hit = std::memchr(p, kEscape, static_cast<std::size_t>(end - p));
        const std::uint8_t* stop = hit ? static_cast<const std::uint8_t*>(hit) : end;
        std::memcpy(o, p, static_cast<std::size_t>(stop - p));
        o += stop - p;
        if (stop == end) break;
        if (stop + 1 == end) {
            held_ = true;
            break;
        }
        o = putPair(o, stop[1]);
        p = stop + 2;
    }
    return static_cast<std::size_t>(o - out);
}

std::size_t DeviceStreamDecoder::finish(std::uint8_t* out) {
    if (!held_) return 0;
    held_ = false;
    *out = kEscape;
    return 1;
}

bool decodeDeviceStream(ByteSource& file, std::uint8_t* destination, std::size_t n, std::size_t& count) {
    // Output never runs ahead of input, so decoding block by block straight
    // into destination stays within its n bytes.
    DeviceStreamDecoder decoder;
    std::uint8_t block[16384];
    std::size_t written = 0;
    while (n > 0) {
        const std::size_t want = n < sizeof block ? n : sizeof block;
        if (file.read(block, want) != want) return false;
        written += decoder.decode(block, want, destination + written);
        n -= want;
    }
    written += decoder.finish(destination + written);
    count = written;
    return true;
}

}  // namespace orv
