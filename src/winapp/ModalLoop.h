#pragma once
// The message loop of a window shown modally: its owner is disabled while it is shown,
// and the loop runs until the window is hidden or destroyed. Dialog keys (Tab, Enter,
// Escape) go to the window through IsDialogMessage. A WM_QUIT met on the way is posted
// again, so that the program's own loop ends too.

#include <windows.h>

namespace ter5::winapp {

// Shows `window` (already placed) over `owner`, then calls `shown` (to set the focus,
// fill the window), and returns once the window is hidden or gone.
template <typename Shown>
void RunModal(HWND window, HWND owner, Shown&& shown) {
    if (owner) EnableWindow(owner, FALSE);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    shown();
    MSG message;
    while (IsWindow(window) && IsWindowVisible(window)) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (IsDialogMessageW(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (owner) {
        EnableWindow(owner, TRUE);
        if (IsWindowVisible(owner)) SetForegroundWindow(owner);
    }
}

// Hides a modal window: its owner is enabled first, so that it, not another program,
// is activated.
inline void HideModal(HWND window) {
    if (const HWND owner = GetWindow(window, GW_OWNER)) EnableWindow(owner, TRUE);
    ShowWindow(window, SW_HIDE);
}

// The point that centres a frame of `size` on the work area of the screen `window` is on.
inline POINT CentredOnScreen(HWND window, SIZE size) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor)) area = monitor.rcWork;
    return POINT{area.left + (area.right - area.left - size.cx) / 2, area.top + (area.bottom - area.top - size.cy) / 2};
}

}  // namespace ter5::winapp
