// The unattended capture, with nothing of the operating system: a link
// that opens, reads and closes; a host that tells the time, pauses and
// says when to stop; files through the disk seam.  The same loop runs on
// Linux and on Windows.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/FileSystem.h"
#include "capture/CaptureWriter.h"

namespace orv::companion {

// One end of the device link as the capture sees it.
class DeviceLink {
public:
    virtual ~DeviceLink() = default;
    // Opens the link; false with why it could not.  A connect that has not
    // been answered within connectLimitMs fails.
    virtual bool open(std::string& why) = 0;
    void setConnectLimit(int ms) { connectLimitMs = ms; }
    // Waits up to ms for bytes: their count, 0 when none came (or a stop
    // was asked), -1 when the link has ended (why says how).
    virtual long read(std::uint8_t* buffer, std::size_t size, int ms, std::string& why) = 0;
    // Writes all of data, waiting while the device holds the line back;
    // false (why) when nothing moved for stallMs, the link failed or a stop
    // was asked.
    virtual bool write(const std::uint8_t* data, std::size_t size, int stallMs, std::string& why) = 0;
    // After the last write: true once every byte has left (serial: the
    // output queue is empty; LAN: our side is shut down and the device's
    // close was seen, or it had a second for it).
    virtual bool finishWrites(int stallMs, std::string& why) = 0;
    virtual void close() = 0;

protected:
    // A device on the LAN answers a connect in milliseconds; one that has
    // not answered in this long is not there.
    int connectLimitMs = 10000;
};

// What a capture shows while it runs, for a status line.
struct CaptureStatus {
    std::string file;             // empty between files
    std::uint64_t fileBytes = 0;  // in the current file
    std::uint64_t totalBytes = 0;
    bool connected = false;
};

// What the capture needs of the world besides the link.
class CaptureHost {
public:
    virtual ~CaptureHost() = default;
    virtual std::uint64_t nowMs() = 0;  // a clock that only goes forward
    virtual LocalTime localTime() = 0;
    virtual bool stopRequested() = 0;
    virtual void pause(int ms) = 0;                   // ends early when a stop is asked
    virtual void event(const std::string& line) = 0;  // one event; the host adds the time
    virtual void status(const CaptureStatus&) {}
};

struct CaptureOptions {
    std::string folder = ".";
    int splitIdleSeconds = 0;  // 0: a file lasts as long as its connection
    bool once = false;
    int forSeconds = 0;  // 0: until a stop
};

// The pause before the next attempt: 1 s, doubling up to 30 s; back to 1 s
// once a connection has brought data.
class Backoff {
public:
    static constexpr int kFirstMs = 1000, kLongestMs = 30000;
    int next() {
        int ms = next_;
        next_ = next_ >= kLongestMs / 2 ? kLongestMs : next_ * 2;
        return ms;
    }
    void reset() { next_ = kFirstMs; }

private:
    int next_ = kFirstMs;
};

// "YYYYMMDD-HHMMSS.zrd" of a local time, zero-padded so that names sort by
// time; attempt 2 and on add "_2", "_3"... before the extension.
std::string captureFileName(const LocalTime& time, int attempt);

// The files of one capture: each starts at its first byte, under a name
// that is never an existing file's.  Bytes wait in memory at most about a
// second before they are written and synced.
class CaptureFiles {
public:
    static constexpr std::uint64_t kDurableAfterMs = 1000;
    static constexpr std::size_t kBlock = 65536;

    CaptureFiles(FileSystem& fs, std::string folder) : fs_(fs), folder_(std::move(folder)) {}
    ~CaptureFiles();
    CaptureFiles(const CaptureFiles&) = delete;
    CaptureFiles& operator=(const CaptureFiles&) = delete;

    bool isOpen() const { return file_ != FileSystem::kNoFile; }
    const std::string& path() const { return path_; }
    std::uint64_t bytes() const { return bytes_; }

    // Creates the next file; false with why.
    bool start(const LocalTime& time, std::string& why);
    bool write(const std::uint8_t* data, std::size_t size, std::uint64_t nowMs, std::string& why);
    // Writes and syncs what has waited long enough; false with why.
    bool keepDurable(std::uint64_t nowMs, std::string& why);
    // How long until keepDurable has work (-1: nothing waits).
    long long msUntilDue(std::uint64_t nowMs) const;
    // Writes the rest, syncs and closes; false with why (the file is closed).
    bool finish(std::string& why);

private:
    bool flush(std::string& why);

    FileSystem& fs_;
    std::string folder_;
    FileSystem::Handle file_ = FileSystem::kNoFile;
    std::string path_;
    std::uint64_t bytes_ = 0;
    std::string staged_;
    bool unsynced_ = false;
    std::uint64_t oldestUnsyncedMs_ = 0;
};

// Captures until a stop, the time limit, or with once the first end of the
// link.  Returns the exit status: 0, or 1 when the folder can't be made or
// written, or when with once the link never opened.
int runUnattendedCapture(DeviceLink& link, CaptureHost& host, FileSystem& fs, const CaptureOptions& options);

}  // namespace orv::companion
