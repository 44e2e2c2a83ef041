// The window's side of every received chunk, on the capture thread, in
// this order: the query's reply scanner (its answers told only while the
// dialog is open), the byte counter, the text grid.  Line errors become
// notes in the grid only: neither counted nor stored.  The capture file is
// the session's.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "capture/CaptureSession.h"
#include "link/ReplyScanner.h"
#include "view/TextGrid.h"
#include "view/ViewBuffer.h"

namespace orv {

class ChunkHandoff : public CaptureEvents {
public:
    ChunkHandoff(std::atomic<std::uint32_t>& byteCount, ViewBuffer& view, RepaintSink& repaint)
        : byteCount_(byteCount), view_(view), repaint_(repaint) {}

    void received(const std::uint8_t* data, std::size_t size) override;
    // "<CE-n>": the read failure's code, then the line's error bits.
    void lineErrors(const LineErrors& errors) override;
    void note(const char* text);

protected:
    ~ChunkHandoff() = default;
    // The open query dialog's sink, or null when none is open.
    virtual ReplySink* openQueryDialog() = 0;

private:
    // Passes the scanner's replies to the dialog that is open, if any.
    class ToDialog final : public ReplySink {
    public:
        void reply(const DeviceReply& r) override {
            if (dialog) dialog->reply(r);
        }
        ReplySink* dialog = nullptr;
    };

    std::atomic<std::uint32_t>& byteCount_;
    ViewBuffer& view_;
    RepaintSink& repaint_;
    // Sees every chunk, so that it keeps its place in the stream's pairs.
    ReplyScanner scanner_;
    ToDialog toDialog_;
};

}  // namespace orv
