#include "tools/companion/win32/ConsoleSession.h"

#include <utility>

namespace orv::companion {
namespace {

// Windows lets an application take about five seconds over WM_ENDSESSION.
constexpr DWORD kEndWaitMs = 4000;

}  // namespace

QuickEditOff::QuickEditOff() {
    // The console's own input, whatever standard input was redirected to.
    input_.reset(CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr));
    if (!input_) return;
    if (!GetConsoleMode(input_.get(), &previous_) ||
        !SetConsoleMode(input_.get(), (previous_ | ENABLE_EXTENDED_FLAGS) & ~DWORD(ENABLE_QUICK_EDIT_MODE)))
        input_.reset();
}

QuickEditOff::~QuickEditOff() {
    // Without the extended flag the quick-edit bit would be ignored.
    if (input_) SetConsoleMode(input_.get(), previous_ | ENABLE_EXTENDED_FLAGS);
}

SessionEndWatch::SessionEndWatch(std::function<void()> onEnd, HANDLE done) : onEnd_(std::move(onEnd)), done_(done) {
    ready_.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!ready_) return;
    thread_.reset(CreateThread(nullptr, 0, threadMain, this, 0, nullptr));
    if (thread_) WaitForSingleObject(ready_.get(), INFINITE);
}

SessionEndWatch::~SessionEndWatch() {
    if (!thread_) return;
    if (window_) PostMessageA(window_, WM_CLOSE, 0, 0);
    WaitForSingleObject(thread_.get(), INFINITE);
}

void SessionEndWatch::endSession() {
    try {
        if (onEnd_) onEnd_();
    } catch (...) {
        // The stop is best effort here; the wait below still bounds the end.
    }
    if (done_) WaitForSingleObject(done_, kEndWaitMs);
}

DWORD WINAPI SessionEndWatch::threadMain(void* param) {
    auto* self = static_cast<SessionEndWatch*>(param);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA cls{};
    cls.lpfnWndProc = windowProc;
    cls.hInstance = instance;
    cls.lpszClassName = kWindowClass;
    RegisterClassA(&cls);  // fails harmlessly when a second watch registered it first
    // Top-level and never shown: a message-only window gets no broadcasts.
    self->window_ =
        CreateWindowExA(WS_EX_TOOLWINDOW, kWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, self);
    SetEvent(self->ready_.get());
    if (!self->window_) return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}

LRESULT CALLBACK SessionEndWatch::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<SessionEndWatch*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
    case WM_QUERYENDSESSION: return TRUE;
    case WM_ENDSESSION:
        if (wParam && self) self->endSession();
        return 0;
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace orv::companion
