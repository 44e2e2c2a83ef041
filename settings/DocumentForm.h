// The rules of the document settings: the paper texts, the code pages, the
// printer names and the top of form that the profile keeps and the
// settings dialog takes.  Portable.
#pragma once
#include <cstddef>
#include <cstdint>

#include "settings/Settings.h"

namespace orv {

// The code pages offered, in the order the settings list them: every one
// the renderer knows.
constexpr std::int32_t kDocumentCodePages[] = {437, 850, 852, 858, 865, 866, 1252, 895,   667,   737,
                                               775, 857, 860, 861, 862, 863, 869,  28591, 28592, 28605};
constexpr int kDocumentCodePageCount = sizeof kDocumentCodePages / sizeof kDocumentCodePages[0];
bool isDocumentCodePage(std::int32_t codePage);
// A code page as the profile keeps it: its number, or a name the renderer
// knows ("kamenicky", "iso8859-2"); false, with codePage left alone, for
// anything else.
bool takeCodePageText(const char* text, std::int32_t& codePage);

// A paper as typed: blanks removed and lower case, it must be "a4",
// "letter", or width "x" height with "in" or "mm" ("8.5x12in",
// "210x297mm"), each side from 1 to 100 inches.  False, with paper left
// alone, for anything else.
bool takePaperText(const char* text, char (&paper)[kPaperTextSize]);

// A top of form as typed: blanks removed and lower case, a length with its
// unit, "8.5mm", "0.33in" or "24pt", from 0 to 100 mm.  False, with the
// text left alone, for anything else.
bool takeTopOfFormText(const char* text, char (&topOfForm)[kLengthTextSize]);

// The printers in the order the settings list them.
constexpr PrinterMode kPrinterModes[] = {PrinterMode::Auto, PrinterMode::Epson, PrinterMode::EpsonNinePin,
                                         PrinterMode::Ibm};
constexpr int kPrinterModeCount = sizeof kPrinterModes / sizeof kPrinterModes[0];

// Where value stands in a list's table, for the list's selection; 0, the
// default, when it is not there.
template <class T, std::size_t N>
int listItemOf(const T (&table)[N], T value) {
    for (std::size_t i = 0; i < N; ++i)
        if (table[i] == value) return static_cast<int>(i);
    return 0;
}

// "auto", "epson", "epson9" or "ibm" in any case; false for anything else.
bool takePrinterName(const char* text, PrinterMode& printer);
const char* printerName(PrinterMode printer);

}  // namespace orv
