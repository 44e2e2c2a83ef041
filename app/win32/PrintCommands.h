// The main window's printing: File > Print of the file in the view (or
// the last capture) through the standard Print dialog, printed on a
// thread of its own with its progress in the status bar while the window
// stays usable, and File > Cancel printing, which gives the job up.
// User-interface thread only.
#pragma once
#include <windows.h>
// PRINTDLGEX is declared only after COM's declarations.
#include <objbase.h>

#include <commdlg.h>

#include <cstddef>
#include <string>

#include "app/win32/CaptureState.h"
#include "print/Print.h"
#include "print/win32/PrinterJob.h"

namespace orv {

// CMD_PRINT: the Print dialog, then the print.  Nothing while a link
// runs or a print is under way (the command is greyed then).
void printFromDialog(CaptureState& state);
// CMD_CANCEL_PRINT.
void cancelPrint(CaptureState& state);
// UM_PRINT_PROGRESS and UM_PRINT_ENDED from the print's thread.
void printProgressed(CaptureState& state);
void printEnded(CaptureState& state);
// Whether a print of the Print command is under way.
bool printing(const CaptureState& state);
// The window goes: a print under way is given up.
void endPrint(CaptureState& state);

// Why a print failed, in the language library's words (ANSI, for a
// message box), the printer named: "The printer X did not take the job.";
// source is the job's file.
std::string whyNotPrinted(const CaptureState& state, const print::PrintOutcome& outcome, const std::string& source);

// The pages the Print dialog's answer asks for: the current page (from
// 1; 0 when the page view is not shown), the ranges typed, or every page
// of the job's pages.  wine: the dialog was Wine's, which tells its page
// range but not whether it was chosen (see PrintCommands.cpp).  any is
// false when ranges were asked for and the job has none of their pages.
print::PageSelection printSelection(const PRINTDLGEXW& dialog, std::size_t current, std::size_t pages, bool wine,
                                    bool& any);

}  // namespace orv
