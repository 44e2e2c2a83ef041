// The send thread, whichever link carries it: it writes the run record's
// copy of the data in chunks of 1024 bytes through its link's writer.
//
// The thread never closes the link: when its data is out (or a chunk
// failed) it frees the copy, sets sendDoneEvent and posts UM_SEND_ENDED to
// the main window, which closes the link on the user-interface thread.  A
// cancel takes effect after the chunk in progress.  FLAG_SENDING is set
// from the open until the link has been closed; the closers act only while
// it is set, so the link is closed exactly once whichever of cancel,
// finish and close comes first, and a late UM_SEND_ENDED cannot touch a
// later run.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>

#include "app/win32/CaptureState.h"

namespace orv {

constexpr std::uint32_t kSendChunk = 1024;
// A device that takes no byte for this long has stopped and the send
// fails; a printing device holds its line for seconds at a time (CTS low,
// a full socket), which is no failure.
constexpr DWORD kSendStallMs = 30000;
// A command byte of the query dialog is written by the user-interface
// thread, which must not wait long.
constexpr DWORD kCommandStallMs = 1000;

// Told of every chunk once the link has taken all of its bytes, on the
// send thread; it must not wait for the user-interface thread.
class SendObserver {
public:
    virtual void chunkSent(std::uint32_t offset, std::uint32_t size) = 0;

protected:
    ~SendObserver() = default;
};

enum class Write { Done, Stopped, Failed };

// How one kind of link carries a send: a chunk, and the end of the data
// (true when all of it has reached the device).  On the send thread.
struct SendWriter {
    Write (*writeChunk)(CaptureState& state, const std::uint8_t* data, std::uint32_t size);
    bool (*endData)(CaptureState& state);
};

// A link is open or a worker has not been waited for yet (a send whose
// data is out keeps both until its close).  FLAG_SENDING alone is no
// obstacle: the send-file command may set it before the open.
inline bool linkBusy(const CaptureState& state) { return linkOpen(state) || state.threadHandle.load() != nullptr; }
// True once a close has asked the worker to stop.
bool stopAsked(const CaptureState& state);

// The start of every send's open: the sender's own copy of data (a block
// also for no bytes), with FLAG_SENDING set.  None, and nothing changed,
// while another link is busy or when the memory can't be had.
std::unique_ptr<std::uint8_t[]> prepareSend(CaptureState& state, const std::uint8_t* data, std::uint32_t size);
// Hands the copy to a new send thread that writes through writer.  False
// (with the copy freed and isOpen clear) when no thread could be started.
bool startSend(CaptureState& state, std::unique_ptr<std::uint8_t[]> copy, std::uint32_t size, SendObserver* observer,
               const SendWriter& writer);
// Asks the send thread to stop (a chunk the device holds up ends at once)
// and waits for it to end.
void stopSendThread(CaptureState& state);
// Clears FLAG_SENDING; true when it was set, i.e. when the caller is the
// one who closes the link.
bool takeSendingFlag(CaptureState& state);
// A failed write, for the debugger's output.
void traceWriteError(unsigned long error);

}  // namespace orv
