// What the main window shows of a run: the menu items and toolbar buttons
// of each run state, and the status bar's texts.  Needs only the run
// record; user-interface thread only.
#pragma once
#include <string>

#include "app/win32/CaptureState.h"

namespace orv {

// Menu items and toolbar buttons for Idle (capturing false) or Capturing.
void setRunControls(CaptureState& state, bool capturing);
// Menu items and toolbar buttons while a file is being sent.
void setSendControls(CaptureState& state);
// Enables the toolbar's text-view button (after a hex, filtered or page
// view).
void enableTextViewButton(CaptureState& state);
// The toolbar's view buttons all up: the page view has none of its own.
void releaseViewButtons(CaptureState& state);
// File > Print and Cancel printing as a print starts or ends.
void setPrintControls(CaptureState& state);

// Status bar part 0: a string of the language library.
void showStatusText(CaptureState& state, unsigned stringId);
// Status bar part 1: byteCount in decimal.
void showByteCount(CaptureState& state);
// Status bar part 2: where the page view stands ("Page 3 of 12"); a blank
// when it is not shown.
void showPagePosition(CaptureState& state);
// Status bar part 3: how a print of the Print command goes.
void showPrintText(CaptureState& state, const std::string& text);

}  // namespace orv
