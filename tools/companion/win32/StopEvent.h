// The stop of the unattended commands on Windows: set by Ctrl+C, Ctrl+Break
// and the console closing; an event every wait also watches.
#pragma once
#include <windows.h>

namespace orv::companion {

void installStopHandler();
bool stopAsked();
HANDLE stopEvent();  // set once a stop was asked
// Waits ms milliseconds or until a stop; true when one was asked.
bool waitForStop(int ms);

}  // namespace orv::companion
