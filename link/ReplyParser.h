// Finding the device's answer to a query in the received stream: 0x07
// followed by one reply byte.  0x40..0x4F answers 'I' with a value 0..15,
// 0x30..0x3F answers 'S' with four lines (bits 3..0), each high or low.
#pragma once
#include <cstddef>
#include <cstdint>

namespace orv {

// Receives the texts of an answer for the query dialog's fields: the
// value as "0x%02X" for IDC_I_REPLY, or "H"/"L" for IDC_S_BIT3, IDC_S_BIT2,
// IDC_S_BIT1 and IDC_S_BIT0, in that order (identifiers from base/Ids.h).
class ReplySink {
public:
    virtual void showReplyText(int controlId, const char* text) = 0;

protected:
    ~ReplySink() = default;
};

// The parser with its state, which survives from chunk to chunk: a 0x07
// that ends one chunk makes the first byte of the next one the reply.
// Only the first 0x07 of a chunk is looked at, and only the byte after it.
// Used by one receive thread at a time.
class ReplyParser {
public:
    // Returns 1 when the chunk held no complete reply start or a reply
    // was shown, 0 when the byte after 0x07 was no valid reply.
    int parseDeviceReply(const std::uint8_t* data, std::size_t count, ReplySink& sink);

    // 0: looking for 0x07; 1: the next chunk's first byte is the reply.
    int replyState() const { return replyState_; }

private:
    int replyState_ = 0;
};

// A reply text of up to four characters packed into one message
// parameter (the receive thread posts it to the dialog), and back.
std::uint32_t packReplyText(const char* text);
void unpackReplyText(std::uint32_t packed, char (&text)[5]);

}  // namespace orv
