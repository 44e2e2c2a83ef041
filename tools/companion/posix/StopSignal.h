// The stop of the unattended commands on Linux: set by SIGINT, SIGTERM and
// SIGHUP, and readable on a pipe so that every wait ends at once.
#pragma once

namespace orv::companion {

void installStopSignals();
bool stopAsked();
int stopFd();  // readable once a stop was asked
// Waits ms milliseconds or until a stop; true when one was asked.
bool waitForStop(int ms);

}  // namespace orv::companion
