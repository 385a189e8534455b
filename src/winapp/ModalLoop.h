#pragma once
// A window shown modally over its owner: the owner disabled, the program's messages
// run (the dialog's keys through IsDialogMessage) until the window is hidden or
// destroyed, then the owner enabled and brought back to the front.

#include <windows.h>

namespace ter5::winapp {

// Shows `dialog` over `owner` and returns when it is hidden; `shown` runs once it is
// visible (to set the focus). A WM_QUIT met on the way is posted again for the main
// loop.
template <typename Shown>
void RunModal(HWND dialog, HWND owner, Shown&& shown) {
    EnableWindow(owner, FALSE);
    ShowWindow(dialog, SW_SHOW);
    SetForegroundWindow(dialog);
    shown();
    MSG message;
    while (IsWindow(dialog) && IsWindowVisible(dialog)) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            PostQuitMessage(static_cast<int>(message.wParam));  // the program ends: the main loop sees it too
            break;
        }
        if (IsDialogMessageW(dialog, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    EnableWindow(owner, TRUE);
    if (IsWindowVisible(owner)) SetForegroundWindow(owner);
}

}  // namespace ter5::winapp
