// Print jobs back on paper: a captured job rendered and handed to a
// printer of the system's print system, CUPS on Linux (the PDF the
// renderer makes) and the Windows print system on Windows (the pages
// painted by GDI, print/win32/PagePainter.h).  The one path every front
// end takes: the companion's print, capture --print, the window.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/FileSystem.h"
#include "capture/Documents.h"
#include "render/Render.h"

namespace orv::print {

constexpr int kMostCopies = 999;

struct PrintRequest {
    std::string printer;  // UTF-8; empty: the system's default printer
    int copies = 1;       // 1 to kMostCopies
    std::string title;    // the job's name in the queue (UTF-8): the file's name
    render::RenderOptions options;
};

// What became of one print.
struct PrintOutcome {
    enum class Failure {
        None,
        Render,          // the job was not read or rendered: render says why
        Empty,           // the job makes no page: nothing was sent
        NoDefault,       // no printer named and the system has no default
        UnknownPrinter,  // the system has no printer of that name
        Unreachable,     // the print system did not answer
        Refused,         // the printer or the print system did not take the job
    };
    Failure failure = Failure::None;
    RenderOutcome render;  // the job's language and skipped commands; Read, Language, Memory
    std::string printer;   // where it went, or was to go: the default's name once known
    long long job = 0;     // the print system's number for the job
    std::string detail;    // the print system's own words (Unreachable, Refused)
    bool ok() const { return failure == Failure::None; }
};

// Prints a job (its bytes as the printer got them); returns once the print
// system has taken all of it, or has failed.
PrintOutcome printJob(const std::uint8_t* data, std::size_t size, const PrintRequest& request);
// Reads the file path (a capture's 0x07 sequences decoded; input says
// what the file holds: inputKindOf for a file opened, Capture for a
// capture) and prints it; titled titleFor(path) when the request has no
// title.
PrintOutcome printFile(FileSystem& fs, const std::string& path, InputKind input, const PrintRequest& request);

// A job's name in a print queue: the file's name without its folder.
std::string titleFor(const std::string& path);

// "SOURCE on PRINTER (job N)": where a printed job went.
std::string describePrinted(const PrintOutcome& outcome, const std::string& source);
// One line for a failed outcome, naming the file and, for the print
// system's failures, the printer: "SOURCE: no printer named "X"",
// "SOURCE is a PCL job; only plain text and ESC/P are rendered".
std::string describeNotPrinted(const PrintOutcome& outcome, const std::string& source);

// The system's half (posix/CupsPrint.cpp, win32/WindowsPrint.cpp): sends
// a job in a language the renderer takes; sets outcome's printer, job,
// failure and detail, and adds what was skipped to its render report.
void submit(const std::uint8_t* data, std::size_t size, const PrintRequest& request, PrintOutcome& outcome);

}  // namespace orv::print
