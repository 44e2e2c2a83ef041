// Capture runs and run states: start and stop, the refresh timer, link
// errors, the controls and status texts of each state, closing the main
// window and releasing what the program holds.  User-interface thread only.
#pragma once
#include <windows.h>

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

// Main window commands.
void startCapture(CaptureState& state, WPARAM command);
void stopCapture(CaptureState& state, WPARAM command);
void refreshRunDisplay(CaptureState& state);
// A receive thread could not store what it received: told once per run,
// here or at the stop, whichever comes first.
void reportCaptureWriteFailed(CaptureState& state);
// WM_ENDSESSION of a session that ends: what runs is ended as the user's
// stop or cancel would end it, with no message box, before Windows ends
// the program.
void endSession(CaptureState& state);
void handleLinkError(CaptureState& state, WPARAM kind);
void requestClose(CaptureState& state);
void releaseResources(CaptureState& state);

// The view window's halves of start and stop: open the link chosen in
// the settings; close it and the capture file.
void openCaptureLink(CaptureState& state);
void closeCaptureLink(CaptureState& state);

}  // namespace orv
