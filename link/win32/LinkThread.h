// The one link worker thread of the run record: started with the record as
// its argument, and joined by whoever closes the link.
#pragma once
#include <windows.h>

#include "app/win32/CaptureState.h"

namespace orv {

// Starts a link worker with the run record as its argument; the handle
// goes to state.threadHandle.  False when no thread could be started.
bool startLinkThread(CaptureState& state, unsigned(__stdcall* procedure)(void*));
// Starts a link worker with its own argument (a send job).
bool startLinkThread(CaptureState& state, unsigned(__stdcall* procedure)(void*), void* argument);
// Waits for the link worker to end and closes its handle, exactly once.
void joinLinkThread(CaptureState& state);

}  // namespace orv
