#include "tools/companion/Unattended.h"

#include <algorithm>
#include <cstdio>

namespace orv::companion {
namespace {

constexpr std::size_t kReadSize = 16384;
// The longest a read waits, so that a stop and the clock are looked at.
constexpr int kLongestWaitMs = 200;

std::string describe(SysError error) {
    switch (error) {
    case syserr::kAccessDenied: return "access denied";
    case syserr::kPathNotFound: return "no such folder";
    case syserr::kDiskFull: return "the disk is full";
    case syserr::kWriteFault: return "write fault";
    case syserr::kFilenameTooLong: return "name too long";
    default: return "system error " + std::to_string(error);
    }
}

std::string joined(const std::string& folder, const std::string& name, char separator) {
    if (folder.empty()) return name;
    const char last = folder.back();
    return last == '/' || last == '\\' ? folder + name : folder + separator + name;
}

}  // namespace

std::string captureFileName(const LocalTime& t, int attempt) {
    char name[64];
    std::snprintf(name, sizeof name, "%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    std::string result(name);
    if (attempt > 1) result += "_" + std::to_string(attempt);
    return result + ".zrd";
}

CaptureFiles::~CaptureFiles() {
    std::string ignored;
    if (isOpen()) finish(ignored);
}

bool CaptureFiles::start(const LocalTime& time, std::string& why) {
    for (int attempt = 1; attempt < 1000; ++attempt) {
        std::string path = joined(folder_, captureFileName(time, attempt), fs_.separator());
        FileSystem::Handle file = FileSystem::kNoFile;
        SysError error = fs_.createNew(path.c_str(), file);
        if (error == syserr::kFileExists) continue;
        if (error != 0) {
            why = "cannot create " + path + ": " + describe(error);
            return false;
        }
        file_ = file;
        path_ = path;
        bytes_ = 0;
        staged_.clear();
        unsynced_ = false;
        return true;
    }
    why = "no free name for a capture file in " + folder_;
    return false;
}

bool CaptureFiles::write(const std::uint8_t* data, std::size_t size, std::uint64_t nowMs, std::string& why) {
    if (size == 0) return true;
    if (!unsynced_) {
        unsynced_ = true;
        oldestUnsyncedMs_ = nowMs;
    }
    staged_.append(reinterpret_cast<const char*>(data), size);
    bytes_ += size;
    return staged_.size() < kBlock || flush(why);
}

bool CaptureFiles::flush(std::string& why) {
    if (staged_.empty()) return true;
    SysError error = fs_.write(file_, staged_.data(), staged_.size());
    if (error != 0) {
        why = "cannot write " + path_ + ": " + describe(error);
        return false;
    }
    staged_.clear();
    return true;
}

long long CaptureFiles::msUntilDue(std::uint64_t nowMs) const {
    if (!isOpen() || !unsynced_) return -1;
    const std::uint64_t due = oldestUnsyncedMs_ + kDurableAfterMs;
    return due > nowMs ? static_cast<long long>(due - nowMs) : 0;
}

bool CaptureFiles::keepDurable(std::uint64_t nowMs, std::string& why) {
    if (msUntilDue(nowMs) != 0) return true;
    if (!flush(why)) return false;
    SysError error = fs_.sync(file_);
    if (error != 0) {
        why = "cannot write " + path_ + " to the disk: " + describe(error);
        return false;
    }
    unsynced_ = false;
    return true;
}

bool CaptureFiles::finish(std::string& why) {
    if (!isOpen()) return true;
    bool ok = flush(why);
    if (ok) {
        SysError error = fs_.sync(file_);
        if (error != 0) {
            why = "cannot write " + path_ + " to the disk: " + describe(error);
            ok = false;
        }
    }
    SysError closed = fs_.close(file_);
    if (ok && closed != 0) {
        why = "cannot close " + path_ + ": " + describe(closed);
        ok = false;
    }
    file_ = FileSystem::kNoFile;
    staged_.clear();
    unsynced_ = false;
    return ok;
}

namespace {

// One capture run over its connections.
class Capture {
public:
    Capture(DeviceLink& link, CaptureHost& host, FileSystem& fs, const CaptureOptions& options)
        : link_(link), host_(host), options_(options), files_(fs, options.folder) {
        if (options.forSeconds > 0) endAt_ = host.nowMs() + std::uint64_t(options.forSeconds) * 1000;
    }

    int run() {
        Backoff backoff;
        while (!over()) {
            std::string why;
            if (!link_.open(why)) {
                host_.event("cannot open the link: " + why);
                if (options_.once) return 1;
                if (over()) break;
                host_.pause(pauseBefore(backoff.next()));
                continue;
            }
            host_.event("connected");
            status_.connected = true;
            const std::uint64_t before = status_.totalBytes;
            const int result = serve();
            link_.close();
            status_.connected = false;
            if (result != 0) {
                std::string told;  // the failure was told; the file is closed as far as it goes
                files_.finish(told);
                return result;
            }
            if (!endFile()) return 1;
            if (status_.totalBytes > before) backoff.reset();
            if (options_.once || over()) break;
            host_.pause(pauseBefore(backoff.next()));
        }
        return 0;
    }

private:
    bool over() { return host_.stopRequested() || (endAt_ != 0 && host_.nowMs() >= endAt_); }

    int pauseBefore(int ms) const {
        if (endAt_ == 0) return ms;
        const std::uint64_t now = host_.nowMs();
        return now >= endAt_ ? 0 : static_cast<int>(std::min<std::uint64_t>(ms, endAt_ - now));
    }

    // Reads one connection until it ends or the capture is over; 1 when a
    // file could not be written.
    int serve() {
        std::uint8_t buffer[kReadSize];
        std::uint64_t lastByteMs = 0;
        for (;;) {
            std::string why;
            const int wait = nextWait(lastByteMs);
            const long n = link_.read(buffer, sizeof buffer, wait, why);
            const std::uint64_t now = host_.nowMs();
            if (n > 0) {
                if (!files_.isOpen() && !startFile()) return 1;
                if (!files_.write(buffer, static_cast<std::size_t>(n), now, why)) return failed(why);
                status_.fileBytes = files_.bytes();
                status_.totalBytes += static_cast<std::uint64_t>(n);
                lastByteMs = now;
            } else if (n < 0) {
                host_.event("link lost: " + why);
                return 0;
            }
            if (files_.isOpen() && options_.splitIdleSeconds > 0 &&
                now - lastByteMs >= std::uint64_t(options_.splitIdleSeconds) * 1000 && !endFile())
                return 1;
            if (!files_.keepDurable(now, why)) return failed(why);
            host_.status(status_);
            if (over()) return 0;
        }
    }

    int nextWait(std::uint64_t lastByteMs) const {
        const std::uint64_t now = host_.nowMs();
        long long wait = kLongestWaitMs;
        const long long due = files_.msUntilDue(now);
        if (due >= 0) wait = std::min(wait, due);
        if (files_.isOpen() && options_.splitIdleSeconds > 0) {
            const std::uint64_t splitAt = lastByteMs + std::uint64_t(options_.splitIdleSeconds) * 1000;
            wait = std::min<long long>(wait, splitAt > now ? static_cast<long long>(splitAt - now) : 0);
        }
        if (endAt_ != 0) wait = std::min<long long>(wait, endAt_ > now ? static_cast<long long>(endAt_ - now) : 0);
        return static_cast<int>(wait);
    }

    bool startFile() {
        std::string why;
        if (!files_.start(host_.localTime(), why)) {
            failed(why);
            return false;
        }
        status_.file = files_.path();
        status_.fileBytes = 0;
        host_.event("file started: " + files_.path());
        return true;
    }

    bool endFile() {
        if (!files_.isOpen()) return true;
        const std::string path = files_.path();
        const std::uint64_t bytes = files_.bytes();
        std::string why;
        const bool ok = files_.finish(why);
        status_.file.clear();
        status_.fileBytes = 0;
        if (!ok) {
            failed(why);
            return false;
        }
        host_.event("file closed: " + path + " (" + std::to_string(bytes) + " bytes)");
        return true;
    }

    int failed(const std::string& why) {
        host_.event(why);
        return 1;
    }

    DeviceLink& link_;
    CaptureHost& host_;
    const CaptureOptions& options_;
    CaptureFiles files_;
    CaptureStatus status_;
    std::uint64_t endAt_ = 0;
};

}  // namespace

int runUnattendedCapture(DeviceLink& link, CaptureHost& host, FileSystem& fs, const CaptureOptions& options) {
    if (int made = createFolderPath(fs, options.folder.c_str()); made != 0) {
        host.event("cannot make the folder " + options.folder);
        return 1;
    }
    return Capture(link, host, fs, options).run();
}

}  // namespace orv::companion
