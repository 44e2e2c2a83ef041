#include "app/win32/DocumentCommands.h"

#include <commctrl.h>

#include <mutex>
#include <string>
#include <vector>

#include "base/Text.h"
#include "base/win32/FileIdentity.h"
#include "capture/DocumentQueue.h"

namespace orv {

// The queue of capture PDFs and what it has done that the window has not
// yet seen; the queue's thread posts UM_DOCUMENT_DONE after each file.
class CapturePdfs {
public:
    explicit CapturePdfs(CaptureState& s)
        : queue_(s.fileSystem, [this, window = s.mainWindow](const DocumentQueue::Done& d) {
              {
                  std::lock_guard<std::mutex> lock(mutex_);
                  done_.push_back(d);
              }
              PostMessageA(window, UM_DOCUMENT_DONE, 0, 0);
          }) {}

    void add(const std::string& capture, const render::RenderOptions& options) { queue_.add(capture, options); }
    std::vector<DocumentQueue::Done> take() {
        std::vector<DocumentQueue::Done> taken;
        std::lock_guard<std::mutex> lock(mutex_);
        taken.swap(done_);
        return taken;
    }

private:
    std::mutex mutex_;
    std::vector<DocumentQueue::Done> done_;
    DocumentQueue queue_;  // last: its thread ends before the rest goes
};

void CapturePdfsEnd::operator()(CapturePdfs* pdfs) const { delete pdfs; }

namespace {

constexpr FileFilter kPdfFiles{"PDF files(*.pdf)", "*.pdf", "pdf"};
// The status bar's part for the printer units of the last document.
constexpr int kPrinterChoicePart = 3;

void tell(CaptureState& s, unsigned textId, const std::string& subject) {
    const std::string text = formatWithText(s.strings->load(textId, 1023), subject);
    const std::string caption = s.strings->load(IDS_FAILURE_CAPTION, 31);
    s.messages->show(s.mainWindow, text.c_str(), caption.c_str(), box::kOk | box::kIconWarning);
}

void tellRenderFailure(CaptureState& s, const RenderOutcome& outcome, const std::string& source,
                       const std::string& target) {
    unsigned textId = IDS_RENDER_READ_FAILED;
    std::string subject = source;
    switch (outcome.failure) {
    case RenderOutcome::Failure::None: return;
    case RenderOutcome::Failure::Read: break;
    case RenderOutcome::Failure::Language:
        textId = IDS_RENDER_LANGUAGE;
        subject = render::languageName(outcome.language);
        break;
    case RenderOutcome::Failure::Memory: textId = IDS_RENDER_TOO_LARGE; break;
    case RenderOutcome::Failure::Write:
        textId = IDS_RENDER_WRITE_FAILED;
        subject = target;
        break;
    }
    tell(s, textId, subject);
}

// The printer units the auto mode chose for the last document, in the
// status bar's last part; nothing there when the job left nothing to
// choose.
void showPrinterChoice(CaptureState& s, const RenderOutcome& outcome) {
    if (!s.statusWindow) return;
    const render::PrinterChoice& chosen = outcome.report.printer;
    std::string text;
    if (outcome.ok() && chosen.automatic && chosen.mattered) {
        const unsigned textId = chosen.evidence.empty() ? IDS_PINS_UNTOLD
                                : chosen.ninePin        ? IDS_PINS_NINE
                                                        : IDS_PINS_TWENTY_FOUR;
        text = formatWithText(s.strings->load(textId, 255), chosen.evidence);
    }
    SendMessageA(s.statusWindow, SB_SETTEXTA, kPrinterChoicePart, reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace

void exportAsPdf(CaptureState& s) {
    // The file is the capture thread's while a link runs.
    if (linkOpen(s)) return;
    const std::string source = s.writer.captureFilePath();
    char target[kPathSize];
    copyCut(target, pdfBeside(source).c_str());
    const std::string title = s.strings->load(IDS_EXPORT_TITLE, 1023);
    if (!s.fileDialogs->chooseSaveFile(s.mainWindow, target, sizeof target, kPdfFiles, title.c_str())) return;
    if (sameFile(source.c_str(), target)) return tell(s, IDS_RENDER_SAME_FILE, target);
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    const RenderOutcome outcome =
        renderFile(s.fileSystem, source, target, documentOptions(s.profile.documents), inputKindOf(source));
    SetCursor(previous);
    showPrinterChoice(s, outcome);
    tellRenderFailure(s, outcome, source, target);
}

void queueCapturePdf(CaptureState& s) {
    if (!s.profile.documents.pdfAfterCapture) return;
    try {
        if (!s.capturePdfs) s.capturePdfs.reset(new CapturePdfs(s));
        s.capturePdfs->add(s.writer.captureFilePath(), documentOptions(s.profile.documents));
    } catch (...) {
        // No thread to be had: the capture stays without its PDF, as one
        // that cannot be rendered does.
        RenderOutcome outcome;
        outcome.failure = RenderOutcome::Failure::Memory;
        tellRenderFailure(s, outcome, s.writer.captureFilePath(), std::string());
    }
}

void capturePdfsDone(CaptureState& s) {
    if (!s.capturePdfs) return;
    // Taken before any message box: its modal loop may bring the next.
    for (const DocumentQueue::Done& done : s.capturePdfs->take()) {
        showPrinterChoice(s, done.outcome);
        tellRenderFailure(s, done.outcome, done.source, done.target);
    }
}

void finishCapturePdfs(CaptureState& s) { s.capturePdfs.reset(); }

}  // namespace orv
