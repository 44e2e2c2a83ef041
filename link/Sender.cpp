#include "link/Sender.h"

namespace orv {
namespace {

void sendChunks(DeviceLink& link, const std::uint8_t* data, std::size_t size, const StopSignal& stop,
                SendProgress* progress, SendResult& result) {
    result.stage = SendResult::Stage::Data;
    while (result.sent < size) {
        if (stop.requested()) {
            result.error.set(LinkFailure::Stopped, 0, "stopped");
            return;
        }
        const std::size_t at = static_cast<std::size_t>(result.sent);
        const std::size_t n = size - at < kSendChunk ? size - at : kSendChunk;
        if (!link.write(data + at, n, kSendStallMs, result.error)) return;
        if (progress) progress->chunkSent(at, n);
        result.sent += n;
    }
    result.stage = SendResult::Stage::Finish;
    if (!link.finishWrites(kSendStallMs, result.error)) return;
    // Every byte has reached the device: a stop during the pause changes
    // nothing of that.
    stop.wait(kSendSettleMs);
    result.stage = SendResult::Stage::Done;
}

}  // namespace

SendResult sendToDevice(DeviceLink& link, const std::uint8_t* data, std::size_t size, const StopSignal& stop,
                        SendProgress* progress) {
    SendResult result;
    if (!link.open(result.error)) return result;
    if (progress) progress->linkOpened();
    sendChunks(link, data, size, stop, progress, result);
    link.close();
    return result;
}

}  // namespace orv
