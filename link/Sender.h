// Sending a stored file to the device: the one sender of the window's
// Device > Send file and of `orvantide send`.  The data goes in chunks of
// 1024 bytes; then the link is told the data is complete and the sender
// waits until every byte has reached the device.  Success means exactly
// that.
#pragma once
#include <cstddef>
#include <cstdint>

#include "link/DeviceLink.h"

namespace orv {

constexpr std::size_t kSendChunk = 1024;
// A device that takes no byte for this long has stopped and the send
// fails; a printing device holds its line for seconds at a time (CTS low,
// a full socket), which is no failure.
constexpr int kSendStallMs = 30000;
// After the last byte: the device's moment to take it before the line is
// dropped.
constexpr int kSendSettleMs = 100;
// A command byte of the query: the dialog waits for it.
constexpr int kCommandStallMs = 1000;

// Told of the open link and of every chunk once the link has taken all of
// its bytes, on the sending thread; it must not wait for a user-interface
// thread.
class SendProgress {
public:
    virtual void linkOpened() {}
    virtual void chunkSent(std::uint64_t offset, std::size_t size) = 0;

protected:
    ~SendProgress() = default;
};

struct SendResult {
    enum class Stage : std::uint8_t { Open, Data, Finish, Done };
    Stage stage = Stage::Open;  // where it ended
    std::uint64_t sent = 0;     // bytes the link took
    LinkError error;            // none when every byte reached the device

    bool ok() const { return stage == Stage::Done; }
};

// Opens the link, sends size bytes of data, finishes and closes it.  A
// stop ends it at once, with LinkFailure::Stopped.
SendResult sendToDevice(DeviceLink& link, const std::uint8_t* data, std::size_t size, const StopSignal& stop,
                        SendProgress* progress = nullptr);

}  // namespace orv
