// The serial link's writes: a send's chunks, the drain after its last one,
// and the query's command bytes.
#include <cstdint>

#include "link/win32/SendThread.h"
#include "link/win32/SerialLink.h"

namespace orv {
namespace {

bool isOpenHandle(HANDLE h) { return h && h != INVALID_HANDLE_VALUE; }

// Writes all n bytes with writeOverlapped, as long as the device takes
// them: a write that the port ends short (its time-out ran out while CTS
// was low) goes on with the rest.  Fails when no byte has moved for
// stallMs.  The stop ends it at once: the writer waits on its write and on
// the stop together, and cancels its own write.
Write serialWrite(CaptureState& s, const void* data, DWORD n, DWORD stallMs) {
    if (!isOpenHandle(s.commHandle)) return Write::Failed;
    const auto* p = static_cast<const std::uint8_t*>(data);
    OVERLAPPED& o = s.writeOverlapped;
    HANDLE event = o.hEvent;
    DWORD movedAt = GetTickCount();
    while (n > 0) {
        o = OVERLAPPED{};
        o.hEvent = event;
        ResetEvent(event);
        bool stopped = false;
        if (!WriteFile(s.commHandle, p, n, nullptr, &o)) {
            DWORD error = GetLastError();
            if (error != ERROR_IO_PENDING) {
                traceWriteError(error);
                return Write::Failed;
            }
            const DWORD idle = GetTickCount() - movedAt;
            HANDLE handles[2] = {event, s.linkStopEvent};
            DWORD which = WaitForMultipleObjects(2, handles, FALSE, idle < stallMs ? stallMs - idle : 0);
            if (which != WAIT_OBJECT_0) {
                stopped = which == WAIT_OBJECT_0 + 1;
                CancelIo(s.commHandle);
            }
        }
        // Waits for a cancelled write too: the record and the bytes stay in
        // use until the port has let go of them.
        DWORD written = 0;
        if (!GetOverlappedResult(s.commHandle, &o, &written, TRUE)) {
            // A cancelled write, and one whose time-out ran out (Wine says so
            // with a failure where Windows ends the write short), still tell
            // what moved.
            DWORD error = GetLastError();
            if (error != ERROR_OPERATION_ABORTED && error != ERROR_TIMEOUT && error != ERROR_SEM_TIMEOUT) {
                traceWriteError(error);
                return Write::Failed;
            }
        }
        p += written;
        n -= written;
        if (written > 0) movedAt = GetTickCount();
        if (stopped) return Write::Stopped;
        if (n > 0 && GetTickCount() - movedAt >= stallMs) {
            traceWriteError(ERROR_WRITE_FAULT);
            return Write::Failed;
        }
    }
    return Write::Done;
}

Write writeSendChunk(CaptureState& s, const std::uint8_t* data, std::uint32_t size) {
    return serialWrite(s, data, size, kSendStallMs);
}

// After the last chunk: waits until the port has sent everything, its
// transmit queue empty and its buffers flushed, for as long as bytes keep
// leaving.  True when all is out; false at the stop or when nothing has
// left for kSendStallMs.
bool drainTransmitQueue(CaptureState& s) {
    DWORD errors = 0, queued = MAXDWORD, movedAt = GetTickCount();
    COMSTAT status{};
    for (;;) {
        if (!ClearCommError(s.commHandle, &errors, &status)) return false;
        if (status.cbOutQue == 0) break;
        if (status.cbOutQue != queued) {
            queued = status.cbOutQue;
            movedAt = GetTickCount();
        } else if (GetTickCount() - movedAt >= kSendStallMs) {
            return false;
        }
        if (WaitForSingleObject(s.linkStopEvent, 10) == WAIT_OBJECT_0) return false;
    }
    return FlushFileBuffers(s.commHandle) != 0;
}

const SendWriter kSerialWriter{writeSendChunk, drainTransmitQueue};

}  // namespace

int openSerialSend(CaptureState& s, HWND owner, const std::uint8_t* data, std::uint32_t size, SendObserver* observer) {
    std::unique_ptr<std::uint8_t[]> copy = prepareSend(s, data, size);
    if (!copy) return 0;
    WaitCursor wait;
    // The port is opened as the capture opens it ("\\.\COMn"), so that
    // ports above COM9 work too.
    if (!openSerialPort(s, owner)) {
        takeSendingFlag(s);
        return 0;
    }
    // The device may want the lines up before the data comes.
    driveModemLines(s, true);
    if (!startSend(s, std::move(copy), size, observer, kSerialWriter)) {
        CloseHandle(s.commHandle);
        s.commHandle = INVALID_HANDLE_VALUE;
        takeSendingFlag(s);
        return 0;
    }
    return 1;
}

int closeSerialSend(CaptureState& s, HWND) {
    if (!takeSendingFlag(s)) return 1;
    stopSendThread(s);
    if (isOpenHandle(s.commHandle)) {
        driveModemLines(s, false);
        // Only what a cancel or a failure left unsent is thrown away; a send
        // that ended well has drained the port already.
        if (!s.sendDelivered.load())
            PurgeComm(s.commHandle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
        CloseHandle(s.commHandle);
    }
    s.commHandle = INVALID_HANDLE_VALUE;
    return 1;
}

int writeSerialCommand(CaptureState& s, const char* bytes, int count) {
    return serialWrite(s, bytes, static_cast<DWORD>(count), kCommandStallMs) == Write::Done ? 1 : 0;
}

}  // namespace orv
