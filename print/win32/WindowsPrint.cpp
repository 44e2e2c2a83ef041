// Printing on Windows: the job's pages painted by GDI on the printer's
// device context (PagePainter), one page at a time as the renderer makes
// them, through the Windows print system.
#include "link/win32/LinkText.h"
#include "print/Print.h"
#include "print/win32/PrinterJob.h"

namespace orv::print {

void submit(const std::uint8_t* data, std::size_t size, const PrintRequest& request, PrintOutcome& outcome) {
    using Failure = PrintOutcome::Failure;
    PrinterDc printer;
    const PrinterDc::Failure opened =
        printer.open(wideFromUtf8(request.printer), request.options.paper, request.copies);
    outcome.printer = utf8FromWide(printer.name());
    const std::string why = printer.error() ? systemText(printer.error()) : std::string();
    switch (opened) {
    case PrinterDc::Failure::None: break;
    case PrinterDc::Failure::NoDefault: outcome.failure = Failure::NoDefault; return;
    case PrinterDc::Failure::Unknown: outcome.failure = Failure::UnknownPrinter; return;
    case PrinterDc::Failure::Unreachable:
        outcome.failure = Failure::Unreachable;
        outcome.detail = why;
        return;
    case PrinterDc::Failure::Refused:
        outcome.failure = Failure::Refused;
        outcome.detail = why;
        return;
    }

    PrinterDocument document(printer.get(), wideFromUtf8(request.title));
    PageSelection every;
    every.copies = request.copies;
    printPages(document, data, size, request.options, outcome.render.report, every, printer.copiesToPaint());
    if (!document.started() && !document.failed()) {
        outcome.failure = Failure::Empty;
        return;
    }
    if (!document.end()) {
        outcome.failure = Failure::Refused;
        outcome.detail = document.error() ? systemText(document.error()) : std::string();
        return;
    }
    outcome.job = document.job();
}

}  // namespace orv::print
