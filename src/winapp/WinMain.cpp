// The Windows desktop program: the main window in the tray and its message loop.
// "--show" shows the window at start; otherwise it waits in the notification area.

#include <windows.h>
#include <commctrl.h>

#include <cwchar>

#include "winapp/MainWindow.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    ter5::winapp::MainWindow::Options options;
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; arguments && i < count; ++i) {
        if (std::wcscmp(arguments[i], L"--show") == 0) options.showAtStart = true;
    }
    LocalFree(arguments);

    ter5::winapp::MainWindow window(options);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorW(window.Handle(), window.Accelerators(), &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
