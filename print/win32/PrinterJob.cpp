#include "print/win32/PrinterJob.h"

#include <winspool.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace orv::print {
namespace {

// A printer opened with OpenPrinter.
struct PrinterTraits {
    using Type = HANDLE;
    static Type none() { return nullptr; }
    static bool close(Type h) { return ClosePrinter(h) != FALSE; }
};

// An open printer, closed at the end.
class OpenedPrinter {
public:
    explicit OpenedPrinter(const std::wstring& name) {
        HANDLE h = nullptr;
        if (OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &h, nullptr)) handle_.reset(h);
    }
    HANDLE get() const { return handle_.get(); }

    // Its port, which DeviceCapabilities asks for; empty when unknown.
    std::wstring port() const {
        DWORD needed = 0;
        GetPrinterW(handle_.get(), 5, nullptr, 0, &needed);
        if (needed == 0) return std::wstring();
        std::vector<BYTE> info(needed);
        if (!GetPrinterW(handle_.get(), 5, info.data(), needed, &needed)) return std::wstring();
        const wchar_t* port = reinterpret_cast<const PRINTER_INFO_5W*>(info.data())->pPortName;
        return port ? port : std::wstring();
    }

private:
    Owned<PrinterTraits> handle_;
};

// A count or list from DeviceCapabilities; empty when the driver has none.
template <typename T>
std::vector<T> capabilities(const wchar_t* printer, const wchar_t* port, WORD what) {
    const int count = DeviceCapabilitiesW(printer, port, what, nullptr, nullptr);
    if (count <= 0) return {};
    std::vector<T> list(static_cast<std::size_t>(count));
    if (DeviceCapabilitiesW(printer, port, what, reinterpret_cast<wchar_t*>(list.data()), nullptr) != count) return {};
    return list;
}

DWORD lastError() {
    const DWORD error = GetLastError();
    return error ? error : DWORD(ERROR_GEN_FAILURE);
}

}  // namespace

void askForPaper(DEVMODEW& mode, const wchar_t* printer, const wchar_t* port, const render::Paper& paper) {
    const auto tenthsMm = [](double points) { return long(std::lround(points * 254 / 72)); };
    const long width = tenthsMm(paper.width), length = tenthsMm(paper.height);
    const long shortSide = std::min(width, length), longSide = std::max(width, length);
    const std::vector<WORD> papers = capabilities<WORD>(printer, port, DC_PAPERS);
    const std::vector<POINT> sizes = capabilities<POINT>(printer, port, DC_PAPERSIZE);  // 0.1 mm, portrait
    WORD found = 0;
    for (std::size_t i = 0; i < std::min(papers.size(), sizes.size()) && !found; ++i)
        if (std::labs(sizes[i].x - shortSide) <= 10 && std::labs(sizes[i].y - longSide) <= 10) found = papers[i];
    mode.dmFields |= DM_PAPERSIZE | DM_ORIENTATION;
    if (found) {
        mode.dmPaperSize = short(found);
        mode.dmFields &= ~DWORD(DM_PAPERWIDTH | DM_PAPERLENGTH);
    } else {
        // "Zero if the length and width of the paper are both set by the
        // dmPaperLength and dmPaperWidth members."
        mode.dmPaperSize = 0;
        mode.dmPaperWidth = short(std::min(shortSide, 32767L));
        mode.dmPaperLength = short(std::min(longSide, 32767L));
        mode.dmFields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
    }
    mode.dmOrientation = width > length ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
}

std::vector<BYTE> jobSettings(const std::wstring& name, const DEVMODEW* from, const render::Paper& paper, int copies,
                              bool& copiesByDriver, DWORD& error) {
    copiesByDriver = false;
    OpenedPrinter printer(name);
    if (!printer.get()) {
        error = lastError();
        return {};
    }
    wchar_t* device = const_cast<wchar_t*>(name.c_str());
    const LONG size = DocumentPropertiesW(nullptr, printer.get(), device, nullptr, nullptr, 0);
    if (size <= 0) {
        error = lastError();
        return {};
    }
    std::vector<BYTE> settings(std::max<std::size_t>(std::size_t(size), sizeof(DEVMODEW)));
    DEVMODEW* mode = reinterpret_cast<DEVMODEW*>(settings.data());
    if (DocumentPropertiesW(nullptr, printer.get(), device, mode, const_cast<DEVMODEW*>(from),
                            from ? DM_IN_BUFFER | DM_OUT_BUFFER : DM_OUT_BUFFER) != IDOK) {
        error = lastError();
        return {};
    }
    const std::wstring port = printer.port();
    const wchar_t* portName = port.empty() ? nullptr : port.c_str();
    askForPaper(*mode, name.c_str(), portName, paper);
    // The driver makes the copies when it can make that many (DC_COPIES)
    // and collate them (DC_COLLATE), as a copy of a document is its pages
    // in order; else the pages are painted that often, one copy after the
    // other.
    const bool collates = DeviceCapabilitiesW(name.c_str(), portName, DC_COLLATE, nullptr, nullptr) == 1;
    const int most = DeviceCapabilitiesW(name.c_str(), portName, DC_COPIES, nullptr, nullptr);
    const bool byDriver = copies > 1 && collates && most >= copies;
    mode->dmFields |= DM_COPIES | DM_COLLATE;
    mode->dmCopies = short(byDriver ? copies : 1);
    mode->dmCollate = byDriver ? DMCOLLATE_TRUE : DMCOLLATE_FALSE;
    // The same buffer in and out, as Microsoft's own example has it.
    if (DocumentPropertiesW(nullptr, printer.get(), device, mode, mode, DM_IN_BUFFER | DM_OUT_BUFFER) != IDOK) {
        error = lastError();
        return {};
    }
    copiesByDriver = byDriver && (mode->dmFields & DM_COPIES) && mode->dmCopies >= copies &&
                     (mode->dmFields & DM_COLLATE) && mode->dmCollate == DMCOLLATE_TRUE;
    return settings;
}

PrinterDc::Failure PrinterDc::fail(Failure failure) {
    if (!error_) error_ = GetLastError();
    switch (error_) {
    case ERROR_INVALID_PRINTER_NAME: return failure == Failure::Refused ? Failure::Unknown : failure;
    case RPC_S_SERVER_UNAVAILABLE:
    case RPC_S_SERVER_TOO_BUSY:
    case RPC_S_CALL_FAILED:
    case ERROR_SERVICE_NOT_ACTIVE: return Failure::Unreachable;  // the spooler is not running
    default: return failure;
    }
}

PrinterDc::Failure PrinterDc::open(const std::wstring& name, const render::Paper& paper, int copies,
                                   const DEVMODEW* from) {
    name_ = name;
    if (name_.empty()) {
        DWORD size = 0;
        GetDefaultPrinterW(nullptr, &size);
        if (size == 0) return fail(GetLastError() == ERROR_FILE_NOT_FOUND ? Failure::NoDefault : Failure::Refused);
        std::vector<wchar_t> buffer(size);
        if (!GetDefaultPrinterW(buffer.data(), &size)) return fail(Failure::NoDefault);
        name_ = buffer.data();
    }
    bool copiesByDriver = false;
    const std::vector<BYTE> settings = jobSettings(name_, from, paper, copies, copiesByDriver, error_);
    if (settings.empty()) return fail(Failure::Refused);
    copiesToPaint_ = copiesByDriver ? 1 : std::max(copies, 1);
    // "For printing, we recommend that you pass NULL to lpszDriver."
    dc_.reset(CreateDCW(nullptr, name_.c_str(), nullptr, reinterpret_cast<const DEVMODEW*>(settings.data())));
    if (!dc_) return fail(Failure::Refused);
    return Failure::None;
}

bool PrinterDocument::fail() {
    // StartDoc, StartPage, EndPage and EndDoc document no last error: one
    // that speaks of printing is kept (a spooler sets those), any other is
    // left over from elsewhere (Wine leaves ERROR_INVALID_HANDLE there).
    const DWORD error = GetLastError();
    if (!error_ && printingError(error)) error_ = error;
    failed_ = true;
    abort();
    return false;
}

bool PrinterDocument::page(const render::Page& page) {
    if (failed_ || ended_) return false;
    if (!job_) {
        DOCINFOW info{};
        info.cbSize = sizeof info;
        info.lpszDocName = title_.c_str();
        const int job = StartDocW(dc_, &info);
        if (job <= 0) return fail();
        job_ = job;
    }
    if (StartPage(dc_) <= 0) return fail();
    painter_.paint(dc_, page, printerPlacement(dc_, page));
    if (EndPage(dc_) <= 0) return fail();
    return true;
}

bool PrinterDocument::end() {
    if (!job_ || failed_ || ended_) return false;
    if (EndDoc(dc_) <= 0) return fail();
    ended_ = true;
    return true;
}

void PrinterDocument::abort() {
    if (!job_ || ended_) return;
    ended_ = true;
    AbortDoc(dc_);
}

bool PageSelection::has(std::size_t page) const {
    if (ranges.empty()) return true;
    for (const auto& range : ranges)
        if (page >= range.first && page <= range.second) return true;
    return false;
}

PagesPrinted printPages(PrinterDocument& document, const std::uint8_t* data, std::size_t size,
                        const render::RenderOptions& options, render::RenderReport& report,
                        const PageSelection& selection, int copiesToPaint,
                        const std::function<bool(std::size_t printed)>& told) {
    struct Ended {
        PagesPrinted how;
    };
    const int rounds = selection.collate ? std::max(copiesToPaint, 1) : 1;
    const int eachPage = selection.collate ? 1 : std::max(selection.copies, 1);
    std::size_t printed = 0;
    try {
        for (int round = 0; round < rounds; ++round) {
            render::RenderReport again;  // the first round's report is the job's
            std::size_t page = 0;
            render::renderPages(data, size, options, round == 0 ? report : again, [&](render::Page& made) {
                if (!selection.has(++page)) return;
                for (int copy = 0; copy < eachPage; ++copy) {
                    if (!document.page(made)) throw Ended{PagesPrinted::Failed};
                    if (told && !told(++printed)) throw Ended{PagesPrinted::Stopped};
                }
            });
            if (!document.started()) break;  // nothing selected: no round prints anything
        }
    } catch (const Ended& ended) {
        return ended.how;
    }
    return PagesPrinted::All;
}

bool printingError(DWORD error) {
    switch (error) {
    case ERROR_OUT_OF_PAPER:
    case ERROR_PRINTQ_FULL:
    case ERROR_PRINT_CANCELLED:
    case ERROR_PRINTER_DELETED:
    case ERROR_INVALID_PRINTER_NAME:
    case ERROR_INVALID_PRINTER_STATE:
    case ERROR_PRINTER_NOT_FOUND:
    case ERROR_NOT_READY:
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_SERVICE_NOT_ACTIVE:
    case RPC_S_SERVER_UNAVAILABLE:
    case RPC_S_SERVER_TOO_BUSY:
    case RPC_S_CALL_FAILED: return true;
    default: return false;
    }
}

}  // namespace orv::print
