// A document on a printer of the Windows print system, step by step as
// Microsoft documents it: OpenPrinter; DocumentProperties for the
// printer's DEVMODE (DM_OUT_BUFFER), the paper and copies set in it and
// merged by the driver (DM_IN_BUFFER | DM_OUT_BUFFER); CreateDC with it;
// StartDoc, StartPage / EndPage for each page, EndDoc, each result checked
// (SP_ERROR and every other value <= 0 is a failure), and AbortDoc for a
// document that fails half-way or is given up.
//
// Under Wine (its winspool on CUPS) the same calls print through Wine's
// PostScript driver to the CUPS queue; StartDoc returns Wine's own job
// number there, not the CUPS one.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/win32/Owned.h"
#include "print/win32/PagePainter.h"
#include "render/Render.h"

namespace orv::print {

// The job's settings for printer name: the printer's own (or from's, a
// DEVMODE such as the Print dialog's) with paper and copies asked for,
// merged by the driver.  Empty on failure, with Windows' error in error.
// copiesByDriver tells whether the driver makes the copies (else the
// pages are to be painted that often).
std::vector<BYTE> jobSettings(const std::wstring& name, const DEVMODEW* from, const render::Paper& paper, int copies,
                              bool& copiesByDriver, DWORD& error);

// Asks for paper in a DEVMODE: the printer's own paper of that size when it
// lists one (DeviceCapabilities DC_PAPERS, DC_PAPERSIZE; within a
// millimetre), else a size of its own (dmPaperSize 0, dmPaperWidth and
// dmPaperLength in 0.1 mm); landscape for a page wider than high.
void askForPaper(DEVMODEW& mode, const wchar_t* printer, const wchar_t* port, const render::Paper& paper);

// A printer's device context for one document.
class PrinterDc {
public:
    enum class Failure { None, NoDefault, Unknown, Unreachable, Refused };

    PrinterDc() = default;
    PrinterDc(const PrinterDc&) = delete;
    PrinterDc& operator=(const PrinterDc&) = delete;

    // Opens printer name (empty: the default printer) with the paper and
    // copies asked for, over the printer's own settings or from's (the
    // Print dialog's DEVMODE).
    Failure open(const std::wstring& name, const render::Paper& paper, int copies, const DEVMODEW* from = nullptr);
    HDC get() const { return dc_.get(); }
    const std::wstring& name() const { return name_; }  // the default's, once known
    // How often the pages are to be painted: the copies the driver does not make.
    int copiesToPaint() const { return copiesToPaint_; }
    DWORD error() const { return error_; }  // Windows' error for a failure; 0 when it gave none

private:
    Failure fail(Failure failure);

    CreatedDc dc_;
    std::wstring name_;
    int copiesToPaint_ = 1;
    DWORD error_ = 0;
};

// One document on a printer's device context.  It starts (StartDoc) with
// its first page, so that a job without pages sends nothing.
class PrinterDocument {
public:
    PrinterDocument(HDC dc, std::wstring title) : dc_(dc), title_(std::move(title)) {}
    ~PrinterDocument() { abort(); }  // a document not ended is given up
    PrinterDocument(const PrinterDocument&) = delete;
    PrinterDocument& operator=(const PrinterDocument&) = delete;

    // Prints a page; false (the document given up) when the system failed.
    bool page(const render::Page& page);
    // Ends the document; false when it failed or had no page.
    bool end();
    // Gives the document up (AbortDoc), as a cancelled print does.
    void abort();

    bool started() const { return job_ > 0; }
    bool failed() const { return failed_; }
    int job() const { return job_; }  // StartDoc's number for the job
    // Windows' error for a failure when it speaks of printing (printingError); else 0.
    DWORD error() const { return error_; }

private:
    bool fail();

    HDC dc_;
    std::wstring title_;
    PagePainter painter_;
    int job_ = 0;
    bool ended_ = false, failed_ = false;
    DWORD error_ = 0;
};

// Which pages of a job are printed, and how often.
struct PageSelection {
    // Pages from 1, each range first to last; none: every page.
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    int copies = 1;
    // Each copy the pages in order; else each page that often in turn.
    bool collate = true;
    bool has(std::size_t page) const;  // page from 1
};

enum class PagesPrinted { All, Failed, Stopped };

// Renders the job (report gets what was skipped) and prints the selected
// pages on document: for collated copies copiesToPaint times over (the
// copies the driver does not make, PrinterDc::copiesToPaint), else each
// page selection.copies times.  told hears how many pages are out after
// each and stops the printing by returning false.  The document is not
// ended: Failed leaves it given up, Stopped to the caller.
PagesPrinted printPages(PrinterDocument& document, const std::uint8_t* data, std::size_t size,
                        const render::RenderOptions& options, render::RenderReport& report,
                        const PageSelection& selection, int copiesToPaint,
                        const std::function<bool(std::size_t printed)>& told = nullptr);

// Whether a Windows error speaks of printing (out of paper, a printer
// deleted, the spooler gone...): worth telling the user in its own words.
// Other errors after a failed print call tell nothing: GDI's print calls
// do not document their last error, and Wine leaves an unrelated one.
bool printingError(DWORD error);

}  // namespace orv::print
