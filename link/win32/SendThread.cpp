#include "link/win32/SendThread.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "link/win32/LinkThread.h"

namespace orv {
namespace {

// After the last chunk: the device's time to take the data before the line
// is dropped.
constexpr DWORD kSettleMs = 100;

struct SendJob {
    CaptureState* state;
    SendObserver* observer;
    const SendWriter* writer;
};

// Writes sendData in chunks until it is out, a chunk fails or the send is
// cancelled (during a chunk that the device holds up, too); returns true
// only when every chunk went out.
bool sendChunks(const SendJob& job) {
    CaptureState& s = *job.state;
    const std::uint8_t* data = s.sendData.get();
    const std::uint32_t size = s.sendSize;
    for (std::uint32_t at = 0; at < size;) {
        if (!linkOpen(s)) return false;  // cancelled after the chunk before
        const std::uint32_t n = size - at < kSendChunk ? size - at : kSendChunk;
        Write sent = job.writer->writeChunk(s, data + at, n);
        if (sent == Write::Stopped) return false;
        if (sent == Write::Failed) {
            PostMessageA(s.mainWindow, UM_LINK_ERROR, LINK_ERROR_SEND, 0);
            return false;
        }
        if (job.observer) job.observer->chunkSent(at, n);
        at += n;
    }
    return linkOpen(s);
}

void sendRun(const SendJob& job) {
    CaptureState& s = *job.state;
    if (!sendChunks(job)) return;
    if (job.writer->endData(s)) s.sendDelivered.store(true);
    WaitForSingleObject(s.linkStopEvent, kSettleMs);
}

unsigned __stdcall sendThread(void* argument) {
    const SendJob job = *std::unique_ptr<SendJob>(static_cast<SendJob*>(argument));
    CaptureState& s = *job.state;
    try {
        sendRun(job);
    } catch (...) {
        // Nothing may unwind out of a thread; the send simply ends.
    }
    s.sendData.reset();
    s.sendSize = 0;
    SetEvent(s.sendDoneEvent);
    // The link is closed on the user-interface thread: a cancel may be
    // closing it at this moment, and only that thread can tell.
    PostMessageA(s.mainWindow, UM_SEND_ENDED, 0, 0);
    return 1;
}

}  // namespace

bool stopAsked(const CaptureState& s) { return WaitForSingleObject(s.linkStopEvent, 0) == WAIT_OBJECT_0; }

void traceWriteError(unsigned long error) {
    char text[64];
    std::snprintf(text, sizeof text, "Error - %lu\n", error);
    OutputDebugStringA(text);
}

std::unique_ptr<std::uint8_t[]> prepareSend(CaptureState& s, const std::uint8_t* data, std::uint32_t size) {
    if (linkBusy(s)) return nullptr;
    std::unique_ptr<std::uint8_t[]> copy(new (std::nothrow) std::uint8_t[size ? size : 1]);
    if (!copy) return nullptr;
    if (size) std::memcpy(copy.get(), data, size);
    s.stateFlags.fetch_or(FLAG_SENDING);
    return copy;
}

bool startSend(CaptureState& s, std::unique_ptr<std::uint8_t[]> copy, std::uint32_t size, SendObserver* observer,
               const SendWriter& writer) {
    // The thread owns the job once it runs.
    std::unique_ptr<SendJob> job(new (std::nothrow) SendJob{&s, observer, &writer});
    if (!job) return false;
    ResetEvent(s.linkStopEvent);
    ResetEvent(s.sendDoneEvent);
    s.sendDelivered.store(false);
    s.sendData = std::move(copy);
    s.sendSize = size;
    s.isOpen.store(1);
    if (!startLinkThread(s, sendThread, job.get())) {
        s.isOpen.store(0);
        s.sendData.reset();
        s.sendSize = 0;
        return false;
    }
    job.release();
    return true;
}

void stopSendThread(CaptureState& s) {
    s.isOpen.store(0);
    SetEvent(s.linkStopEvent);
    // A flush of the port's buffers is the one call the thread cannot
    // leave by itself.
    if (HANDLE thread = s.threadHandle.load()) CancelSynchronousIo(thread);
    joinLinkThread(s);
    ResetEvent(s.sendDoneEvent);
    s.sendData.reset();  // only when the thread never ran
    s.sendSize = 0;
}

bool takeSendingFlag(CaptureState& s) {
    return (s.stateFlags.fetch_and(~static_cast<std::uint32_t>(FLAG_SENDING)) & FLAG_SENDING) != 0;
}

}  // namespace orv
