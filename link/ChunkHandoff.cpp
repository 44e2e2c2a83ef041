#include "link/ChunkHandoff.h"

#include <cstring>

namespace orv {

void ChunkHandoff::deliver(const std::uint8_t* bytes, std::size_t count) {
    if (count == 0) return;
    if (ReplySink* dialog = observer_.openQueryDialog()) parser_.parseDeviceReply(bytes, count, *dialog);
    byteCount_.fetch_add(static_cast<std::uint32_t>(count), std::memory_order_relaxed);
    // The writer reports a lost block once; later chunks of the run are
    // dropped quietly, so this tells the user exactly once.
    std::int32_t written = writer_.appendCaptureData(bytes, count);
    if (written < 0) observer_.captureWriteFailed(written);
    appendToView(view_, bytes, count, repaint_);
}

std::uint32_t ChunkHandoff::keepDurable(std::uint64_t nowMs) {
    if (!writer_.hasUnsyncedData()) {
        waiting_ = false;
        return kNothingToFlush;
    }
    // The clock starts when a call first sees the bytes: right after the
    // delivery that brought them.
    if (!waiting_) {
        waiting_ = true;
        waitingSince_ = nowMs;
    }
    const std::uint64_t waited = nowMs - waitingSince_;
    if (waited < kDurableAfterMs) return static_cast<std::uint32_t>(kDurableAfterMs - waited);
    waiting_ = false;
    std::int32_t flushed = writer_.flushToDisk();
    if (flushed < 0) observer_.captureWriteFailed(flushed);
    return kNothingToFlush;
}

void ChunkHandoff::note(const char* text) {
    appendToView(view_, reinterpret_cast<const std::uint8_t*>(text), std::strlen(text), repaint_);
}

}  // namespace orv
