#include "link/StopSignal.h"

#include <windows.h>

#include <cstdlib>

#include "base/win32/Owned.h"

namespace orv {

StopSignal::StopSignal() {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    // Without its event a stop could not end a wait: nothing may run then.
    if (!event) std::abort();
    waitable_ = reinterpret_cast<std::intptr_t>(event);
}

StopSignal::~StopSignal() { KernelHandle(reinterpret_cast<HANDLE>(waitable_)).reset(); }

void StopSignal::request() {
    requested_.store(true);
    SetEvent(reinterpret_cast<HANDLE>(waitable_));
}

void StopSignal::clear() {
    ResetEvent(reinterpret_cast<HANDLE>(waitable_));
    requested_.store(false);
}

bool StopSignal::wait(int ms) const {
    if (!requested())
        WaitForSingleObject(reinterpret_cast<HANDLE>(waitable_), ms < 0 ? INFINITE : static_cast<DWORD>(ms));
    return requested();
}

}  // namespace orv
