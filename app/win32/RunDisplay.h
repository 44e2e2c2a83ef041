// What the main window shows of a run: the menu items and toolbar buttons
// of each run state, and the status bar's texts.  Needs only the run
// record; user-interface thread only.
#pragma once
#include "app/win32/CaptureState.h"

namespace orv {

// Menu items and toolbar buttons for Idle (capturing false) or Capturing.
void setRunControls(CaptureState& state, bool capturing);
// Menu items and toolbar buttons while a file is being sent.
void setSendControls(CaptureState& state);
// Enables the toolbar's text-view button (after a hex or filtered view).
void enableTextViewButton(CaptureState& state);

// Status bar part 0: a string of the language library.
void showStatusText(CaptureState& state, unsigned stringId);
// Status bar part 1: byteCount in decimal.
void showByteCount(CaptureState& state);

}  // namespace orv
