// The main window's documents: File > Export as PDF of the file in the
// view (or the last capture), and the PDF that each capture gets beside
// it when its run stops while "also save each capture as PDF" is set,
// made off the user-interface thread.  User-interface thread only.
#pragma once
#include "app/win32/CaptureState.h"

namespace orv {

// CMD_EXPORT_PDF: the save dialog, then the PDF, replacing a file only
// once it is complete; a failure is told.
void exportAsPdf(CaptureState& state);
// The run's capture file is closed and complete: its PDF is queued when
// the settings ask for one.
void queueCapturePdf(CaptureState& state);
// UM_DOCUMENT_DONE: tells the PDFs that could not be made.  The printer
// units that the auto mode chose for a document stand in the status bar's
// last part.
void capturePdfsDone(CaptureState& state);
// Waits for the PDFs still queued (the window is going).
void finishCapturePdfs(CaptureState& state);

}  // namespace orv
