// Decoding the device's byte stream: 0x07 opens a two-byte sequence.
//   0x07 0x27            -> one byte 0x07
//   0x07 0x30..0x4F      -> nothing (a device reply, dropped)
//   0x07 any other byte  -> both bytes unchanged; the second opens nothing
//   any other byte       -> itself
// A 0x07 at the very end of the stream, with no second byte, is kept.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/ByteSource.h"

namespace orv {

// Decodes a stream that arrives in chunks; a 0x07 at the end of one chunk
// pairs with the first byte of the next.
class DeviceStreamDecoder {
public:
    // Decodes count bytes into out, which must have room for count + 1
    // bytes (a 0x07 held from the previous chunk may come out here).
    // Returns the number of bytes written.  out may not overlap in.
    std::size_t decode(const std::uint8_t* in, std::size_t count, std::uint8_t* out);

    // Ends the stream: writes a held 0x07 to out.  Returns 0 or 1.
    std::size_t finish(std::uint8_t* out);

    bool holdsEscape() const { return held_; }

private:
    bool held_ = false;
};

// Reads n bytes from file and writes their decoding to destination (room
// for n bytes is always enough); count gets the number of bytes written.
// Returns false, leaving count alone, when the file gives fewer than n.
bool decodeDeviceStream(ByteSource& file, std::uint8_t* destination, std::size_t n, std::size_t& count);

}  // namespace orv
