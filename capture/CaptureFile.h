// One capture file while it is written: the bytes of the link, unchanged,
// staged in a 64 KiB block so that the receiving side makes one write per
// block, and kept safe by the clock:
//   - a received byte waits in memory at most kWriteAfterMs before it is
//     written to the file (a crash or a kill of the program takes nothing);
//   - what was written reaches the disk itself (a sync, against a power
//     cut) once the line has been quiet for kWriteAfterMs, at the close,
//     and while data keeps coming at least every kSyncEveryMs.  A sync of
//     a whole second of a fast stream stops the receiving side for that
//     long, so it does not run every second while the stream lasts.
// One thread at a time uses it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/FileSystem.h"

namespace orv {

class CaptureFile {
public:
    static constexpr std::size_t kBlockSize = 65536;
    static constexpr std::uint64_t kWriteAfterMs = 1000;
    static constexpr std::uint64_t kSyncEveryMs = 10000;

    explicit CaptureFile(FileSystem& fs) : fs_(&fs) {}
    ~CaptureFile();
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;

    // The disk seam: tests put a failing disk here between files.
    void setFileSystem(FileSystem& fs) { fs_ = &fs; }
    FileSystem& fileSystem() { return *fs_; }

    // A new file at path (kFileExists when the name is taken, that file
    // untouched); with replace, the file at path emptied.
    SysError create(const std::string& path, bool replace = false);
    bool isOpen() const { return file_ != FileSystem::kNoFile; }
    const std::string& path() const { return path_; }
    // Gives the open file another name, replacing a file of that name.
    SysError moveTo(const std::string& path);
    // The failure that closed the file during the run, until close() tells it.
    SysError failure() const { return failure_; }

    // Stages the bytes; a full block is written at once.  Returns the
    // failure that has just closed the file, once; later bytes are counted
    // as lost and 0 is returned.
    SysError append(const std::uint8_t* data, std::size_t size, std::uint64_t nowMs);
    // Writes and syncs what is due at nowMs; a failure as in append.
    SysError keepDurable(std::uint64_t nowMs);
    // Writes what is staged and syncs, whatever is due.
    SysError flushToDisk();
    // Milliseconds until keepDurable has work: 0 when due, -1 when nothing
    // waits.  A receiving side waits no longer than that.
    long long msUntilDue(std::uint64_t nowMs) const;
    // Writes the rest, syncs and closes.  0 when everything handed over is
    // in the file; else the failure (of now, or the one that closed the
    // file during the run).  The file and what reached it are kept.
    SysError close();

    std::uint64_t bytes() const { return bytes_; }     // handed over since create
    std::uint64_t bytesLost() const { return lost_; }  // of those, not in the file
    bool hasUnsyncedData() const { return isOpen() && (fill_ > 0 || unsynced_); }

private:
    SysError writeStaged();
    SysError sync();
    SysError fail(SysError error, std::size_t lost);

    FileSystem* fs_;
    std::string path_;
    FileSystem::Handle file_ = FileSystem::kNoFile;
    std::uint64_t bytes_ = 0, lost_ = 0;
    SysError failure_ = 0;             // the failure that closed the file during the run
    std::size_t fill_ = 0;             // bytes staged in block_
    std::uint64_t stagedSince_ = 0;    // when the oldest staged byte came
    bool unsynced_ = false;            // written since the last sync
    std::uint64_t unsyncedSince_ = 0;  // when the oldest unsynced byte came
    std::uint64_t lastAppend_ = 0;
    std::uint8_t block_[kBlockSize];
};

}  // namespace orv
