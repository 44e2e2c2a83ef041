// The main window's documents: File > Export as PDF of the file in the
// view (or the last capture), and what each capture gets when its run
// stops: its PDF beside it while "also save each capture as PDF" is set,
// and its print while "also print each capture" is, made in turn off the
// user-interface thread.  User-interface thread only.
#pragma once
#include "app/win32/CaptureState.h"

namespace orv {

// CMD_EXPORT_PDF: the save dialog, then the PDF, replacing a file only
// once it is complete; a failure is told.
void exportAsPdf(CaptureState& state);
// The run's capture file is closed and complete: its PDF and its print
// are queued as the settings ask.
void queueCaptureDocuments(CaptureState& state);
// UM_DOCUMENT_DONE: tells the PDFs that could not be made and the prints
// that failed, each once; a later capture is printed afresh.  The printer
// units that the auto mode chose for a document stand in the status bar's
// last part.
void captureDocumentsDone(CaptureState& state);
// Waits for the PDFs and prints still queued (the window is going).
void finishCaptureDocuments(CaptureState& state);

}  // namespace orv
