// The two ways a capture session stores its bytes.
#pragma once
#include <cstdint>
#include <string>

#include "capture/CaptureFile.h"
#include "capture/CaptureSession.h"

namespace orv {

// The unattended capture's files: each starts at its first byte, named by
// the local time of that byte ("YYYYMMDD-HHMMSS.zrd", "_2", "_3"... when
// that name exists: nothing is ever overwritten), and ends after
// splitIdleSeconds without a byte (0: never) and with its connection.  A
// file that cannot be made or written ends the session.
class TimeNamedFiles final : public CaptureTarget {
public:
    TimeNamedFiles(FileSystem& fs, std::string folder, int splitIdleSeconds, SessionClock& clock)
        : file_(fs), folder_(std::move(folder)), splitIdleMs_(std::uint64_t(splitIdleSeconds) * 1000), clock_(clock) {}

    bool store(const std::uint8_t* data, std::size_t size, std::uint64_t nowMs, CaptureEvents& events) override;
    bool keepDurable(std::uint64_t nowMs, CaptureEvents& events) override;
    long long msUntilDue(std::uint64_t nowMs) const override;
    bool connectionEnded(CaptureEvents& events) override { return endFile(events); }
    std::string currentFile() const override { return file_.isOpen() ? file_.path() : std::string(); }
    std::uint64_t currentBytes() const override { return file_.isOpen() ? file_.bytes() : 0; }

private:
    bool startFile(CaptureEvents& events);
    bool endFile(CaptureEvents& events);
    bool failed(SysError error, const char* doing, CaptureEvents& events);

    CaptureFile file_;
    std::string folder_;
    std::uint64_t splitIdleMs_;
    SessionClock& clock_;
    std::uint64_t lastByteMs_ = 0;
};

// "YYYYMMDD-HHMMSS.zrd" of a local time, zero-padded so that names sort by
// time; attempt 2 and on add "_2", "_3"... before the extension.
std::string timeNamedCaptureFile(const LocalTime& time, int attempt);
// A short text of a file failure: "the disk is full".
std::string describeFileError(SysError error);

// The window's run: one file, made before the link opened and closed once
// the session has ended.  Bytes that cannot be written are told once and
// counted as lost; the run goes on.
class SingleFileTarget final : public CaptureTarget {
public:
    explicit SingleFileTarget(CaptureFile& file) : file_(file) {}

    bool store(const std::uint8_t* data, std::size_t size, std::uint64_t nowMs, CaptureEvents& events) override {
        return check(file_.append(data, size, nowMs), events);
    }
    bool keepDurable(std::uint64_t nowMs, CaptureEvents& events) override {
        return check(file_.keepDurable(nowMs), events);
    }
    long long msUntilDue(std::uint64_t nowMs) const override { return file_.msUntilDue(nowMs); }
    bool connectionEnded(CaptureEvents& events) override {
        // The rest goes to the disk now; the close is the front end's.
        return check(file_.flushToDisk(), events);
    }
    std::string currentFile() const override { return file_.path(); }
    std::uint64_t currentBytes() const override { return file_.bytes(); }

private:
    bool check(SysError error, CaptureEvents& events) {
        if (error != 0) events.storeFailed(file_.path(), error);
        return true;
    }

    CaptureFile& file_;
};

}  // namespace orv
