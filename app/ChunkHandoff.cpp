#include "app/ChunkHandoff.h"

#include <cstdio>
#include <cstring>

namespace orv {

void ChunkHandoff::received(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return;
    toDialog_.dialog = openQueryDialog();
    scanner_.scan(data, size, toDialog_);
    byteCount_.fetch_add(static_cast<std::uint32_t>(size), std::memory_order_relaxed);
    appendToView(view_, data, size, repaint_);
}

void ChunkHandoff::lineErrors(const LineErrors& errors) {
    char text[32];
    if (errors.readFailure != 0) {
        std::snprintf(text, sizeof text, "<CE-%u>", static_cast<unsigned>(errors.readFailure));
        note(text);
    }
    if (errors.mask != 0) {
        std::snprintf(text, sizeof text, "<CE-%u>", static_cast<unsigned>(errors.mask));
        note(text);
    }
}

void ChunkHandoff::note(const char* text) {
    appendToView(view_, reinterpret_cast<const std::uint8_t*>(text), std::strlen(text), repaint_);
}

}  // namespace orv
