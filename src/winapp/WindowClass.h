#pragma once
// Window classes of the program: registered once, and the window procedure of a class
// whose windows are C++ objects.

#include <windows.h>

namespace ter5::winapp {

// Registers the class `name` with `procedure` unless it is registered already.
inline void RegisterWindowClassOnce(const wchar_t* name, WNDPROC procedure, UINT style, HCURSOR cursor,
                                    HBRUSH background, HICON icon = nullptr) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    if (GetClassInfoExW(instance, name, &windowClass)) return;
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = style;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hCursor = cursor;
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    RegisterClassExW(&windowClass);
}

// The procedure of windows that are objects of T: the object comes as CreateWindowEx's
// last argument, learns its window (T::Attach) and gets every message after that
// (T::Handle); messages before it go to DefWindowProc.
template <class T>
LRESULT CALLBACK ObjectWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* object = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        object->Attach(hwnd);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
    }
    auto* object = reinterpret_cast<T*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return object ? object->Handle(message, wParam, lParam) : DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace ter5::winapp
