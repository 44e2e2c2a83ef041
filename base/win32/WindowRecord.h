// The window procedures' common frame: a window made with the address of
// its record (of type T) as creation parameter keeps it in GWLP_USERDATA
// from WM_NCCREATE on and hands it with every later message to dispatch.
// No exception unwinds through user32: it would end the process.
#pragma once
#include <windows.h>

namespace orv {

// The class of a child window whose procedure takes its record as above:
// redrawn whole when resized, the arrow cursor, extra bytes as asked.  A
// second main window in the same process (tests) finds it registered.
inline ATOM registerChildClass(HINSTANCE instance, const char* name, WNDPROC procedure, int extraBytes = 0) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = procedure;
    wc.cbWndExtra = extraBytes;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    ATOM atom = RegisterClassExA(&wc);
    if (!atom && GetLastError() == ERROR_CLASS_ALREADY_EXISTS)
        atom = static_cast<ATOM>(GetClassInfoExA(instance, name, &wc));
    return atom;
}

template <typename T>
T* windowRecord(HWND window) {
    return reinterpret_cast<T*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

template <typename T>
LRESULT dispatchToRecord(LRESULT (*dispatch)(HWND, T&, UINT, WPARAM, LPARAM), HWND window, UINT message, WPARAM wParam,
                         LPARAM lParam) {
    try {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
            SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        T* record = windowRecord<T>(window);
        if (!record) return DefWindowProcA(window, message, wParam, lParam);
        return dispatch(window, *record, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

}  // namespace orv
