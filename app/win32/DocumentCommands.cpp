#include "app/win32/DocumentCommands.h"

#include <commctrl.h>

#include <mutex>
#include <string>
#include <vector>

#include "app/win32/PrintCommands.h"
#include "base/Text.h"
#include "base/win32/FileIdentity.h"
#include "capture/DocumentQueue.h"
#include "link/win32/LinkText.h"

namespace orv {

// The queue of the captures' PDFs and prints and what it has done that the
// window has not yet seen; the queue's thread posts UM_DOCUMENT_DONE after
// each.
class CaptureDocuments {
public:
    struct Printed {
        std::string capture;
        print::PrintOutcome outcome;
    };

    explicit CaptureDocuments(CaptureState& s)
        : window_(s.mainWindow), fs_(s.fileSystem), queue_(s.fileSystem, [this](const DocumentQueue::Done& d) {
              {
                  std::lock_guard<std::mutex> lock(mutex_);
                  done_.push_back(d);
              }
              PostMessageA(window_, UM_DOCUMENT_DONE, 0, 0);
          }) {}

    void add(const std::string& capture, const render::RenderOptions& options) { queue_.add(capture, options); }
    // The capture printed, in turn with the PDFs.
    void print(const std::string& capture, const print::PrintRequest& request) {
        queue_.add("the print of " + capture, [this, capture, request] {
            Printed printed{capture, print::printFile(fs_, capture, InputKind::Capture, request)};
            {
                std::lock_guard<std::mutex> lock(mutex_);
                printed_.push_back(std::move(printed));
            }
            PostMessageA(window_, UM_DOCUMENT_DONE, 0, 0);
        });
    }
    void take(std::vector<DocumentQueue::Done>& done, std::vector<Printed>& printed) {
        std::lock_guard<std::mutex> lock(mutex_);
        done.swap(done_);
        printed.swap(printed_);
    }

private:
    const HWND window_;
    FileSystem& fs_;
    std::mutex mutex_;
    std::vector<DocumentQueue::Done> done_;
    std::vector<Printed> printed_;
    DocumentQueue queue_;  // last: its thread ends before the rest goes
};

void CaptureDocumentsEnd::operator()(CaptureDocuments* documents) const { delete documents; }

namespace {

constexpr FileFilter kPdfFiles{"PDF files(*.pdf)", "*.pdf", "pdf"};
// The status bar's part for the printer units of the last document.
constexpr int kPrinterChoicePart = 4;

void tell(CaptureState& s, unsigned textId, const std::string& subject, const std::string& more = std::string()) {
    warnUser(s, loadedWith(s, textId, subject) + more);
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

void queueCaptureDocuments(CaptureState& s) {
    const DocumentSettings& settings = s.profile.documents;
    if (!settings.pdfAfterCapture && !settings.printAfterCapture) return;
    const std::string capture = s.writer.captureFilePath();
    try {
        if (!s.captureDocuments) s.captureDocuments.reset(new CaptureDocuments(s));
        if (settings.pdfAfterCapture) s.captureDocuments->add(capture, documentOptions(settings));
        if (settings.printAfterCapture) {
            print::PrintRequest request;
            // The profile's name and the window's paths are ANSI text; the
            // request's are UTF-8.
            request.printer = utf8FromWide(wideFromAnsi(settings.destination));
            request.title = utf8FromWide(wideFromAnsi(print::titleFor(capture)));
            request.options = documentOptions(settings);
            s.captureDocuments->print(capture, request);
        }
    } catch (...) {
        // No thread to be had: the capture stays without its documents, as
        // one that cannot be rendered does.
        RenderOutcome outcome;
        outcome.failure = RenderOutcome::Failure::Memory;
        tellRenderFailure(s, outcome, capture, std::string());
    }
}

void captureDocumentsDone(CaptureState& s) {
    if (!s.captureDocuments) return;
    // Taken before any message box: its modal loop may bring the next.
    std::vector<DocumentQueue::Done> done;
    std::vector<CaptureDocuments::Printed> printed;
    s.captureDocuments->take(done, printed);
    for (const DocumentQueue::Done& d : done) {
        showPrinterChoice(s, d.outcome);
        tellRenderFailure(s, d.outcome, d.source, d.target);
    }
    for (const CaptureDocuments::Printed& p : printed) {
        if (p.outcome.ok()) continue;
        tell(s, IDS_CAPTURE_NOT_PRINTED, p.capture, "\n\n" + whyNotPrinted(s, p.outcome, p.capture));
    }
}

void finishCaptureDocuments(CaptureState& s) { s.captureDocuments.reset(); }

}  // namespace orv
