// The serial link on Windows: a COM port with overlapped I/O, so that every
// wait watches the port and the stop together and a stop never needs the
// handle closed under a call.  Reading and writing have a record and an
// event each: the capture thread reads while the query writes.
#include <windows.h>

#include <algorithm>
#include <mutex>

#include "base/win32/Owned.h"
#include "link/DeviceLink.h"
#include "link/win32/LinkHandles.h"
#include "link/win32/LinkText.h"
#include "link/win32/SerialSetup.h"

namespace orv {
namespace {

constexpr DWORD kQueueSize = 4096;
// One WriteFile at most: its time-out (ms per byte) then ends it within
// seconds, short when the device holds CTS low, so the stall rule sees the
// bytes that moved.
constexpr DWORD kWritePiece = kQueueSize;
// After a write that the port ended with nothing (CTS low): the pause
// before the next try.
constexpr DWORD kHeldLinePauseMs = 10;
constexpr DWORD kDrainPollMs = 10;
// The longest a read of bytes already queued may take: beyond the port's
// own read time-out (serialTimeoutsFor).
constexpr DWORD kQueuedReadLimitMs = 2000;

const char kDevicePrefix[] = "\\\\.\\";

enum class Io { Done, Failed, TimedOut, Stopped };

std::uint64_t nowMs() { return GetTickCount64(); }

// What is left of ms since start; INFINITE for a negative ms.
DWORD msLeft(int ms, std::uint64_t start) {
    if (ms < 0) return INFINITE;
    const std::uint64_t spent = nowMs() - start;
    return spent >= static_cast<std::uint64_t>(ms) ? 0 : static_cast<DWORD>(ms - spent);
}

class SerialPort final : public DeviceLink {
public:
    SerialPort(const std::string& device, const StopSignal& stop, const SerialLine& line)
        : name_(device.rfind(kDevicePrefix, 0) == 0 ? device.substr(sizeof kDevicePrefix - 1) : device),
          stop_(stop),
          stopEvent_(reinterpret_cast<HANDLE>(stop.waitable())),
          line_(line) {}
    ~SerialPort() override { SerialPort::close(); }

    bool open(LinkError& error) override;
    long read(std::uint8_t* buffer, std::size_t size, int ms, LinkError& error) override;
    bool write(const std::uint8_t* data, std::size_t size, int stallMs, LinkError& error) override;
    bool finishWrites(int stallMs, LinkError& error) override;
    void close() override;
    LineErrors takeLineErrors() override;
    const std::string& name() const override { return name_; }

    HANDLE handle() const { return port_.get(); }

private:
    enum class Turn { Byte, Empty, Ended, Failed };

    Io await(OVERLAPPED& o, DWORD ms, DWORD& count, DWORD& failure);
    long readQueued(std::uint8_t* buffer, std::size_t size, DWORD& failure);
    Turn awaitByte(DWORD ms, DWORD& failure);
    bool queueState(COMSTAT& status);
    void noteLineErrors(DWORD mask);
    void driveLines(bool up);
    bool fail(LinkError& error, LinkFailure kind, DWORD code, const std::string& what);

    std::string name_;
    const StopSignal& stop_;
    HANDLE stopEvent_;
    SerialLine line_;
    FileHandle port_;
    KernelHandle readEvent_;
    KernelHandle writeEvent_;
    // The reader's alone.
    LineWatch watch_;
    bool polling_ = false;
    // Both threads ask the port for its state, and each such call takes
    // the errors it reports.
    std::mutex errorsLock_;
    LineErrors errors_;
};

bool SerialPort::fail(LinkError& error, LinkFailure kind, DWORD code, const std::string& what) {
    error.set(kind, static_cast<long>(code), name_ + ": " + what + systemText(code));
    return false;
}

bool SerialPort::open(LinkError& error) {
    close();
    // "\\.\COMn" reaches the ports above COM9 too.
    port_.reset(CreateFileW(wideFromUtf8(kDevicePrefix + name_).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    if (!port_) return fail(error, LinkFailure::Open, GetLastError(), "");
    readEvent_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    writeEvent_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!readEvent_ || !writeEvent_) {
        const DWORD code = GetLastError();
        close();
        return fail(error, LinkFailure::Open, code, "");
    }
    // Only advice to the driver, which may keep sizes of its own.
    SetupComm(port_.get(), kQueueSize, kQueueSize);
    // What a former program left unsent goes; what the device has sent
    // already is its data and stays.
    PurgeComm(port_.get(), PURGE_TXABORT | PURGE_TXCLEAR);
    COMMTIMEOUTS timeouts = serialTimeouts(line_);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    bool set = SetCommTimeouts(port_.get(), &timeouts) && GetCommState(port_.get(), &dcb);
    if (set) {
        fillDeviceControlBlock(dcb, line_);
        set = SetCommState(port_.get(), &dcb) && SetCommMask(port_.get(), EV_RXCHAR);
    }
    if (!set) {
        const DWORD code = GetLastError();
        close();
        return fail(error, LinkFailure::Settings, code, "the port refused its line settings: ");
    }
    driveLines(true);
    watch_ = LineWatch{};
    polling_ = false;
    takeLineErrors();
    return true;
}

void SerialPort::close() {
    if (port_.get()) driveLines(false);
    port_.reset();
    readEvent_.reset();
    writeEvent_.reset();
}

// The lines that no handshake drives go up while the port is open.  A
// pseudo-terminal under Wine refuses them: nothing to be done there.
void SerialPort::driveLines(bool up) {
    const HandDrivenLines lines = handDrivenLines(line_.flowControl);
    if (lines.dtr) EscapeCommFunction(port_.get(), up ? SETDTR : CLRDTR);
    if (lines.rts) EscapeCommFunction(port_.get(), up ? SETRTS : CLRRTS);
}

void SerialPort::noteLineErrors(DWORD mask) {
    if (mask == 0) return;
    std::lock_guard<std::mutex> lock(errorsLock_);
    errors_.add(mask);
}

LineErrors SerialPort::takeLineErrors() {
    std::lock_guard<std::mutex> lock(errorsLock_);
    LineErrors taken = errors_;
    errors_ = LineErrors{};
    return taken;
}

bool SerialPort::queueState(COMSTAT& status) {
    DWORD errors = 0;
    status = COMSTAT{};
    if (!ClearCommError(port_.get(), &errors, &status)) return false;
    noteLineErrors(errors);
    return true;
}

// Ends a started overlapped call: waits up to ms for it and the stop
// together.  One still pending then is cancelled and waited for, since
// its record and buffer stay the driver's until it lets go of them; count
// is what moved all the same.
Io SerialPort::await(OVERLAPPED& o, DWORD ms, DWORD& count, DWORD& failure) {
    HANDLE handles[2] = {o.hEvent, stopEvent_};
    const DWORD which = WaitForMultipleObjects(2, handles, FALSE, ms);
    Io io = Io::Done;
    if (which != WAIT_OBJECT_0) {
        io = which == WAIT_OBJECT_0 + 1 ? Io::Stopped : which == WAIT_TIMEOUT ? Io::TimedOut : Io::Failed;
        if (io == Io::Failed) failure = GetLastError();
        CancelIoEx(port_.get(), &o);
    }
    count = 0;
    if (!GetOverlappedResult(port_.get(), &o, &count, TRUE) && io == Io::Done) {
        failure = GetLastError();
        io = Io::Failed;
    }
    return io;
}

// Takes what the port holds, up to size.  0 with failure set when the
// port does not answer.
long SerialPort::readQueued(std::uint8_t* buffer, std::size_t size, DWORD& failure) {
    COMSTAT status;
    if (!queueState(status)) {
        failure = GetLastError();
        return 0;
    }
    if (status.cbInQue == 0) return 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, status.cbInQue));
    OVERLAPPED o{};
    o.hEvent = readEvent_.get();
    DWORD got = 0, error = 0;
    if (ReadFile(port_.get(), buffer, want, nullptr, &o)) {
        GetOverlappedResult(port_.get(), &o, &got, FALSE);
        return static_cast<long>(got);
    }
    error = GetLastError();
    if (error != ERROR_IO_PENDING) {
        failure = error;
        return 0;
    }
    // Queued bytes end the read at once, at the latest when the port's read
    // time-out runs out.  This one wait leaves the stop aside: what the port
    // holds is still returned after a stop.
    if (WaitForSingleObject(o.hEvent, kQueuedReadLimitMs) != WAIT_OBJECT_0) CancelIoEx(port_.get(), &o);
    if (!GetOverlappedResult(port_.get(), &o, &got, TRUE)) {
        error = GetLastError();
        std::lock_guard<std::mutex> lock(errorsLock_);
        errors_.readFailure = error;
        // Failing again and again, the port is given up as any other.
        if (got == 0) failure = error;
    }
    return static_cast<long>(got);
}

// Waits for a received byte as the port tells it.
SerialPort::Turn SerialPort::awaitByte(DWORD ms, DWORD& failure) {
    OVERLAPPED o{};
    o.hEvent = readEvent_.get();
    DWORD events = 0;
    if (!WaitCommEvent(port_.get(), &events, &o)) {
        DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING) {
            failure = error;
            return Turn::Failed;
        }
        DWORD ignored = 0;
        switch (await(o, ms, ignored, error)) {
        case Io::Done: break;
        case Io::Stopped:
        case Io::TimedOut: return Turn::Ended;
        case Io::Failed:
            // Wine on a pseudo-terminal ends the wait by itself a few
            // milliseconds later, with this and no event.
            if (error == ERROR_OPERATION_ABORTED) return Turn::Empty;
            failure = error;
            return Turn::Failed;
        }
    }
    return (events & EV_RXCHAR) ? Turn::Byte : Turn::Empty;
}

long SerialPort::read(std::uint8_t* buffer, std::size_t size, int ms, LinkError& error) {
    if (!port_) {
        fail(error, LinkFailure::Failed, ERROR_INVALID_HANDLE, "");
        return -1;
    }
    const std::uint64_t start = nowMs();
    for (;;) {
        DWORD failure = 0;
        const long got = readQueued(buffer, size, failure);
        if (got > 0) {
            watch_.received();
            polling_ = false;
            return got;
        }
        DWORD pause = 0;
        if (failure == 0) {
            if (stop_.requested() || msLeft(ms, start) == 0) return 0;
            if (polling_) {
                pause = watch_.quiet();
            } else {
                // A driver that ended its wait with nothing (Wine on a quiet
                // pseudo-terminal does so every few milliseconds) is not asked
                // again until bytes come: the queue is looked at after each
                // pause instead, so a quiet line costs next to nothing.
                const Turn turn = awaitByte(msLeft(ms, start), failure);
                if (turn == Turn::Byte || turn == Turn::Ended) continue;
                if (turn == Turn::Empty) {
                    polling_ = true;
                    pause = watch_.quiet();
                }
            }
        }
        if (failure != 0) {
            // A pulled USB adapter: every call fails from then on.
            if (watch_.failed(nowMs())) {
                error.set(LinkFailure::Gone, static_cast<long>(failure), goneText(systemText(failure)));
                return -1;
            }
            pause = watch_.nextPause();
        }
        const DWORD left = msLeft(ms, start);
        if (left == 0 || stop_.wait(static_cast<int>(std::min(pause, left)))) return 0;
    }
}

bool SerialPort::write(const std::uint8_t* data, std::size_t size, int stallMs, LinkError& error) {
    if (!port_) return fail(error, LinkFailure::Failed, ERROR_INVALID_HANDLE, "");
    std::uint64_t movedAt = nowMs();
    while (size > 0) {
        if (stop_.requested()) {
            error.set(LinkFailure::Stopped, 0, kStoppedText);
            return false;
        }
        const DWORD left = msLeft(stallMs, movedAt);
        if (left == 0) {
            error.set(LinkFailure::Stalled, 0, stalledText(stallMs));
            return false;
        }
        OVERLAPPED o{};
        o.hEvent = writeEvent_.get();
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(size, kWritePiece));
        DWORD done = 0, failure = 0;
        Io io = Io::Done;
        if (WriteFile(port_.get(), data, piece, nullptr, &o)) {
            GetOverlappedResult(port_.get(), &o, &done, FALSE);
        } else if ((failure = GetLastError()) == ERROR_IO_PENDING) {
            io = await(o, left, done, failure);
        } else {
            io = Io::Failed;
        }
        data += done;
        size -= done;
        if (done > 0) movedAt = nowMs();
        if (io == Io::Stopped) continue;
        // Where the port's time-out ends a write short, Windows says so
        // with success, Wine with one of these.
        if (io == Io::Failed && failure != ERROR_TIMEOUT && failure != ERROR_SEM_TIMEOUT)
            return fail(error, LinkFailure::Failed, failure, "");
        if (done == 0 && io != Io::TimedOut) stop_.wait(kHeldLinePauseMs);
    }
    return true;
}

bool SerialPort::finishWrites(int stallMs, LinkError& error) {
    if (!port_) return fail(error, LinkFailure::Failed, ERROR_INVALID_HANDLE, "");
    std::uint64_t movedAt = nowMs();
    DWORD queued = MAXDWORD;
    for (;;) {
        COMSTAT status;
        if (!queueState(status)) return fail(error, LinkFailure::Failed, GetLastError(), "");
        if (status.cbOutQue == 0) break;
        if (status.cbOutQue != queued) {
            queued = status.cbOutQue;
            movedAt = nowMs();
        } else if (msLeft(stallMs, movedAt) == 0) {
            error.set(LinkFailure::Stalled, 0, stalledText(stallMs));
            return false;
        }
        if (stop_.wait(kDrainPollMs)) {
            error.set(LinkFailure::Stopped, 0, kStoppedText);
            return false;
        }
    }
    if (!FlushFileBuffers(port_.get())) return fail(error, LinkFailure::Failed, GetLastError(), "");
    return true;
}

}  // namespace

void fillDeviceControlBlock(DCB& dcb, const SerialLine& line) {
    const DeviceControl d = deviceControlFor(line);
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = d.baudRate;
    dcb.fBinary = d.binary;
    dcb.fParity = d.checkParity;
    dcb.fOutxCtsFlow = d.outxCtsFlow;
    dcb.fOutxDsrFlow = d.outxDsrFlow;
    dcb.fDtrControl = d.dtrControl;
    dcb.fDsrSensitivity = d.dsrSensitivity;
    dcb.fTXContinueOnXoff = d.txContinueOnXoff;
    dcb.fOutX = d.outX;
    dcb.fInX = d.inX;
    dcb.fErrorChar = d.replaceErrors;
    dcb.fNull = d.stripNulls;
    dcb.fRtsControl = d.rtsControl;
    dcb.fAbortOnError = d.abortOnError;
    dcb.fDummy2 = 0;
    dcb.wReserved = 0;  // must be zero
    dcb.XonLim = d.xonLim;
    dcb.XoffLim = d.xoffLim;
    dcb.ByteSize = d.byteSize;
    dcb.Parity = d.parity;
    dcb.StopBits = d.stopBits;
    dcb.XonChar = d.xonChar;
    dcb.XoffChar = d.xoffChar;
    dcb.ErrorChar = d.errorChar;
    dcb.EofChar = d.eofChar;
    dcb.EvtChar = d.evtChar;
}

COMMTIMEOUTS serialTimeouts(const SerialLine& line) {
    const SerialTimeouts t = serialTimeoutsFor(line.baudRate);
    return COMMTIMEOUTS{t.readInterval, t.readMultiplier, t.readConstant, t.writeMultiplier, t.writeConstant};
}

HANDLE serialPortHandle(const DeviceLink& link) {
    const auto* port = dynamic_cast<const SerialPort*>(&link);
    return port ? port->handle() : INVALID_HANDLE_VALUE;
}

std::unique_ptr<DeviceLink> makeSerialLink(const std::string& device, const StopSignal& stop, const SerialLine& line) {
    return std::make_unique<SerialPort>(device, stop, line);
}

}  // namespace orv
