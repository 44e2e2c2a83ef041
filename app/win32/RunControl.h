// Capture runs and run states: start and stop, the worker's news, the
// refresh timer, link errors, closing the main window and releasing what
// the program holds.  User-interface thread only.
#pragma once
#include <windows.h>

#include "app/win32/CaptureState.h"

namespace orv {

// Main window commands.
void startCapture(CaptureState& state, WPARAM command);
void stopCapture(CaptureState& state, WPARAM command);
void refreshRunDisplay(CaptureState& state);
// The worker's news (lParam: its number): UM_LINK_OPENED starts the run
// (or tells that a send's link is open); UM_LINK_OPEN_FAILED ends the start.
void linkOpened(CaptureState& state, LPARAM id);
void linkOpenFailed(CaptureState& state, LPARAM id);
// The capture thread could not store what it received: told once per run,
// here or at the stop, whichever comes first.
void reportCaptureWriteFailed(CaptureState& state, LPARAM id);
// WM_ENDSESSION of a session that ends: what runs is ended as the user's
// stop or cancel would end it, with no message box, before Windows ends
// the program.
void endSession(CaptureState& state);
void handleLinkError(CaptureState& state, WPARAM kind, LPARAM id);
void requestClose(CaptureState& state);
void releaseResources(CaptureState& state);

// The view window's halves of start and stop, which the main window hands
// it: start the worker on the link chosen in the settings; end it and
// close the capture file.
void openCaptureLink(CaptureState& state);
void closeCaptureLink(CaptureState& state);

}  // namespace orv
