// The settings dialog: link kind, COM port, LAN host and port, capture
// folder, file name and naming by date, and how captured jobs become
// documents, edited on three tab pages and kept in the profile.
#pragma once
#include "app/win32/CaptureState.h"

namespace orv {

// The settings command (CMD_SETTINGS): the modal dialog 101 of the
// language library, owned by the main window.  It starts from the profile
// on disk; OK takes every control, saves the profile and copies the link
// settings into the run record; Cancel leaves the profile, the settings in
// memory and the run record as they were after the profile was read.
// Does nothing while a link is open, so the settings never change under
// a running capture or send.
void editSettings(CaptureState& state);

}  // namespace orv
