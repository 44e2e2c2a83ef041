// The console of the device commands, made by the operating system's half
// (posix/ or win32/); the commands themselves are portable.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "base/FileSystem.h"
#include "capture/CaptureSession.h"
#include "link/StopSignal.h"

namespace orv::companion {

// The events of a capture on standard error, each with its local time, and
// while standard error is a terminal one status line, redrawn at most four
// times a second and cleared before an event.  Lines may come from more
// than one thread (the capture's, the PDFs').
class ConsoleLines : public CaptureEvents {
public:
    explicit ConsoleLines(bool terminal) : terminal_(terminal) {}
    virtual ~ConsoleLines() {
        std::lock_guard<std::mutex> lock(mutex_);
        clearStatus();
    }

    void event(const std::string& line);

    void linkOpened() override { event("connected"); }
    void linkOpenFailed(const LinkError& e) override { event("cannot open the link: " + e.text); }
    void linkLost(const LinkError& e) override { event("link lost: " + e.text); }
    void lineErrors(const LineErrors& e) override { event("line errors: " + e.describe()); }
    void fileStarted(const std::string& path) override { event("file started: " + path); }
    void fileClosed(const std::string& path, std::uint64_t bytes) override {
        event("file closed: " + path + " (" + std::to_string(bytes) + " bytes)");
    }
    void storeFailed(const std::string& why, SysError) override { event(why); }
    void status(const CaptureStatus& s) override;

private:
    void clearStatus();

    std::mutex mutex_;
    bool terminal_;
    bool shown_ = false;
    std::uint64_t shownAt_ = 0, shownTotal_ = 0;
};

// The console of a device command: its lines, and the stop that Ctrl+C
// and its kin ask (SIGINT, SIGTERM, SIGHUP; on Windows Ctrl+C, Ctrl+Break,
// the console closing, a log-off or a shutdown).  A closing console waits
// for the console's end, where the command has closed its files, before
// the system ends the process.
class Console : public ConsoleLines {
public:
    using ConsoleLines::ConsoleLines;
    virtual const StopSignal& stop() const = 0;
    // The stop came with the end of the session (a log-off, a shutdown, the
    // console closing): the system ends the process soon after
    // filesClosed(), whatever it is doing then.
    virtual bool sessionEnding() const { return false; }
    // The capture files are closed and told: the session's end may go on.
    virtual void filesClosed() {}
};

std::unique_ptr<Console> makeConsole();
// True when standard error is a terminal (progress and status lines).
bool stderrIsTerminal();
// The platform's files, with the command line's paths (UTF-8 on Windows).
std::unique_ptr<FileSystem> makeFileSystem();

}  // namespace orv::companion
