#include "base/Clock.h"

#include <windows.h>

namespace orv {

std::uint64_t monotonicMs() { return GetTickCount64(); }

LocalTime localTimeNow() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

}  // namespace orv
