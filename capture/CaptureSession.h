// The capture session: the one loop that every front end runs to capture
// what the device sends.  It opens the link (again after a back-off when
// asked to reconnect), reads it, hands every chunk to the front end and to
// its target (the files), keeps the files on the disk by the clock, and on
// a stop reads what is already waiting before it closes the link.  What
// happens is told through CaptureEvents, on the session's own thread.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "base/Clock.h"
#include "base/FileSystem.h"
#include "link/DeviceLink.h"

namespace orv {

// What a capture shows while it runs, for a status line.
struct CaptureStatus {
    std::string file;             // empty between files
    std::uint64_t fileBytes = 0;  // in the current file
    std::uint64_t totalBytes = 0;
    bool connected = false;
};

// Told on the session's thread; none of them may wait for a user-interface
// thread.
class CaptureEvents {
public:
    virtual void linkOpened() {}
    virtual void linkOpenFailed(const LinkError&) {}
    virtual void linkLost(const LinkError&) {}
    // Every chunk, before it is stored.
    virtual void received(const std::uint8_t*, std::size_t) {}
    virtual void lineErrors(const LineErrors&) {}
    virtual void fileStarted(const std::string&) {}
    virtual void fileClosed(const std::string&, std::uint64_t) {}
    // Bytes could not be stored: why names the file and the failure.
    virtual void storeFailed(const std::string& why, SysError error) {}
    virtual void status(const CaptureStatus&) {}

protected:
    ~CaptureEvents() = default;
};

// The clock of a session and its pauses; tests play time with it.
class SessionClock {
public:
    virtual ~SessionClock() = default;
    virtual std::uint64_t nowMs() = 0;
    virtual LocalTime localTime() = 0;
    // Waits ms, or until the stop; true when stopped.
    virtual bool pause(int ms) = 0;
};

// The real clocks, pausing on the stop.
class SystemClock final : public SessionClock {
public:
    explicit SystemClock(const StopSignal& stop) : stop_(stop) {}
    std::uint64_t nowMs() override { return monotonicMs(); }
    LocalTime localTime() override { return localTimeNow(); }
    bool pause(int ms) override { return stop_.wait(ms); }

private:
    const StopSignal& stop_;
};

// Where a session's bytes go.  False from any of these ends the session
// (StoreFailed); the target has told why through the events.
class CaptureTarget {
public:
    virtual ~CaptureTarget() = default;
    virtual bool store(const std::uint8_t* data, std::size_t size, std::uint64_t nowMs, CaptureEvents& events) = 0;
    // Writes, syncs and splits what is due at nowMs.
    virtual bool keepDurable(std::uint64_t nowMs, CaptureEvents& events) = 0;
    // Milliseconds until keepDurable has work; -1 when nothing waits.
    virtual long long msUntilDue(std::uint64_t nowMs) const = 0;
    // A connection has ended, or the session does.
    virtual bool connectionEnded(CaptureEvents& events) = 0;
    virtual std::string currentFile() const = 0;
    virtual std::uint64_t currentBytes() const = 0;
};

struct SessionOptions {
    // Open the link again after it failed to open or ended: 1 s, doubling
    // up to 30 s, and 1 s again once a connection brought data.  Without,
    // the session ends with the link.
    bool reconnect = false;
    std::uint64_t forMs = 0;  // 0: until a stop
};

// DeviceClosed: the device ended the connection in order; LinkLost: the
// link broke (a reset, a device that vanished, a port that went away).
// Both only without reconnecting.
enum class SessionEnd { Stopped, TimeUp, OpenFailed, DeviceClosed, LinkLost, StoreFailed };

// A session ended as it may (a stop, its time, the device's own close),
// not by a failure that its caller must be told of.
inline bool endedInOrder(SessionEnd end) {
    return end == SessionEnd::Stopped || end == SessionEnd::TimeUp || end == SessionEnd::DeviceClosed;
}

// The pause before the next attempt to open the link.
class Backoff {
public:
    static constexpr int kFirstMs = 1000, kLongestMs = 30000;
    int next() {
        const int ms = next_;
        next_ = next_ >= kLongestMs / 2 ? kLongestMs : next_ * 2;
        return ms;
    }
    void reset() { next_ = kFirstMs; }

private:
    int next_ = kFirstMs;
};

class CaptureSession {
public:
    static constexpr std::size_t kReadSize = 65536;
    // The longest a read waits, so that the status is drawn afresh.
    static constexpr int kLongestWaitMs = 1000;
    // After a stop: what is already waiting in the port, at most this many
    // reads, is still stored.
    static constexpr int kDrainReads = 64;

    CaptureSession(DeviceLink& link, CaptureTarget& target, CaptureEvents& events, SessionClock& clock,
                   const StopSignal& stop, SessionOptions options = {});
    SessionEnd run();

private:
    enum class Served { Over, Closed, Lost, StoreFailed };
    Served serve();
    bool deliver(long n, std::uint64_t nowMs);
    void drain();
    bool over();
    int waitLimit();
    int pauseLimit(int ms);

    DeviceLink& link_;
    CaptureTarget& target_;
    CaptureEvents& events_;
    SessionClock& clock_;
    const StopSignal& stop_;
    SessionOptions options_;
    std::uint64_t endAt_ = 0;
    CaptureStatus status_;
    std::unique_ptr<std::uint8_t[]> buffer_;
};

}  // namespace orv
