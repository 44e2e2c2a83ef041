// In-memory mirrors of the profile.  Portable: no window types.
#pragma once
#include <cstdint>

#include "base/Path.h"

namespace orv {

constexpr int kProfileValueSize = 1025;

// The link a run uses.  The profile's method value, of which 0 means the
// serial link and any other the LAN link, is kept as it is.
enum class LinkKind : std::int32_t { Serial = 0, Lan = 1 };

struct ConnectionSettings {
    std::int32_t method = 0;  // 0 serial, 1 LAN
    char comPort[kPathSize] = "COM1";
    char lanHost[kProfileValueSize] = "";
    char dService[kProfileValueSize] = "";
};

// The paper text ("a4", "letter", "210x297mm") with its zero.
constexpr int kPaperTextSize = 32;

// The printer a job is written for: ESC/P in a 24-pin printer's units, the
// IBM Proprinter, ESC/P in a 9-pin printer's units (ESC 3 n is n/216 inch
// there, not n/180), or ESC/P in the units the job's own commands tell.
enum class PrinterMode : std::int32_t { Epson = 0, Ibm = 1, EpsonNinePin = 2, Auto = 3 };

// A length text ("8.5mm") with its zero.
constexpr int kLengthTextSize = 16;

// A printer's name with its zero, as the profile keeps it.
constexpr int kPrinterNameSize = 256;

// How captured print jobs become documents.
struct DocumentSettings {
    char paper[kPaperTextSize] = "a4";  // as takePaperText leaves it
    std::int32_t codePage = 437;
    PrinterMode printer = PrinterMode::Auto;
    // The sheet's top edge to the printer's top of form, as
    // takeTopOfFormText leaves it.
    char topOfForm[kLengthTextSize] = "8.5mm";
    std::uint8_t pdfAfterCapture = 0;         // 1: each capture gets its PDF beside it when it ends
    std::uint8_t printAfterCapture = 0;       // 1: each capture is printed when it ends
    char destination[kPrinterNameSize] = "";  // the printer for that; empty: the system's default
};

struct CaptureFileSettings {
    char captureFolder[kPathSize] = "";
    char captureFileName[kPathSize] = "";
    std::uint8_t autoNameFiles = 0;  // 1: name each run by date and time
};

}  // namespace orv
