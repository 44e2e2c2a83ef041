#include "link/win32/SerialLink.h"

#include <cstdio>
#include <string>

#include "link/ChunkHandoff.h"
#include "link/LinkRules.h"
#include "link/win32/LinkThread.h"
#include "link/win32/ReceivePath.h"

namespace orv {
namespace {

constexpr DWORD kChunk = 80;

bool isOpenHandle(HANDLE h) { return h && h != INVALID_HANDLE_VALUE; }

void closePort(CaptureState& s) {
    if (isOpenHandle(s.commHandle)) CloseHandle(s.commHandle);
    s.commHandle = INVALID_HANDLE_VALUE;
}

void closeWaitEvent(CaptureState& s) {
    if (s.commWaitEvent) CloseHandle(s.commWaitEvent);
    s.commWaitEvent = nullptr;
}

void noteErrorMask(CaptureState& s, ChunkHandoff& handoff) {
    DWORD errors = 0;
    COMSTAT status{};
    ClearCommError(s.commHandle, &errors, &status);
    if (errors != 0 && s.showCommErrors) {
        char note[32];
        std::snprintf(note, sizeof note, "<CE-%lu>", static_cast<unsigned long>(errors));
        handoff.note(note);
    }
}

enum class Wait { Events, Failed, Stopped };

// Waits for a comm event or the stop; meanwhile the staged capture bytes
// reach the disk when they are due.  The wait stays pending across those
// wake-ups, so a byte that arrives meanwhile ends it at once.
Wait waitCommEvent(CaptureState& s, OVERLAPPED& wait, ChunkHandoff& handoff, DWORD& events) {
    events = 0;
    ResetEvent(wait.hEvent);
    if (WaitCommEvent(s.commHandle, &events, &wait)) return Wait::Events;
    if (GetLastError() != ERROR_IO_PENDING) return Wait::Failed;
    HANDLE handles[2] = {wait.hEvent, s.linkStopEvent};
    DWORD which;
    do {
        which = WaitForMultipleObjects(2, handles, FALSE, keepCaptureDurable(handoff));
    } while (which == WAIT_TIMEOUT);
    DWORD ignored = 0;
    if (which != WAIT_OBJECT_0) {
        CancelIo(s.commHandle);
        GetOverlappedResult(s.commHandle, &wait, &ignored, TRUE);
        return Wait::Stopped;
    }
    if (GetOverlappedResult(s.commHandle, &wait, &ignored, FALSE)) return Wait::Events;
    // A wait ended by a mask change, or by Wine on a quiet pseudo-terminal,
    // is no failure of the port.
    return GetLastError() == ERROR_OPERATION_ABORTED ? Wait::Events : Wait::Failed;
}

// Waits for the stop for ms milliseconds; true when it came.
bool pauseUnlessStopped(CaptureState& s, ChunkHandoff& handoff, DWORD ms) {
    DWORD due = keepCaptureDurable(handoff);
    return WaitForSingleObject(s.linkStopEvent, due < ms ? due : ms) == WAIT_OBJECT_0;
}

// After the port is gone: keep the staged bytes going to the disk until
// the stop that the main window sends in answer to the report.
void idleUntilStopped(CaptureState& s, ChunkHandoff& handoff) {
    while (linkOpen(s)) {
        DWORD limit = keepCaptureDurable(handoff);
        if (WaitForSingleObject(s.linkStopEvent, limit) == WAIT_OBJECT_0) return;
    }
}

unsigned receiveLoop(CaptureState& s) {
    ReceivePath path(s);
    ChunkHandoff& handoff = path.handoff();
    std::uint8_t buffer[kChunk];
    OVERLAPPED wait{};
    wait.hEvent = s.commWaitEvent;
    LineWatch watch;
    if (!SetCommMask(s.commHandle, EV_RXCHAR)) {
        reportLinkFailure(s);
        idleUntilStopped(s, handoff);
        return 0;
    }
    // A driver that ended its last wait with nothing (Wine on a quiet
    // pseudo-terminal does, every few milliseconds, at a cost of its own)
    // is not asked to wait again until bytes come: while the line is
    // quiet, the queue is looked at after each pause instead.
    bool polling = false;
    while (linkOpen(s)) {
        DWORD events = 0;
        Wait waited = Wait::Events;
        if (!polling) waited = waitCommEvent(s, wait, handoff, events);
        if (waited == Wait::Stopped) break;
        // Drain what is queued: after a receive event, and also after an
        // empty one, since a driver may end its wait with bytes queued.
        bool any = false;
        DWORD failure = 0;
        while (linkOpen(s)) {
            DWORD n = serialRead(s, handoff, buffer, kChunk, &failure);
            if (n == 0) break;
            any = true;
            handoff.deliver(buffer, n);
            keepCaptureDurable(handoff);  // a line that never pauses too
        }
        DWORD pause = 0;
        if (any) {
            watch.received();
            polling = false;
        } else if (waited == Wait::Failed || failure != 0) {
            if (watch.failed(GetTickCount64())) {
                // It does not answer any more: the run stops, its file complete.
                reportLinkFailure(s);
                idleUntilStopped(s, handoff);
                break;
            }
            pause = watch.nextPause();
        } else if (!(events & EV_RXCHAR)) {
            pause = watch.quiet();
            polling = true;
        }
        if (pause && pauseUnlessStopped(s, handoff, pause)) break;
        keepCaptureDurable(handoff);
    }
    return 1;
}

unsigned __stdcall serialReceiveThread(void* argument) {
    try {
        return receiveLoop(*static_cast<CaptureState*>(argument));
    } catch (...) {
        return 0;
    }
}

}  // namespace

void fillDeviceControlBlock(DCB& dcb, const CaptureState& s) {
    DeviceControl d = deviceControlFor({s.baudRate, s.byteSize, s.parity, s.stopBits, s.flowControl});
    dcb.BaudRate = d.baudRate;
    dcb.ByteSize = d.byteSize;
    dcb.Parity = d.parity;
    dcb.StopBits = d.stopBits;
    dcb.fBinary = d.binary;
    dcb.fParity = d.checkParity;
    dcb.fOutxDsrFlow = d.outxDsrFlow;
    dcb.fDtrControl = d.dtrControl;
    dcb.fOutxCtsFlow = d.outxCtsFlow;
    dcb.fRtsControl = d.rtsControl;
    dcb.fOutX = d.outX;
    dcb.fInX = d.inX;
    dcb.XonLim = d.xonLim;
    dcb.XoffLim = d.xoffLim;
    dcb.XonChar = d.xonChar;
    dcb.XoffChar = d.xoffChar;
    dcb.fDsrSensitivity = d.dsrSensitivity;
    dcb.fTXContinueOnXoff = d.txContinueOnXoff;
    dcb.fErrorChar = d.replaceErrors;
    dcb.fNull = d.stripNulls;
    dcb.fAbortOnError = d.abortOnError;
    dcb.ErrorChar = d.errorChar;
    dcb.EofChar = d.eofChar;
    dcb.EvtChar = d.evtChar;
    dcb.fDummy2 = 0;
    dcb.wReserved = 0;  // must be zero
}

COMMTIMEOUTS serialTimeouts(const CaptureState& s) {
    SerialTimeouts t = serialTimeoutsFor(s.baudRate);
    return COMMTIMEOUTS{t.readInterval, t.readMultiplier, t.readConstant, t.writeMultiplier, t.writeConstant};
}

void driveModemLines(CaptureState& s, bool up) {
    HandDrivenLines lines = handDrivenLines(s.flowControl);
    if (lines.dtr) EscapeCommFunction(s.commHandle, up ? SETDTR : CLRDTR);
    if (lines.rts) EscapeCommFunction(s.commHandle, up ? SETRTS : CLRRTS);
}

int applySerialSettings(CaptureState& s, HWND) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(s.commHandle, &dcb);
    fillDeviceControlBlock(dcb, s);
    return SetCommState(s.commHandle, &dcb);
}

DWORD serialRead(CaptureState& s, ChunkHandoff& handoff, std::uint8_t* buffer, DWORD maxBytes, DWORD* failure) {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(s.commHandle, &errors, &status)) {
        if (failure) *failure = GetLastError();
        return 0;
    }
    DWORD n = status.cbInQue < maxBytes ? status.cbInQue : maxBytes;
    if (n == 0) return 0;
    DWORD got = 0;
    if (ReadFile(s.commHandle, buffer, n, nullptr, &s.readOverlapped)) {
        GetOverlappedResult(s.commHandle, &s.readOverlapped, &got, FALSE);
        return got;
    }
    DWORD error = GetLastError();
    if (error == ERROR_IO_PENDING) {
        OutputDebugStringA("\n\rIO Pending");
        if (GetOverlappedResult(s.commHandle, &s.readOverlapped, &got, TRUE)) return got;
        char note[32];
        std::snprintf(note, sizeof note, "<CE-%lu>", static_cast<unsigned long>(GetLastError()));
        handoff.note(note);
        noteErrorMask(s, handoff);
        return got;
    }
    if (failure) *failure = error;
    endQueryDialog(s);
    noteErrorMask(s, handoff);
    return 0;
}

int openSerialPort(CaptureState& s, HWND view) {
    // Port 0 names no port: a number the one-byte field cannot hold ends up
    // here rather than opening some other port.
    if (s.portNumber == 0) return 0;
    std::string prefix = s.strings->load(IDS_PORT_PREFIX, 9);
    char name[32];
    std::snprintf(name, sizeof name, "\\\\.\\%s%d", prefix.c_str(), s.portNumber);
    s.commHandle = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    if (!isOpenHandle(s.commHandle)) {
        s.commHandle = INVALID_HANDLE_VALUE;
        return 0;
    }
    SetCommMask(s.commHandle, EV_RXCHAR);
    SetupComm(s.commHandle, 4096, 4096);
    PurgeComm(s.commHandle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    COMMTIMEOUTS timeouts = serialTimeouts(s);
    SetCommTimeouts(s.commHandle, &timeouts);
    if (!applySerialSettings(s, view)) {
        DWORD error = GetLastError();
        s.isOpen.store(0);
        closePort(s);
        tellUser(s, view, IDS_LINK_CAPTION, IDS_LINK_FAILED, error, MB_ICONWARNING);
        return 0;
    }
    return 1;
}

int openSerialCapture(CaptureState& s, HWND view) {
    WaitCursor wait;
    if (!openSerialPort(s, view)) return 0;
    // The receive thread's wait event is made here, so that a failure is
    // told while nothing runs yet, rather than by a thread that the stop
    // would have to wait for while its message box is open.
    s.commWaitEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!s.commWaitEvent) {
        closePort(s);
        s.messages->show(nullptr, "Failed to create event for thread!", "Error!", MB_ICONWARNING);
        return 0;
    }
    ResetEvent(s.linkStopEvent);
    s.linkFailed.store(false);
    s.isOpen.store(1);
    if (!startLinkThread(s, serialReceiveThread)) {
        s.isOpen.store(0);
        closePort(s);
        closeWaitEvent(s);
        return 0;
    }
    driveModemLines(s, true);
    return 1;
}

int closeSerialCapture(CaptureState& s, HWND) {
    s.isOpen.store(0);
    SetEvent(s.linkStopEvent);
    if (isOpenHandle(s.commHandle)) SetCommMask(s.commHandle, 0);
    joinLinkThread(s);
    closeWaitEvent(s);
    if (isOpenHandle(s.commHandle)) {
        driveModemLines(s, false);
        PurgeComm(s.commHandle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    }
    closePort(s);
    return 1;
}

}  // namespace orv
