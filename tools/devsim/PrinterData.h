// Printer-like test data as the capture device delivers it, reproducible
// from a seed on every platform, so that a test can regenerate exactly what
// the simulator sent instead of shipping a copy of it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace orv {
namespace devsim {

// The device escapes a data byte 0x07 as 0x07 0x27; any other byte after
// 0x07 would be read as a device reply or a damaged sequence.
constexpr std::uint8_t kDeviceEscape = 0x07;
constexpr std::uint8_t kEscapedBell = 0x27;

// An endless stream of printer output: text lines ending in CR LF, form
// feeds every page, ESC control sequences, bit-image and raw binary runs,
// other control characters. Every data byte 0x07 is escaped, so the stream
// never holds a 0x07 that is not followed by 0x27. The bytes depend only on
// the seed and the position, not on how the stream is read in pieces.
class PrinterData {
public:
    explicit PrinterData(std::uint64_t seed);

    // The next n bytes of the stream.
    void fill(std::uint8_t* out, std::size_t n);
    // Moves n bytes on without handing them out.
    void skip(std::uint64_t n);
    // Bytes handed out or skipped so far.
    std::uint64_t position() const { return position_; }

private:
    std::uint64_t next();
    void put(std::uint8_t b) { segment_[segmentLength_++] = b; }
    void putData(std::uint8_t b);
    void buildSegment();
    void textLine(bool withControls);
    void escapeSequence();
    void bitImage();
    void rawBinary();
    void putRandomData(unsigned count, bool mostlyZero);

    std::uint64_t state_;
    std::uint64_t position_ = 0;
    unsigned lineOfPage_ = 0;
    unsigned pageLength_ = 0;
    std::size_t segmentLength_ = 0;
    std::size_t segmentRead_ = 0;
    // Largest segment: a bit image of 1440 bytes, every one escaped.
    std::array<std::uint8_t, 4096> segment_{};
};

// Bytes [offset, offset + n) of the stream for seed, from a fresh stream.
void generatePrinterData(std::uint64_t seed, std::uint64_t offset, std::uint8_t* out, std::size_t n);

// CRC-32 (IEEE 802.3, as zip and zlib): start with 0, feed pieces in order.
std::uint32_t crc32Update(std::uint32_t crc, const void* data, std::size_t n);

}  // namespace devsim
}  // namespace orv
