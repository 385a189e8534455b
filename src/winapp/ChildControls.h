#pragma once
// What the program's windows share in making and reading their controls, and in
// showing what went wrong: a child control in the dialog font, a control's text as
// UTF-8, and a command run with its error shown in the texts the Linux program uses.

#include <windows.h>
#include <commctrl.h>

#include <exception>
#include <string>

#include "base/RussianMessages.h"
#include "winapp/WideText.h"

namespace ter5::winapp {

// The caption of the program's message boxes.
inline constexpr wchar_t kMessageCaption[] = L"TER5 Manager";

// A child control of `parent` of the class `kind`, with `text`, the styles (WS_CHILD and
// WS_VISIBLE are added), the id and the box in client pixels, in `font` (the dialog
// font when none is given).
inline HWND AddChildControl(HWND parent, const wchar_t* kind, const std::string& text, DWORD style, int id, RECT box,
                            HFONT font = nullptr, DWORD exStyle = 0) {
    const HWND control = CreateWindowExW(exStyle, kind, Wide(text).c_str(), WS_CHILD | WS_VISIBLE | style, box.left,
                                         box.top, box.right - box.left, box.bottom - box.top, parent,
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                         nullptr);
    const HGDIOBJ shown = font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(shown), FALSE);
    return control;
}

// The client area of `window` between its tool bar on top and its status bar below,
// both resized to the window first.
inline RECT AreaBetweenBars(HWND window, HWND toolBar, HWND statusBar) {
    SendMessageW(toolBar, TB_AUTOSIZE, 0, 0);
    SendMessageW(statusBar, WM_SIZE, 0, 0);
    RECT client{}, tools{}, status{};
    GetClientRect(window, &client);
    GetWindowRect(toolBar, &tools);
    GetWindowRect(statusBar, &status);
    return RECT{0, tools.bottom - tools.top, client.right, client.bottom - (status.bottom - status.top)};
}

// A control's text in UTF-8.
inline std::string WindowTextOf(HWND control) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return Narrow(text);
}

// An error box over `owner` with `error` in the user's words (the busy, read-only and
// damaged-table messages in Russian, as on Linux).
inline void ShowErrorBox(HWND owner, const std::exception& error) {
    MessageBoxW(owner, Wide(base::UserErrorText(error)).c_str(), kMessageCaption, MB_OK | MB_ICONERROR);
}

// Runs `step`; an error is shown over `owner` and the program goes on. Whether it ran
// through.
template <typename F>
bool RunShowingErrors(HWND owner, F&& step) {
    try {
        step();
        return true;
    } catch (const std::exception& error) {
        ShowErrorBox(owner, error);
        return false;
    }
}

}  // namespace ter5::winapp
