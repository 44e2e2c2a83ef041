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

void ChunkHandoff::note(const char* text) {
    appendToView(view_, reinterpret_cast<const std::uint8_t*>(text), std::strlen(text), repaint_);
}

}  // namespace orv
