// The rules of the document settings: the paper texts, the code pages and
// the printer names that the profile keeps and the settings dialog takes.
// Portable.
#pragma once
#include <cstddef>
#include <cstdint>

#include "settings/Settings.h"

namespace orv {

// The code pages offered, in the order the settings list them.
constexpr std::int32_t kDocumentCodePages[] = {437, 850, 852, 858, 865, 866, 1252};
constexpr int kDocumentCodePageCount = sizeof kDocumentCodePages / sizeof kDocumentCodePages[0];
bool isDocumentCodePage(std::int32_t codePage);

// A paper as typed: blanks removed and lower case, it must be "a4",
// "letter", or width "x" height with "in" or "mm" ("8.5x12in",
// "210x297mm"), each side from 1 to 100 inches.  False, with paper left
// alone, for anything else.
bool takePaperText(const char* text, char (&paper)[kPaperTextSize]);

// The printers in the order the settings list them.
constexpr PrinterMode kPrinterModes[] = {PrinterMode::Epson, PrinterMode::EpsonNinePin, PrinterMode::Ibm};
constexpr int kPrinterModeCount = sizeof kPrinterModes / sizeof kPrinterModes[0];

// Where value stands in a list's table, for the list's selection; 0, the
// default, when it is not there.
template <class T, std::size_t N>
int listItemOf(const T (&table)[N], T value) {
    for (std::size_t i = 0; i < N; ++i)
        if (table[i] == value) return static_cast<int>(i);
    return 0;
}

// "epson", "epson9" or "ibm" in any case; false for anything else.
bool takePrinterName(const char* text, PrinterMode& printer);
const char* printerName(PrinterMode printer);

}  // namespace orv
