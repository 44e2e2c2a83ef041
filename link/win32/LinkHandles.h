// What only the system can tell about an open link: the port's settings
// as its driver holds them.  For checks; a link's user has no business
// with its handle.
#pragma once
#include <windows.h>

#include "link/DeviceLink.h"

namespace orv {

// INVALID_HANDLE_VALUE unless link is an open serial link.
HANDLE serialPortHandle(const DeviceLink& link);

}  // namespace orv
