#include "app/win32/PrintCommands.h"

#include <commdlg.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <thread>
#include <vector>

#include "app/win32/RunDisplay.h"
#include "base/Text.h"
#include "base/win32/Owned.h"
#include "base/win32/Scoped.h"
#include "capture/Documents.h"
#include "link/win32/LinkText.h"
#include "print/win32/PrinterJob.h"
#include "view/win32/PageView.h"

namespace orv {

// One Print command's job, printed on a thread of its own.  The thread
// posts UM_PRINT_PROGRESS (at most one waiting) and, last, UM_PRINT_ENDED;
// it never waits for the window.
class WindowPrint {
public:
    struct Order {
        std::vector<std::uint8_t> job;
        render::RenderOptions options;
        std::wstring printer;
        std::vector<BYTE> settings;  // the dialog's DEVMODE, as it gave it
        print::PageSelection selection;
        std::wstring title;
    };

    WindowPrint(HWND window, Order order) : window_(window), order_(std::move(order)), thread_([this] { run(); }) {}
    // A print still under way is given up (AbortDoc) first.
    ~WindowPrint() {
        cancel();
        if (thread_.joinable()) thread_.join();
    }
    WindowPrint(const WindowPrint&) = delete;
    WindowPrint& operator=(const WindowPrint&) = delete;

    void cancel() { cancelled_ = true; }
    bool cancelling() const { return cancelled_; }
    // The pages out so far; the next page posts its progress again.
    std::size_t printed() {
        progressPosted_ = false;
        return printed_;
    }
    const std::wstring& printer() const { return order_.printer; }
    // Once UM_PRINT_ENDED came: what became of it; stopped when a cancel
    // gave it up.
    print::PrintOutcome finish(bool& stopped) {
        thread_.join();
        stopped = stopped_;
        return outcome_;
    }

private:
    void run() {
        try {
            print();
        } catch (const std::bad_alloc&) {
            outcome_.failure = print::PrintOutcome::Failure::Render;
            outcome_.render.failure = RenderOutcome::Failure::Memory;
        } catch (...) {
            outcome_.failure = print::PrintOutcome::Failure::Refused;
        }
        PostMessageA(window_, UM_PRINT_ENDED, 0, 0);
    }

    void print() {
        using Failure = print::PrintOutcome::Failure;
        const print::PageSelection& selection = order_.selection;
        // The DEVMODE as long as its fields say, and never shorter than the
        // structure that is read.
        std::vector<BYTE> settings = order_.settings;
        if (!settings.empty()) settings.resize(std::max(settings.size(), sizeof(DEVMODEW)));
        print::PrinterDc printer;
        const print::PrinterDc::Failure opened =
            printer.open(order_.printer, order_.options.paper, selection.collate ? selection.copies : 1,
                         settings.empty() ? nullptr : reinterpret_cast<const DEVMODEW*>(settings.data()));
        outcome_.printer = utf8FromWide(printer.name());
        const std::string why = printer.error() ? systemText(printer.error()) : std::string();
        switch (opened) {
        case print::PrinterDc::Failure::None: break;
        case print::PrinterDc::Failure::NoDefault: outcome_.failure = Failure::NoDefault; return;
        case print::PrinterDc::Failure::Unknown: outcome_.failure = Failure::UnknownPrinter; return;
        case print::PrinterDc::Failure::Unreachable:
            outcome_.failure = Failure::Unreachable;
            outcome_.detail = why;
            return;
        case print::PrinterDc::Failure::Refused:
            outcome_.failure = Failure::Refused;
            outcome_.detail = why;
            return;
        }
        if (cancelled_) {
            stopped_ = true;
            return;
        }
        print::PrinterDocument document(printer.get(), order_.title);
        const print::PagesPrinted how =
            print::printPages(document, order_.job.data(), order_.job.size(), order_.options, outcome_.render.report,
                              selection, printer.copiesToPaint(), [this](std::size_t printed) {
                                  printed_ = printed;
                                  if (!progressPosted_.exchange(true)) PostMessageA(window_, UM_PRINT_PROGRESS, 0, 0);
                                  return !cancelled_;
                              });
        if (how == print::PagesPrinted::Stopped) {
            document.abort();
            stopped_ = true;
            return;
        }
        if (how == print::PagesPrinted::All && !document.started()) {
            outcome_.failure = Failure::Empty;
            return;
        }
        if (how == print::PagesPrinted::Failed || !document.end()) {
            outcome_.failure = Failure::Refused;
            outcome_.detail = document.error() ? systemText(document.error()) : std::string();
            return;
        }
        outcome_.job = document.job();
    }

    const HWND window_;
    Order order_;
    std::atomic<bool> cancelled_{false}, progressPosted_{false};
    std::atomic<std::size_t> printed_{0};
    // The thread's until it has ended.
    print::PrintOutcome outcome_;
    bool stopped_ = false;
    std::thread thread_;  // last: started once the rest is made
};

void WindowPrintEnd::operator()(WindowPrint* print) const { delete print; }

namespace {

// The memory blocks that the Print dialog hands over, freed with GlobalFree.
struct GlobalTraits {
    using Type = HGLOBAL;
    static Type none() { return nullptr; }
    static bool close(Type h) { return GlobalFree(h) == nullptr; }
};
using GlobalMemory = Owned<GlobalTraits>;

// A block locked while it is read.
template <typename T>
class Locked {
public:
    explicit Locked(HGLOBAL block) : block_(block), data_(block ? static_cast<const T*>(GlobalLock(block)) : nullptr) {}
    ~Locked() {
        if (data_) GlobalUnlock(block_);
    }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
    const T* get() const { return data_; }

private:
    HGLOBAL block_;
    const T* data_;
};

std::string ansiFromUtf8(const std::string& text) { return ansiFromWide(wideFromUtf8(text)); }

// Wine's print dialog (its PrintDlgExW shows PrintDlgW's dialog, measured
// on Wine 8) writes the From and To fields back only into a page range it
// was given with PD_PAGENUMS, and neither the choice of All or Pages nor
// a current page: there the dialog opens on Pages with the whole job as
// the range, which prints what All prints.
bool wineDialog() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

struct DialogChoice {
    std::wstring printer;
    std::vector<BYTE> settings;
    print::PageSelection selection;
};

// The Print dialog for a job of pages pages; current: the page view's
// page (from 1), or 0 when none is shown.  False when nothing is to be
// printed (cancelled, told, or no page chosen that the job has).
bool askPrintDialog(const CaptureState& s, std::size_t pages, std::size_t current, DialogChoice& choice) {
    constexpr DWORD kMostRanges = 32;
    // PrintDlgExW takes no dialog without an array for the page ranges.
    PRINTPAGERANGE ranges[kMostRanges] = {};
    PRINTDLGEXW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = s.mainWindow;
    // The copies are the program's to make (nCopies, PD_COLLATE), which
    // PrinterDc hands to the driver where it can make them.  A print to a
    // file would need the file asked for and named in StartDoc: the box
    // is hidden.
    dialog.Flags = PD_NOSELECTION | PD_COLLATE | PD_HIDEPRINTTOFILE | (current ? 0 : PD_NOCURRENTPAGE);
    dialog.nMaxPageRanges = kMostRanges;
    dialog.lpPageRanges = ranges;
    dialog.nMinPage = 1;
    dialog.nMaxPage = DWORD(std::min<std::size_t>(pages, 0xFFFFFFFEu));
    dialog.nCopies = 1;
    dialog.nStartPage = START_PAGE_GENERAL;
    const bool wine = wineDialog();
    if (wine) {
        dialog.Flags |= PD_PAGENUMS;
        ranges[0] = PRINTPAGERANGE{1, dialog.nMaxPage};
        dialog.nPageRanges = 1;
    }
    const HRESULT result = PrintDlgExW(&dialog);
    const GlobalMemory mode(dialog.hDevMode), names(dialog.hDevNames);
    if (FAILED(result)) {
        warnUser(s, s.strings->load(IDS_PRINT_NO_DEFAULT, 1023));
        return false;
    }
    if (dialog.dwResultAction != PD_RESULT_PRINT) return false;
    if (const Locked<DEVNAMES> devNames(names.get()); devNames.get())
        choice.printer = reinterpret_cast<const wchar_t*>(devNames.get()) + devNames.get()->wDeviceOffset;
    if (const Locked<DEVMODEW> devMode(mode.get()); devMode.get()) {
        const auto* bytes = reinterpret_cast<const BYTE*>(devMode.get());
        choice.settings.assign(bytes, bytes + devMode.get()->dmSize + devMode.get()->dmDriverExtra);
    }
    bool any = false;
    choice.selection = printSelection(dialog, current, pages, wine, any);
    if (!any) warnUser(s, s.strings->load(IDS_PRINT_EMPTY, 1023));
    return any;
}

std::size_t countPages(const std::vector<std::uint8_t>& job, const render::RenderOptions& options) {
    render::RenderReport report;
    return render::renderPages(job.data(), job.size(), options, report, [](render::Page&) {});
}

std::string pagesText(const CaptureState& s, unsigned textId, std::size_t pages, const std::wstring& printer) {
    return formatWithText(formatWithNumber(s.strings->load(textId, 1023), std::int64_t(pages)), ansiFromWide(printer));
}

}  // namespace

print::PageSelection printSelection(const PRINTDLGEXW& dialog, std::size_t current, std::size_t pages, bool wine,
                                    bool& any) {
    print::PageSelection selection;
    selection.copies = int(std::clamp<DWORD>(dialog.nCopies, 1, print::kMostCopies));
    selection.collate = (dialog.Flags & PD_COLLATE) != 0;
    any = pages > 0;
    if ((dialog.Flags & PD_CURRENTPAGE) && current) {
        selection.ranges.push_back({current, current});
    } else if ((dialog.Flags & PD_PAGENUMS) || (wine && dialog.nPageRanges > 0)) {
        for (DWORD i = 0; dialog.lpPageRanges && i < std::min(dialog.nPageRanges, dialog.nMaxPageRanges); ++i) {
            const PRINTPAGERANGE& r = dialog.lpPageRanges[i];
            const std::size_t first = std::max<std::size_t>(1, std::min(r.nFromPage, r.nToPage));
            const std::size_t last = std::min<std::size_t>(pages, std::max(r.nFromPage, r.nToPage));
            if (first <= last) selection.ranges.push_back({first, last});
        }
        // Ranges asked for, none of them in the job: nothing to print.
        any = any && !selection.ranges.empty();
    }
    return selection;
}

bool printing(const CaptureState& s) { return s.print != nullptr; }

void printFromDialog(CaptureState& s) {
    if (linkOpen(s) || printing(s)) return;
    const std::string path = s.writer.captureFilePath();
    const render::RenderOptions options = documentOptions(s.profile.documents);
    std::vector<std::uint8_t> job;
    std::size_t pages = 0;
    const PagePosition shown = pagePosition(s.pages);
    unsigned failure = 0;
    std::string subject = path;
    {
        WaitCursor wait;
        try {
            PrintJob read(inputKindOf(path));
            if (readJob(s.fileSystem, path, read) != 0) {
                failure = IDS_RENDER_READ_FAILED;
            } else {
                job = std::move(read.finish());
                const render::JobLanguage language = render::detectLanguage(job.data(), job.size());
                if (language != render::JobLanguage::PrinterText) {
                    failure = IDS_PRINT_LANGUAGE;
                    subject = render::languageName(language);
                } else {
                    // The page view has counted them already, or they are counted now.
                    pages = shown.shown && shown.counted ? shown.pages : countPages(job, options);
                    if (pages == 0) failure = IDS_PRINT_EMPTY;
                }
            }
        } catch (const std::bad_alloc&) {
            failure = IDS_RENDER_TOO_LARGE;
        }
    }
    if (failure) return warnUser(s, loadedWith(s, failure, subject));
    DialogChoice choice;
    if (!askPrintDialog(s, pages, shown.shown ? shown.page + 1 : 0, choice)) return;
    WindowPrint::Order order{std::move(job),
                             options,
                             std::move(choice.printer),
                             std::move(choice.settings),
                             choice.selection,
                             wideFromAnsi(print::titleFor(path))};
    try {
        s.print.reset(new WindowPrint(s.mainWindow, std::move(order)));
    } catch (...) {
        // No thread to be had.
        return warnUser(s, loadedWith(s, IDS_RENDER_TOO_LARGE, path));
    }
    setPrintControls(s);
    showPrintText(s, pagesText(s, IDS_PRINTING, 0, s.print->printer()));
}

void cancelPrint(CaptureState& s) {
    if (!s.print || s.print->cancelling()) return;
    s.print->cancel();
    showPrintText(s, s.strings->load(IDS_PRINT_CANCELLING, 1023));
}

void printProgressed(CaptureState& s) {
    if (!s.print || s.print->cancelling()) return;
    showPrintText(s, pagesText(s, IDS_PRINTING, s.print->printed(), s.print->printer()));
}

void printEnded(CaptureState& s) {
    if (!s.print) return;
    bool stopped = false;
    const print::PrintOutcome outcome = s.print->finish(stopped);
    const std::size_t printed = s.print->printed();
    const std::wstring printer = s.print->printer();
    s.print.reset();
    setPrintControls(s);
    if (stopped) return showPrintText(s, s.strings->load(IDS_PRINT_CANCELLED, 1023));
    if (outcome.ok()) return showPrintText(s, pagesText(s, IDS_PRINTED, printed, printer));
    showPrintText(s, " ");
    warnUser(s, whyNotPrinted(s, outcome, s.writer.captureFilePath()));
}

void endPrint(CaptureState& s) { s.print.reset(); }

std::string whyNotPrinted(const CaptureState& s, const print::PrintOutcome& outcome, const std::string& source) {
    using Failure = print::PrintOutcome::Failure;
    const std::string printer = ansiFromUtf8(outcome.printer);
    const std::string detail = outcome.detail.empty() ? std::string() : "\n\n" + ansiFromUtf8(outcome.detail);
    switch (outcome.failure) {
    case Failure::None: return std::string();
    case Failure::Render:
        switch (outcome.render.failure) {
        case RenderOutcome::Failure::Language:
            return loadedWith(s, IDS_PRINT_LANGUAGE, render::languageName(outcome.render.language));
        case RenderOutcome::Failure::Read: return loadedWith(s, IDS_RENDER_READ_FAILED, source);
        default: return loadedWith(s, IDS_RENDER_TOO_LARGE, source);
        }
    case Failure::Empty: return s.strings->load(IDS_PRINT_EMPTY, 1023);
    case Failure::NoDefault: return s.strings->load(IDS_PRINT_NO_DEFAULT, 1023);
    case Failure::UnknownPrinter: return loadedWith(s, IDS_PRINT_NO_PRINTER, printer);
    case Failure::Unreachable: return loadedWith(s, IDS_PRINT_UNREACHABLE, printer) + detail;
    case Failure::Refused: return loadedWith(s, IDS_PRINT_REFUSED, printer) + detail;
    }
    return std::string();
}

}  // namespace orv
