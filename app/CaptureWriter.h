// The capture file of a window's run: where it lies, how it is named and
// created, the questions before it (folder, replace), and its close.  The
// run's receiving side writes it through file() (a CaptureFile).
//
// Results are system error codes: 0 success, syserr::kCancelled when the
// user declined, any other code a failure.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/Clock.h"
#include "base/FileSystem.h"
#include "base/MessageSeam.h"
#include "capture/CaptureFile.h"
#include "settings/Settings.h"

namespace orv {

// "%d%d%d%d%d%d.zrd" of year, month, day, hour, minute, second, none
// zero-padded: stored capture files carry names of this form.
void makeCaptureName(const LocalTime& time, char (&name)[kPathSize]);

class CaptureWriter {
public:
    static constexpr std::size_t kBlockSize = CaptureFile::kBlockSize;

    explicit CaptureWriter(FileSystem& fs) : fs_(&fs), file_(fs) {}
    CaptureWriter(const CaptureWriter&) = delete;
    CaptureWriter& operator=(const CaptureWriter&) = delete;

    // 0 when the capture folder exists (or was created after the user's
    // OK); nonzero refuses the start.
    SysError checkCaptureFolder(const CaptureFileSettings& settings, MessageSeam& ui, const StringTable& strings,
                                    void* owner);
    // With a fixed name: 0 when no file of that name exists or the user
    // agreed to replace it; nonzero refuses the start.
    SysError confirmReplaceCaptureFile(const CaptureFileSettings& settings, MessageSeam& ui,
                                           const StringTable& strings, void* owner);
    // Names the run's file (by date and time when autoNameFiles is set,
    // copying the name into settings) and creates it.  A file the user
    // agreed to replace stays as it is until the run has started: the new
    // one is written beside it meanwhile.
    SysError openCaptureFile(CaptureFileSettings& settings, const LocalTime& now);
    // The link is open and the run has started: the new file takes the name
    // of the one it replaces.
    SysError captureStarted();
    // The run did not start: the new file goes, and a file it would have
    // replaced is left as it was.
    void discardCaptureFile();
    // 0 when written and closed, or when there was nothing to close; a
    // failure code when a write or the close failed (the file and what
    // reached it are kept).
    SysError closeCaptureFile();

    CaptureFile& file() { return file_; }
    bool isFileOpen() const { return file_.isOpen(); }
    // A file was made for the run and has not been closed yet (or its
    // failure not yet told by closeCaptureFile).
    bool hasFile() const { return file_.isOpen() || file_.failure() != 0; }
    const char* captureFilePath() const { return captureFilePath_; }
    // The disk seam: tests put a failing disk here between runs.
    void setFileSystem(FileSystem& fs) {
        fs_ = &fs;
        file_.setFileSystem(fs);
    }
    void setCaptureFilePath(const char* path);
    // Bytes handed over since the file was created that did not reach it.
    std::uint64_t bytesLost() const { return file_.bytesLost(); }

private:
    FileSystem* fs_;
    CaptureFile file_;
    char captureFilePath_[kPathSize] = "";
    char replaceAgreed_[kPathSize] = "";  // the file the user agreed to replace
    bool replacing_ = false;              // the open file is written beside captureFilePath_
};

}  // namespace orv
