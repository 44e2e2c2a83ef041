#include "app/CaptureWriter.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "base/Ids.h"
#include "base/Text.h"

namespace orv {
namespace {

// The name a replacing file is written under until its run has started.
constexpr const char kBesideSuffix[] = ".new";

}  // namespace

void makeCaptureName(const LocalTime& t, char (&name)[kPathSize]) {
    std::snprintf(name, sizeof name, "%d%d%d%d%d%d.zrd", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

SysError CaptureWriter::checkCaptureFolder(const CaptureFileSettings& settings, MessageSeam& ui,
                                               const StringTable& strings, void* owner) {
    PathKind kind;
    SysError error = fs_->pathKind(settings.captureFolder, kind);
    if (error == 0) return kind == PathKind::Folder ? 0 : syserr::kFileExists;
    if (error != syserr::kFileNotFound && error != syserr::kPathNotFound) return error;

    std::string caption =
        formatWithText(strings.load(IDS_FOLDER_CAPTION, 255), strings.load(IDS_TAB_CAPTURE_FILE, 255));
    std::string text = formatWithText(strings.load(IDS_FOLDER_MISSING, 515), settings.captureFolder);
    if (caption.size() > 255) caption.resize(255);
    if (text.size() > 515) text.resize(515);
    int answer = ui.show(owner, text.c_str(), caption.c_str(), box::kOkCancel | box::kIconWarning);
    if (answer != box::kAnswerOk) return syserr::kCancelled;
    return createFolderPath(*fs_, settings.captureFolder);
}

SysError CaptureWriter::confirmReplaceCaptureFile(const CaptureFileSettings& settings, MessageSeam& ui,
                                                      const StringTable& strings, void* owner) {
    char path[kPathSize];
    if (!joinPath(settings.captureFolder, settings.captureFileName, fs_->separator(), path))
        return syserr::kFilenameTooLong;
    SysError error = fs_->findFile(path);
    if (error == syserr::kFileNotFound) return 0;
    if (error != 0) return error;

    std::string caption = strings.load(IDS_REPLACE_CAPTION, 63);
    std::string text = strings.load(IDS_REPLACE_QUESTION, 255);
    int answer = ui.show(owner, text.c_str(), caption.c_str(), box::kYesNo | box::kIconQuestion);
    if (answer != box::kAnswerYes) return syserr::kCancelled;
    copyCut(replaceAgreed_, path);
    return 0;
}

SysError CaptureWriter::openCaptureFile(CaptureFileSettings& settings, const LocalTime& now) {
    if (settings.autoNameFiles) makeCaptureName(now, settings.captureFileName);
    // An agreement to replace holds for the one start that asked for it.
    char agreed[kPathSize];
    copyCut(agreed, replaceAgreed_);
    replaceAgreed_[0] = '\0';
    if (isFileOpen()) {
        if (const SysError error = closeCaptureFile()) return error;
    }
    if (!joinPath(settings.captureFolder, settings.captureFileName, fs_->separator(), captureFilePath_))
        return syserr::kFilenameTooLong;
    replacing_ = agreed[0] != '\0' && std::strcmp(agreed, captureFilePath_) == 0;
    if (!replacing_) return file_.create(captureFilePath_);
    // A folder of that name is no file the run could replace.
    PathKind kind;
    if (fs_->pathKind(captureFilePath_, kind) == 0 && kind == PathKind::Folder) {
        replacing_ = false;
        return syserr::kAccessDenied;
    }
    // A file of that name left by a run that never started is ours to empty.
    return file_.create(std::string(captureFilePath_) + kBesideSuffix, true);
}

SysError CaptureWriter::captureStarted() {
    if (!replacing_) return 0;
    replacing_ = false;
    return file_.moveTo(captureFilePath_);
}

void CaptureWriter::discardCaptureFile() {
    const std::string path = file_.path();
    file_.close();
    fs_->deleteFile(path.c_str());
    replacing_ = false;
}

SysError CaptureWriter::closeCaptureFile() {
    if (!hasFile()) return 0;
    return file_.close();
}

void CaptureWriter::setCaptureFilePath(const char* path) { copyCut(captureFilePath_, path); }

}  // namespace orv
