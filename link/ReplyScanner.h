// The device's answers to the query commands, found in the stream it
// sends: 0x07 followed by one reply byte.  0x40..0x4F answers 'I' with a
// value 0..15; 0x30..0x3F answers 'S' with four lines (bits 3..0), each
// high or low.  In the device's encoding 0x07 always opens a pair, so every
// pair is looked at, across chunks, and an escaped data byte (0x07 0x27)
// is passed over like any other pair that is no reply.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace orv {

struct DeviceReply {
    char command;       // 'I' or 'S'
    std::uint8_t bits;  // the value, or the four lines
};

class ReplySink {
public:
    virtual void reply(const DeviceReply& reply) = 0;

protected:
    ~ReplySink() = default;
};

// Used by one thread at a time; its state (a 0x07 that ended the last
// chunk) carries over to the next chunk.
class ReplyScanner {
public:
    // Tells sink every reply in the chunk, in order.
    void scan(const std::uint8_t* data, std::size_t size, ReplySink& sink);
    bool pairOpen() const { return pairOpen_; }

private:
    bool pairOpen_ = false;
};

// "0x0A" for a value.
std::string valueText(std::uint8_t bits);
// "H" or "L" for line 3..0.
const char* lineText(std::uint8_t bits, int line);
// As the query dialog shows it: "0x0A", or "L H L H" (line 3 first).
std::string replyText(const DeviceReply& reply);

}  // namespace orv
