#include "capture/CaptureTargets.h"

#include <cstdio>

namespace orv {
namespace {

std::string joined(const std::string& folder, const std::string& name, char separator) {
    if (folder.empty()) return name;
    const char last = folder.back();
    return last == '/' || last == '\\' ? folder + name : folder + separator + name;
}

}  // namespace

std::string timeNamedCaptureFile(const LocalTime& t, int attempt) {
    char name[64];
    std::snprintf(name, sizeof name, "%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    std::string result(name);
    if (attempt > 1) result += "_" + std::to_string(attempt);
    return result + ".zrd";
}

std::string describeFileError(SysError error) {
    switch (error) {
    case syserr::kAccessDenied: return "access denied";
    case syserr::kPathNotFound: return "no such folder";
    case syserr::kDiskFull: return "the disk is full";
    case syserr::kWriteFault: return "write fault";
    case syserr::kReadFault: return "read fault";
    case syserr::kFileNotFound: return "no such file";
    case syserr::kFilenameTooLong: return "name too long";
    default: return "system error " + std::to_string(error);
    }
}

bool TimeNamedFiles::failed(SysError error, const char* doing, CaptureEvents& events) {
    events.storeFailed(std::string("cannot ") + doing + " " + file_.path() + ": " + describeFileError(error), error);
    return false;
}

bool TimeNamedFiles::startFile(CaptureEvents& events) {
    const LocalTime time = clock_.localTime();
    FileSystem& fs = file_.fileSystem();
    for (int attempt = 1; attempt < 1000; ++attempt) {
        const std::string path = joined(folder_, timeNamedCaptureFile(time, attempt), fs.separator());
        const SysError error = file_.create(path);
        if (error == syserr::kFileExists) continue;
        if (error != 0) {
            events.storeFailed("cannot create " + path + ": " + describeFileError(error), error);
            return false;
        }
        events.fileStarted(path);
        return true;
    }
    events.storeFailed("no free name for a capture file in " + folder_, syserr::kFileExists);
    return false;
}

bool TimeNamedFiles::endFile(CaptureEvents& events) {
    if (!file_.isOpen()) return true;
    const std::uint64_t bytes = file_.bytes();
    if (const SysError error = file_.close()) return failed(error, "write", events);
    events.fileClosed(file_.path(), bytes);
    return true;
}

bool TimeNamedFiles::store(const std::uint8_t* data, std::size_t size, std::uint64_t nowMs, CaptureEvents& events) {
    if (!file_.isOpen() && !startFile(events)) return false;
    lastByteMs_ = nowMs;
    if (const SysError error = file_.append(data, size, nowMs)) return failed(error, "write", events);
    return true;
}

bool TimeNamedFiles::keepDurable(std::uint64_t nowMs, CaptureEvents& events) {
    if (!file_.isOpen()) return true;
    if (splitIdleMs_ != 0 && nowMs - lastByteMs_ >= splitIdleMs_) return endFile(events);
    if (const SysError error = file_.keepDurable(nowMs)) return failed(error, "write", events);
    return true;
}

long long TimeNamedFiles::msUntilDue(std::uint64_t nowMs) const {
    long long due = file_.msUntilDue(nowMs);
    if (file_.isOpen() && splitIdleMs_ != 0) {
        const std::uint64_t splitAt = lastByteMs_ + splitIdleMs_;
        const long long split = splitAt > nowMs ? static_cast<long long>(splitAt - nowMs) : 0;
        if (due < 0 || split < due) due = split;
    }
    return due;
}

}  // namespace orv
