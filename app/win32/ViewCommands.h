// The main window's commands on the stored file: its three views and its
// pages, opening another file and saving what is viewed.  User-interface
// thread only.
#pragma once
#include "app/win32/CaptureState.h"

namespace orv {

// CMD_VIEW_TEXT, CMD_VIEW_HEX, CMD_VIEW_FILTERED, CMD_VIEW_PAGES and
// CMD_OPEN_FILE.  Others are ignored.
void runViewCommand(CaptureState& state, unsigned command);
// The page view gives its place back to the view window (a capture
// starts, another view is chosen).
void leavePages(CaptureState& state);
// UM_PAGES_CHANGED: the status bar follows the page view; a job that
// cannot be shown as pages is told and the text view comes back.
void pagesChanged(CaptureState& state);
// CMD_SAVE_AS: in the text view a copy of the current file, otherwise the
// loaded data (hex text or filtered bytes) as written.
void saveCurrentFileAs(CaptureState& state);

}  // namespace orv
