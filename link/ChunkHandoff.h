// Where every chunk of received bytes goes, in this order, on the receive
// thread: the query's reply parser (only while the query dialog is open),
// the byte counter, the capture file, the text grid.  The same for both
// links.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "capture/CaptureWriter.h"
#include "link/ReplyParser.h"
#include "view/TextGrid.h"
#include "view/ViewBuffer.h"

namespace orv {

// The longest a received byte stays in memory only: after that it is on
// the disk, so a crash or a power cut takes at most this much traffic.
constexpr std::uint32_t kDurableAfterMs = 1000;
constexpr std::uint32_t kNothingToFlush = 0xFFFFFFFFu;

// What the hand-off tells the rest of the program, from the receive thread.
// None of these may wait for the user-interface thread.
class HandoffObserver {
public:
    // The reply sink of the open query dialog, or null when none is open.
    virtual ReplySink* openQueryDialog() = 0;
    // The capture file lost data: called once per run, with the failure.
    virtual void captureWriteFailed(std::int32_t failure) = 0;

protected:
    ~HandoffObserver() = default;
};

class ChunkHandoff {
public:
    ChunkHandoff(std::atomic<std::uint32_t>& byteCount, CaptureWriter& writer, ViewBuffer& view, ReplyParser& parser,
                 RepaintSink& repaint, HandoffObserver& observer)
        : byteCount_(byteCount),
          writer_(writer),
          view_(view),
          parser_(parser),
          repaint_(repaint),
          observer_(observer) {}

    void deliver(const std::uint8_t* bytes, std::size_t count);
    // A line-error note: shown in the view, neither counted nor stored.
    void note(const char* text);
    // After its deliveries and whenever it wakes, the receive thread calls
    // this with a monotonic clock: once the oldest byte that is not on the
    // disk yet has waited kDurableAfterMs, the file is flushed to disk.
    // Returns the milliseconds until that is due, or kNothingToFlush; a
    // receive thread waits no longer than that.
    std::uint32_t keepDurable(std::uint64_t nowMs);

private:
    std::atomic<std::uint32_t>& byteCount_;
    CaptureWriter& writer_;
    ViewBuffer& view_;
    ReplyParser& parser_;
    RepaintSink& repaint_;
    HandoffObserver& observer_;
    bool waiting_ = false;  // bytes wait for the disk since waitingSince_
    std::uint64_t waitingSince_ = 0;
};

}  // namespace orv
