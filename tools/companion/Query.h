// The device's answers to 'I' and 'S' in the stream it sends: 0x07 and one
// reply byte, 0x40..0x4F for 'I' (a value 0..15) and 0x30..0x3F for 'S'
// (four lines, bits 3..0).  Every 0x07 pair is looked at, across reads;
// other bytes, escaped data bytes (0x07 0x27) included, are passed over.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace orv::companion {

class ReplyScanner {
public:
    explicit ReplyScanner(char command) : command_(command) {}
    // Scans size bytes; true once the reply to the command was found.
    bool scan(const std::uint8_t* data, std::size_t size);
    // The reply as the query dialog shows it: "0x0A", or "L H L H" (line 3
    // first).
    const std::string& text() const { return text_; }

private:
    char command_;
    bool afterEscape_ = false;
    std::string text_;
};

}  // namespace orv::companion
