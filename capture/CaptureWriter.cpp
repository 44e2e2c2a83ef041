#include "capture/CaptureWriter.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "base/Ids.h"
#include "base/Text.h"

namespace orv {
void makeCaptureName(const LocalTime& t, char (&name)[kPathSize]) {
    std::snprintf(name, sizeof name, "%d%d%d%d%d%d.zrd", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

std::int32_t CaptureWriter::checkCaptureFolder(const CaptureFileSettings& settings, MessageSeam& ui,
                                               const StringTable& strings, void* owner) {
    PathKind kind;
    SysError error = fs_->pathKind(settings.captureFolder, kind);
    if (error == 0) return kind == PathKind::Folder ? 0 : hresultFromError(syserr::kFileExists);
    if (error != syserr::kFileNotFound && error != syserr::kPathNotFound) return hresultFromError(error);

    std::string caption =
        formatWithText(strings.load(IDS_FOLDER_CAPTION, 255), strings.load(IDS_TAB_CAPTURE_FILE, 255));
    std::string text = formatWithText(strings.load(IDS_FOLDER_MISSING, 515), settings.captureFolder);
    if (caption.size() > 255) caption.resize(255);
    if (text.size() > 515) text.resize(515);
    int answer = ui.show(owner, text.c_str(), caption.c_str(), box::kOkCancel | box::kIconWarning);
    if (answer != box::kAnswerOk) return 1;
    return createFolderPath(*fs_, settings.captureFolder);
}

std::int32_t CaptureWriter::confirmReplaceCaptureFile(const CaptureFileSettings& settings, MessageSeam& ui,
                                                      const StringTable& strings, void* owner) {
    char path[kPathSize];
    if (!joinPath(settings.captureFolder, settings.captureFileName, fs_->separator(), path))
        return hresultFromError(syserr::kFilenameTooLong);
    SysError error = fs_->findFile(path);
    if (error == syserr::kFileNotFound) return 0;
    if (error != 0) return hresultFromError(error);

    std::string caption = strings.load(IDS_REPLACE_CAPTION, 63);
    std::string text = strings.load(IDS_REPLACE_QUESTION, 255);
    int answer = ui.show(owner, text.c_str(), caption.c_str(), box::kYesNo | box::kIconQuestion);
    if (answer != box::kAnswerYes) return 1;
    copyCut(replaceAgreed_, path);
    return 0;
}

std::int32_t CaptureWriter::openCaptureFile(CaptureFileSettings& settings, const LocalTime& now) {
    if (settings.autoNameFiles) makeCaptureName(now, settings.captureFileName);
    // An agreement to replace holds for the one start that asked for it.
    char agreed[kPathSize];
    copyCut(agreed, replaceAgreed_);
    replaceAgreed_[0] = '\0';
    if (!joinPath(settings.captureFolder, settings.captureFileName, fs_->separator(), captureFilePath_))
        return hresultFromError(syserr::kFilenameTooLong);
    return createCaptureFile(agreed[0] != '\0' && std::strcmp(agreed, captureFilePath_) == 0);
}

std::int32_t CaptureWriter::createCaptureFile(bool replace) {
    if (isFileOpen()) {
        std::int32_t r = closeCaptureFile();
        if (r < 0) return r;
    }
    pendingFailure_ = 0;
    bytesLost_ = 0;
    SysError error = replace ? fs_->createReplacing(captureFilePath_, file_) : fs_->createNew(captureFilePath_, file_);
    if (error != 0) {
        file_ = FileSystem::kNoFile;
        return hresultFromError(error);
    }
    writeFill_ = 0;
    unsynced_ = false;
    return 0;
}

std::int32_t CaptureWriter::appendCaptureData(const std::uint8_t* bytes, std::size_t count) {
    while (count > 0 && isFileOpen()) {
        std::size_t room = kBlockSize - writeFill_;
        if (room > count) {
            std::memcpy(writeBlock_ + writeFill_, bytes, count);
            writeFill_ += count;
            return 0;
        }
        std::memcpy(writeBlock_ + writeFill_, bytes, room);
        bytes += room;
        count -= room;
        writeFill_ = 0;
        SysError error = fs_->write(file_, writeBlock_, kBlockSize);
        // The block and the rest of the run are lost; the caller tells the user.
        if (error != 0) return failWrite(error, kBlockSize + count);
        unsynced_ = true;
    }
    if (count > 0 && pendingFailure_ != 0) bytesLost_ += count;
    return 0;
}

std::int32_t CaptureWriter::flushToDisk() {
    if (!isFileOpen()) return 0;
    if (writeFill_ > 0) {
        SysError error = fs_->write(file_, writeBlock_, writeFill_);
        if (error != 0) return failWrite(error, writeFill_);
        writeFill_ = 0;
        unsynced_ = true;
    }
    if (unsynced_) {
        SysError error = fs_->sync(file_);
        if (error != 0) return failWrite(error, 0);
        unsynced_ = false;
    }
    return 0;
}

std::int32_t CaptureWriter::failWrite(SysError error, std::size_t lost) {
    fs_->close(file_);
    file_ = FileSystem::kNoFile;
    writeFill_ = 0;
    unsynced_ = false;
    pendingFailure_ = hresultFromError(error);
    bytesLost_ += lost;
    return pendingFailure_;
}

std::int32_t CaptureWriter::closeCaptureFile() {
    if (!isFileOpen()) {
        std::int32_t failure = pendingFailure_;
        pendingFailure_ = 0;
        return failure != 0 ? failure : 1;
    }
    SysError writeError = 0;
    if (writeFill_ > 0) writeError = fs_->write(file_, writeBlock_, writeFill_);
    if (writeError != 0) bytesLost_ += writeFill_;
    // A stop is often the last thing before the PC is switched off.
    SysError syncError = writeError == 0 && (writeFill_ > 0 || unsynced_) ? fs_->sync(file_) : 0;
    SysError closeError = fs_->close(file_);
    file_ = FileSystem::kNoFile;
    writeFill_ = 0;
    unsynced_ = false;
    // The file is kept either way: what reached the disk is the user's data.
    if (writeError != 0) return hresultFromError(writeError);
    if (syncError != 0) return hresultFromError(syncError);
    return hresultFromError(closeError);
}

void CaptureWriter::setCaptureFilePath(const char* path) { copyCut(captureFilePath_, path); }

}  // namespace orv
