#include "link/win32/LanLink.h"
#include "link/win32/SendLink.h"

#include <process.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "base/Text.h"
#include "app/win32/RunControl.h"
#include "capture/win32/FileViews.h"
#include "link/win32/ReceivePath.h"
#include "link/win32/SerialLink.h"
#include "view/win32/ViewWindow.h"

namespace orv {
namespace {

// A device that takes no byte for this long has stopped and the send
// fails; a printing device holds its line for seconds at a time (CTS low,
// a full socket), which is no failure.
constexpr DWORD kSendStallMs = 30000;
// A command byte of the query dialog is written by the user-interface
// thread, which must not wait long.
constexpr DWORD kCommandStallMs = 1000;
// While the socket is full, how often a send is tried again.  Readiness is
// not waited for alone: the platform reports a full socket writable only
// once much of it has drained, which a slow reader may take long to do.
constexpr DWORD kRetryMs = 20;
// After the last chunk: the device's time to take the data before the line
// is dropped, and how long a LAN peer may take to close after our end.
constexpr DWORD kSettleMs = 100;
constexpr DWORD kPeerCloseMs = 1000;

bool isOpenHandle(HANDLE h) { return h && h != INVALID_HANDLE_VALUE; }

SOCKET socketOf(const std::atomic<std::uintptr_t>& slot) { return static_cast<SOCKET>(slot.load()); }

void trace(const char* format, unsigned long value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    OutputDebugStringA(text);
}

bool stopAsked(const CaptureState& s) { return WaitForSingleObject(s.linkStopEvent, 0) == WAIT_OBJECT_0; }

enum class Write { Done, Stopped, Failed };

// Writes all n bytes with writeOverlapped, as long as the device takes
// them: a write that the port ends short (its time-out ran out while CTS
// was low) goes on with the rest.  Fails when no byte has moved for
// stallMs.  The stop ends it at once: the writer waits on its write and on
// the stop together, and cancels its own write.
Write serialWrite(CaptureState& s, const void* data, DWORD n, DWORD stallMs, DWORD& error) {
    error = 0;
    if (!isOpenHandle(s.commHandle)) {
        error = ERROR_INVALID_HANDLE;
        return Write::Failed;
    }
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
            error = GetLastError();
            if (error != ERROR_IO_PENDING) {
                trace("Error - %lu\n", error);
                return Write::Failed;
            }
            error = 0;
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
            error = GetLastError();
            if (error != ERROR_OPERATION_ABORTED && error != ERROR_TIMEOUT && error != ERROR_SEM_TIMEOUT) {
                trace("Error - %lu\n", error);
                return Write::Failed;
            }
            error = 0;
        }
        p += written;
        n -= written;
        if (written > 0) movedAt = GetTickCount();
        if (stopped) return Write::Stopped;
        if (n > 0 && GetTickCount() - movedAt >= stallMs) {
            error = ERROR_WRITE_FAULT;
            trace("Error - %lu\n", error);
            return Write::Failed;
        }
    }
    return Write::Done;
}

// True when the socket takes more bytes within ms milliseconds.
bool waitWritable(SOCKET sock, DWORD ms) {
    fd_set writable;
    FD_ZERO(&writable);
    FD_SET(sock, &writable);
    timeval limit{static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
    return select(0, nullptr, &writable, nullptr, &limit) > 0 && FD_ISSET(sock, &writable);
}

// Sends all n bytes over a non-blocking socket, as long as the peer takes
// them, until no byte went for stallMs; the stop ends it within kRetryMs.
Write lanSend(const CaptureState& s, SOCKET sock, const char* data, int n, DWORD stallMs, int& error) {
    error = 0;
    DWORD movedAt = GetTickCount();
    while (n > 0) {
        int sent = send(sock, data, n, 0);
        if (sent > 0) {
            data += sent;
            n -= sent;
            movedAt = GetTickCount();
            continue;
        }
        error = sent == 0 ? WSAECONNRESET : WSAGetLastError();
        if (error != WSAEWOULDBLOCK) return Write::Failed;
        if (stopAsked(s)) return Write::Stopped;
        if (GetTickCount() - movedAt >= stallMs) {
            error = WSAETIMEDOUT;
            return Write::Failed;
        }
        waitWritable(sock, kRetryMs);
    }
    return Write::Done;
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

// Reads and drops what the device sent, until nothing is waiting.  Input
// left unread when a socket is closed makes the platform reset the
// connection, which throws away what the device has not taken yet.
void discardInput(SOCKET sock) {
    char sink[512];
    for (int rounds = 0; rounds < 4096; ++rounds) {
        u_long waiting = 0;
        if (ioctlsocket(sock, FIONREAD, &waiting) != 0 || waiting == 0) return;
        if (recv(sock, sink, sizeof sink, 0) <= 0) return;
    }
}

// After the last chunk on the LAN: tell the device that the data is
// complete and give it a moment to take it and close its end.
void endLanData(CaptureState& s, SOCKET sock) {
    shutdown(sock, SD_SEND);
    const DWORD start = GetTickCount();
    char sink[512];
    while (GetTickCount() - start < kPeerCloseMs) {
        if (WaitForSingleObject(s.linkStopEvent, 0) == WAIT_OBJECT_0) return;
        int n = recv(sock, sink, sizeof sink, 0);
        if (n == 0 || (n < 0 && WSAGetLastError() != WSAEWOULDBLOCK)) return;
        if (n < 0) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(sock, &readable);
            timeval limit{0, static_cast<long>(kRetryMs * 1000)};
            select(0, &readable, nullptr, nullptr, &limit);
        }
    }
}

struct SendJob {
    CaptureState* state;
    SendObserver* observer;
    bool lan;
};

// Writes sendData in chunks until it is out, a chunk fails or the send is
// cancelled (during a chunk that the device holds up, too); returns true
// only when every chunk went out.
bool sendChunks(const SendJob& job) {
    CaptureState& s = *job.state;
    const std::uint8_t* data = s.sendData;
    const std::uint32_t size = s.sendSize;
    for (std::uint32_t at = 0; at < size;) {
        if (!s.isOpen.load()) return false;  // cancelled after the chunk before
        const std::uint32_t n = size - at < kSendChunk ? size - at : kSendChunk;
        Write sent;
        if (job.lan) {
            int error = 0;
            sent = lanSend(s, socketOf(s.lanSocket), reinterpret_cast<const char*>(data + at),
                           static_cast<int>(n), kSendStallMs, error);
            if (sent == Write::Failed) trace("Error - %lu\n", static_cast<unsigned long>(error));
        } else {
            DWORD error = 0;
            sent = serialWrite(s, data + at, n, kSendStallMs, error);
        }
        if (sent == Write::Stopped) return false;
        if (sent == Write::Failed) {
            PostMessageA(s.mainWindow, UM_LINK_ERROR, LINK_ERROR_SEND, 0);
            return false;
        }
        if (job.observer) job.observer->chunkSent(at, n);
        at += n;
    }
    return s.isOpen.load() != 0;
}

void sendRun(const SendJob& job) {
    CaptureState& s = *job.state;
    if (!sendChunks(job)) return;
    if (job.lan) {
        endLanData(s, socketOf(s.lanSocket));
        s.sendDelivered.store(true);
    } else if (drainTransmitQueue(s)) {
        s.sendDelivered.store(true);
    }
    WaitForSingleObject(s.linkStopEvent, kSettleMs);
}

unsigned runSendThread(void* argument) {
    SendJob job = *static_cast<SendJob*>(argument);
    delete static_cast<SendJob*>(argument);
    CaptureState& s = *job.state;
    try {
        sendRun(job);
    } catch (...) {
        // Nothing may unwind out of a thread; the send simply ends.
    }
    delete[] s.sendData;
    s.sendData = nullptr;
    s.sendSize = 0;
    SetEvent(s.sendDoneEvent);
    // The link is closed on the user-interface thread: a cancel may be
    // closing it at this moment, and only that thread can tell.
    PostMessageA(s.mainWindow, UM_SEND_ENDED, 0, 0);
    return 1;
}

unsigned __stdcall serialSendThread(void* argument) { return runSendThread(argument); }
unsigned __stdcall lanSendThread(void* argument) { return runSendThread(argument); }

// The sender's own copy; never null, also for no bytes.
std::uint8_t* copyOf(const std::uint8_t* data, std::uint32_t size) {
    auto* copy = new (std::nothrow) std::uint8_t[size ? size : 1];
    if (copy && size) std::memcpy(copy, data, size);
    return copy;
}

// Hands the copy to a new send thread.  False (with the copy back in the
// caller's hands and isOpen clear) when no thread could be started.
bool startSend(CaptureState& s, std::uint8_t* copy, std::uint32_t size, SendObserver* observer, bool lan) {
    auto* job = new (std::nothrow) SendJob{&s, observer, lan};
    if (!job) return false;
    ResetEvent(s.linkStopEvent);
    ResetEvent(s.sendDoneEvent);
    s.sendDelivered.store(false);
    s.sendData = copy;
    s.sendSize = size;
    s.isOpen.store(1);
    unsigned id = 0;
    auto thread = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, lan ? lanSendThread : serialSendThread, job, 0, &id));
    if (!thread) {
        delete job;
        s.isOpen.store(0);
        s.sendData = nullptr;
        s.sendSize = 0;
        return false;
    }
    s.threadHandle.store(thread);
    s.threadId.store(id);
    return true;
}

// A link is open or a worker has not been waited for yet (a send whose
// data is out keeps both until its close).  FLAG_SENDING alone is no
// obstacle: the send-file command may set it before the open.
bool linkBusy(const CaptureState& s) {
    return s.isOpen.load() != 0 || s.threadHandle.load() != nullptr;
}

// Asks the send thread to stop (a chunk the device holds up ends at once)
// and waits for it to end.
void stopSendThread(CaptureState& s) {
    s.isOpen.store(0);
    SetEvent(s.linkStopEvent);
    // A flush of the port's buffers is the one call the thread cannot
    // leave by itself.
    if (HANDLE thread = s.threadHandle.load()) CancelSynchronousIo(thread);
    joinLinkThread(s);
    ResetEvent(s.sendDoneEvent);
    delete[] s.sendData;  // only when the thread never ran
    s.sendData = nullptr;
    s.sendSize = 0;
}

bool takeSendingFlag(CaptureState& s) {
    return (s.stateFlags.fetch_and(~static_cast<std::uint32_t>(FLAG_SENDING)) & FLAG_SENDING) != 0;
}

void showSendFailed(CaptureState& s, HWND owner, int error) {
    std::string caption = s.strings->load(IDS_LAN_SEND_CAPTION, 31);
    std::string text = formatWithNumber(s.strings->load(IDS_LAN_SEND_FAILED, 1023), error);
    s.messages->show(owner, text.c_str(), caption.c_str(), MB_OK);
}

}  // namespace

int openSerialSend(CaptureState& s, HWND owner, const std::uint8_t* data, std::uint32_t size,
                   SendObserver* observer) {
    if (linkBusy(s)) return 0;
    std::uint8_t* copy = copyOf(data, size);
    if (!copy) return 0;
    WaitCursor wait;
    s.stateFlags.fetch_or(FLAG_SENDING);
    // The port is opened as the capture opens it ("\\.\COMn"), so that
    // ports above COM9 work too.
    if (!openSerialPort(s, owner)) {
        delete[] copy;
        takeSendingFlag(s);
        return 0;
    }
    // The device may want the lines up before the data comes.
    driveModemLines(s, true);
    if (!startSend(s, copy, size, observer, false)) {
        delete[] copy;
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

int openLanSend(CaptureState& s, HWND owner, const std::uint8_t* data, std::uint32_t size,
                SendObserver* observer) {
    if (linkBusy(s)) return 0;
    std::uint8_t* copy = copyOf(data, size);
    if (!copy) return 0;
    WaitCursor wait;
    s.stateFlags.fetch_or(FLAG_SENDING);
    u_long nonBlocking = 1;
    if (!connectLan(s, owner, s.lanSocket) ||
        ioctlsocket(socketOf(s.lanSocket), FIONBIO, &nonBlocking) != 0 ||
        !startSend(s, copy, size, observer, true)) {
        closeLanSocket(s, s.lanSocket);
        delete[] copy;
        takeSendingFlag(s);
        return 0;
    }
    return 1;
}

int closeLanSend(CaptureState& s, HWND) {
    if (!takeSendingFlag(s)) return 1;
    s.lanState.store(1);
    stopSendThread(s);
    SOCKET sock = socketOf(s.lanSocket);
    if (sock != INVALID_SOCKET) discardInput(sock);
    closeLanSocket(s, s.lanSocket);
    return 1;
}

int closeSend(CaptureState& s) {
    return s.linkKind == 0 ? closeSerialSend(s, s.mainWindow) : closeLanSend(s, s.mainWindow);
}

void sendFileToDevice(CaptureState& s, SendObserver* observer) {
    if (linkBusy(s) || s.linkOpening) return;
    s.connectAbandoned = false;
    HWND main = s.mainWindow;
    setSendControls(s);
    char path[kPathSize];
    copyCut(path, s.writer.captureFilePath());
    if (chooseOpenFile(s, main, path)) {
        std::uint8_t* block = nullptr;
        std::uint32_t size = 0;
        if (readWholeFile(s, main, path, block, size)) {
            showStatusText(s, IDS_STATE_STARTING);
            int started = s.linkKind == 0 ? openSerialSend(s, main, block, size, observer)
                                          : openLanSend(s, main, block, size, observer);
            delete[] block;
            if (started) {
                showStatusText(s, IDS_STATE_RUNNING);
                return;
            }
        }
        if (!s.connectAbandoned) {  // a connect that the user gave up needs no message
            std::string text = s.strings->load(IDS_SEND_FAILED, 1023);
            std::string caption = s.strings->load(IDS_FAILURE_CAPTION, 31);
            s.messages->show(main, text.c_str(), caption.c_str(), MB_ICONWARNING);
        }
    }
    setRunControls(s, false);
    showStatusText(s, IDS_STATE_IDLE);
}

void cancelSend(CaptureState& s) {
    if (s.linkOpening) {
        s.connectAbandoned = true;  // the send has not started: nothing to ask
        return;
    }
    if (!(s.stateFlags.load() & FLAG_SENDING)) return;
    // A send whose data is already out only needs its end; nothing to ask.
    if (WaitForSingleObject(s.sendDoneEvent, 0) != WAIT_OBJECT_0) {
        std::string caption = s.strings->load(IDS_QUESTION_CAPTION, 31);
        std::string text = s.strings->load(IDS_CANCEL_SEND, 1023);
        if (s.messages->show(s.mainWindow, text.c_str(), caption.c_str(), MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
            return;
    }
    // The send may have ended while the question was open; endSend acts
    // only while it has not been closed yet.
    endSend(s);
}

void endSend(CaptureState& s) {
    if (!(s.stateFlags.load() & FLAG_SENDING)) return;
    closeSend(s);
    removeCaret(s);
    setRunControls(s, false);
    showStatusText(s, IDS_STATE_IDLE);
}

void finishSend(CaptureState& s) {
    if (!(s.stateFlags.load() & FLAG_SENDING)) return;
    // sendDoneEvent is reset by every close and open: when it is clear,
    // the message belongs to a send that has been closed already.
    if (WaitForSingleObject(s.sendDoneEvent, 0) != WAIT_OBJECT_0) return;
    endSend(s);
}

int sendCommandBytes(CaptureState& s, const char* bytes, int count) {
    // Only over a capture link: while a file is sent, its thread owns the
    // link and the write record.
    if (count <= 0 || !s.isOpen.load() || (s.stateFlags.load() & FLAG_SENDING)) return 0;
    if (s.linkKind == 0) {
        DWORD error = 0;
        return serialWrite(s, bytes, static_cast<DWORD>(count), kCommandStallMs, error) == Write::Done ? 1 : 0;
    }
    SOCKET sock = socketOf(s.lanSocket);
    if (sock == INVALID_SOCKET) return 0;
    int error = 0;
    // The capture socket is non-blocking: its receive thread waits on its
    // readiness event, not in recv.
    if (lanSend(s, sock, bytes, count, kCommandStallMs, error) == Write::Done) return 1;
    HWND owner = s.queryDialog.load();
    showSendFailed(s, owner ? owner : s.mainWindow, error);
    // A link that takes no command is broken: the run stops as for a
    // failed receive, with the socket left to the stop to close.
    reportLinkFailure(s);
    return 0;
}

}  // namespace orv
