// The capture file of a run: where it lies, how it is named and created,
// and how received chunks reach it through a 64 KiB staging block.
//
// Results follow the file operations' convention: 0 success, a negative
// HRESULT-form code (0x80070000 + system error) for a failure, a positive
// value when the user declined.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/Clock.h"
#include "base/FileSystem.h"
#include "base/MessageSeam.h"
#include "settings/Settings.h"

namespace orv {

// "%d%d%d%d%d%d.zrd" of year, month, day, hour, minute, second, none
// zero-padded: stored capture files carry names of this form.
void makeCaptureName(const LocalTime& time, char (&name)[kPathSize]);

class CaptureWriter {
public:
    static constexpr std::size_t kBlockSize = 65536;

    explicit CaptureWriter(FileSystem& fs) : fs_(&fs) {}
    CaptureWriter(const CaptureWriter&) = delete;
    CaptureWriter& operator=(const CaptureWriter&) = delete;

    // 0 when the capture folder exists (or was created after the user's
    // OK); nonzero refuses the start.
    std::int32_t checkCaptureFolder(const CaptureFileSettings& settings, MessageSeam& ui, const StringTable& strings,
                                    void* owner);
    // With a fixed name: 0 when no file of that name exists or the user
    // agreed to replace it (the next openCaptureFile of that path empties
    // it); nonzero refuses the start.
    std::int32_t confirmReplaceCaptureFile(const CaptureFileSettings& settings, MessageSeam& ui,
                                           const StringTable& strings, void* owner);
    // Names the run's file (by date and time when autoNameFiles is set,
    // copying the name into settings) and creates it.
    std::int32_t openCaptureFile(CaptureFileSettings& settings, const LocalTime& now);
    // A new file; with replace, the file the user agreed to replace, emptied.
    std::int32_t createCaptureFile(bool replace = false);
    // Receive thread: stages the chunk, writing every full block at once.
    // A failed block write closes the file and returns the failure; later
    // chunks of the run are dropped with success, and closeCaptureFile
    // reports the loss.
    std::int32_t appendCaptureData(const std::uint8_t* bytes, std::size_t count);
    // Receive thread: writes the staged bytes and puts the file on the
    // disk, so that neither a crash nor a power cut can take them.  A
    // failure is handled and returned like a failed block write.
    std::int32_t flushToDisk();
    // Bytes that a crash or a power cut could still take: staged, or
    // written but not yet on the disk.
    bool hasUnsyncedData() const { return isFileOpen() && (writeFill_ > 0 || unsynced_); }
    // 0 when written and closed; 1 when no file was open and nothing was
    // lost; a failure code when a write or the close failed (the file and
    // what reached it are kept).
    std::int32_t closeCaptureFile();

    bool isFileOpen() const { return file_ != FileSystem::kNoFile; }
    const char* captureFilePath() const { return captureFilePath_; }
    // The disk seam: tests put a failing disk here between runs.
    void setFileSystem(FileSystem& fs) { fs_ = &fs; }
    void setCaptureFilePath(const char* path);
    // Bytes handed over since the file was created that did not reach it.
    std::uint64_t bytesLost() const { return bytesLost_; }

private:
    // A write or sync failed: the file keeps what reached it and is closed;
    // lost bytes of the run are counted from here on.
    std::int32_t failWrite(SysError error, std::size_t lost);

    FileSystem* fs_;
    char captureFilePath_[kPathSize] = "";
    FileSystem::Handle file_ = FileSystem::kNoFile;
    std::size_t writeFill_ = 0;
    bool unsynced_ = false;               // written since the file last reached the disk
    std::int32_t pendingFailure_ = 0;     // a block write failed during the run
    char replaceAgreed_[kPathSize] = "";  // the file the user agreed to replace
    std::uint64_t bytesLost_ = 0;
    std::uint8_t writeBlock_[kBlockSize];
};

}  // namespace orv
