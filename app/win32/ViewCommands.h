// The main window's commands on the stored file: its three views, opening
// another file and saving what is viewed.  User-interface thread only.
#pragma once
#include "app/win32/CaptureState.h"

namespace orv {

// CMD_VIEW_TEXT, CMD_VIEW_HEX, CMD_VIEW_FILTERED and CMD_OPEN_FILE.
// Others are ignored.
void runViewCommand(CaptureState& state, unsigned command);
// CMD_SAVE_AS: in the text view a copy of the current file, otherwise the
// loaded data (hex text or filtered bytes) as written.
void saveCurrentFileAs(CaptureState& state);

}  // namespace orv
