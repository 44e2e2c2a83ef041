#include "capture/CaptureFile.h"

#include <cstring>

namespace orv {

CaptureFile::~CaptureFile() {
    if (isOpen()) close();
}

SysError CaptureFile::create(const std::string& path, bool replace) {
    if (isOpen()) close();
    FileSystem::Handle file = FileSystem::kNoFile;
    SysError error = replace ? fs_->createReplacing(path.c_str(), file) : fs_->createNew(path.c_str(), file);
    if (error != 0) return error;
    file_ = file;
    path_ = path;
    bytes_ = lost_ = 0;
    failure_ = 0;
    fill_ = 0;
    unsynced_ = false;
    return 0;
}

SysError CaptureFile::moveTo(const std::string& path) {
    if (!isOpen()) return syserr::kFileNotFound;
    if (SysError error = fs_->moveOpenFile(file_, path_.c_str(), path.c_str())) return error;
    path_ = path;
    return 0;
}

SysError CaptureFile::fail(SysError error, std::size_t lost) {
    fs_->close(file_);
    file_ = FileSystem::kNoFile;
    fill_ = 0;
    unsynced_ = false;
    failure_ = error;
    lost_ += lost;
    return error;
}

SysError CaptureFile::append(const std::uint8_t* data, std::size_t size, std::uint64_t nowMs) {
    bytes_ += size;
    if (!isOpen()) {
        lost_ += size;
        return 0;
    }
    if (size == 0) return 0;
    lastAppend_ = nowMs;
    if (fill_ == 0) stagedSince_ = nowMs;
    if (!unsynced_ && fill_ == 0) unsyncedSince_ = nowMs;
    while (size > 0) {
        const std::size_t room = kBlockSize - fill_;
        if (room > size) {
            std::memcpy(block_ + fill_, data, size);
            fill_ += size;
            return 0;
        }
        std::memcpy(block_ + fill_, data, room);
        data += room;
        size -= room;
        fill_ = kBlockSize;
        // The block and the rest of the chunk are lost with the file.
        if (SysError error = writeStaged()) return fail(error, kBlockSize + size);
        stagedSince_ = nowMs;
    }
    return 0;
}

SysError CaptureFile::writeStaged() {
    if (fill_ == 0) return 0;
    if (SysError error = fs_->write(file_, block_, fill_)) return error;
    fill_ = 0;
    unsynced_ = true;
    return 0;
}

SysError CaptureFile::sync() {
    if (SysError error = fs_->sync(file_)) return error;
    unsynced_ = false;
    return 0;
}

long long CaptureFile::msUntilDue(std::uint64_t nowMs) const {
    if (!isOpen()) return -1;
    std::uint64_t due = UINT64_MAX;
    if (fill_ > 0) due = stagedSince_ + kWriteAfterMs;
    if (fill_ > 0 || unsynced_) {
        // A quiet line, or the longest a stream may go without a sync.
        const std::uint64_t quiet = lastAppend_ + kWriteAfterMs;
        const std::uint64_t every = unsyncedSince_ + kSyncEveryMs;
        const std::uint64_t sync = quiet < every ? quiet : every;
        if (sync < due) due = sync;
    }
    if (due == UINT64_MAX) return -1;
    return due > nowMs ? static_cast<long long>(due - nowMs) : 0;
}

SysError CaptureFile::keepDurable(std::uint64_t nowMs) {
    if (msUntilDue(nowMs) != 0) return 0;
    const std::size_t staged = fill_;
    if (fill_ > 0 && nowMs - stagedSince_ >= kWriteAfterMs) {
        if (SysError error = writeStaged()) return fail(error, staged);
    }
    const bool quiet = nowMs - lastAppend_ >= kWriteAfterMs;
    if ((fill_ > 0 || unsynced_) && (quiet || nowMs - unsyncedSince_ >= kSyncEveryMs)) {
        const std::size_t rest = fill_;
        if (SysError error = writeStaged()) return fail(error, rest);
        if (SysError error = sync()) return fail(error, 0);
        unsyncedSince_ = nowMs;
    }
    return 0;
}

SysError CaptureFile::flushToDisk() {
    if (!isOpen()) return 0;
    const std::size_t staged = fill_;
    if (SysError error = writeStaged()) return fail(error, staged);
    if (unsynced_) {
        if (SysError error = sync()) return fail(error, 0);
    }
    return 0;
}

SysError CaptureFile::close() {
    if (!isOpen()) {
        const SysError failure = failure_;
        failure_ = 0;
        return failure;
    }
    const std::size_t staged = fill_;
    SysError error = writeStaged();
    if (error != 0) lost_ += staged;
    // A stop is often the last thing before the PC is switched off.
    if (error == 0 && unsynced_) error = sync();
    const SysError closed = fs_->close(file_);
    file_ = FileSystem::kNoFile;
    fill_ = 0;
    unsynced_ = false;
    if (error == 0) error = closed;
    if (error == 0) error = failure_;
    failure_ = 0;
    return error;
}

}  // namespace orv
