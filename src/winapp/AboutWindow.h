#pragma once
// The about window `Info` of the Windows program: the program's name and version, and
// the strip of links "Новости" … "Администратор". What each link does is
// base::AboutLinks': a page of the manual installed beside the program, a web page or a
// mail from the settings files, or the message that the target is not set. Modal;
// Escape, Enter or a click outside the links closes it.

#include <windows.h>

#include "base/Platform.h"

namespace ter5::winapp {

// The window class of the about window, for programs that look for it.
inline constexpr wchar_t kAboutWindowClass[] = L"Ter5AboutWindow";

// Shows the window over `owner` until it is closed.
void ShowAboutWindow(HWND owner, base::Platform& platform);

// The file of a manual page installed with the program: <program folder>\manual\<page>.
std::string ManualPage(const std::string& page);

}  // namespace ter5::winapp
