#include "link/win32/LinkThread.h"

#include <process.h>

namespace orv {

bool startLinkThread(CaptureState& state, unsigned(__stdcall* procedure)(void*)) {
    return startLinkThread(state, procedure, &state);
}

bool startLinkThread(CaptureState& state, unsigned(__stdcall* procedure)(void*), void* argument) {
    unsigned id = 0;
    auto handle = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, procedure, argument, 0, &id));
    if (!handle) return false;
    state.threadHandle.store(handle);
    state.threadId.store(id);
    return true;
}

void joinLinkThread(CaptureState& state) {
    // The closer owns the handle: it stays valid while it is waited on and
    // is closed here, once.
    HANDLE thread = state.threadHandle.exchange(nullptr);
    if (thread) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    state.threadId.store(0);
}

}  // namespace orv
