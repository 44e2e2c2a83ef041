// A COM port's set-up as the serial link gives it to the driver: the
// complete device control block and the time-outs, fixed for the life of
// the port.
#pragma once
#include <windows.h>

#include "link/LinkRules.h"

namespace orv {

// Sets every member of the block that the line decides, whatever it held
// before (a driver hands out what the last program left there), with its
// length and the reserved members: nothing of an earlier program's block
// survives but wReserved1.
void fillDeviceControlBlock(DCB& dcb, const SerialLine& line);
COMMTIMEOUTS serialTimeouts(const SerialLine& line);

}  // namespace orv
