// The Windows desktop program: the main window in the tray and its message loop.
// "--show" shows the window at start; otherwise it waits in the notification area.
// --help and --version answer on the standard output the program was given (a pipe, a
// file) or else on the console it was started from, and open no window.

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "base/ProgramCommandLine.h"
#include "winapp/MainWindow.h"
#include "winapp/WideText.h"

namespace {

// What --help adds for Windows: where the program keeps its files.
constexpr char kHelpNotes[] =
    "The template tables are those of the directory the program is started in, when\n"
    "it holds them; else the user's copy in %APPDATA%\\ter5manager, made from the\n"
    "installed templates the first time. The Start-menu entry starts the program in\n"
    "the folder it was installed into.\n";

// Writes `text` to standard output or error: the handle the program was given, else the
// console of the program that started it. A program of the window subsystem has neither
// by itself.
void Write(DWORD which, const std::string& text) {
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
        handle = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             0, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return;
    }
    DWORD written = 0;
    WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> words;
    for (int i = 1; arguments && i < count; ++i) words.push_back(ter5::winapp::Narrow(arguments[i]));
    LocalFree(arguments);
    const ter5::base::ProgramCommand command = ter5::base::ParseProgramArguments(words);
    switch (command.action) {
        case ter5::base::ProgramCommand::Action::PrintHelp: Write(STD_OUTPUT_HANDLE, ter5::base::ProgramHelpText("", kHelpNotes)); return 0;
        case ter5::base::ProgramCommand::Action::PrintVersion:
            Write(STD_OUTPUT_HANDLE, ter5::base::ProgramVersionText() + "\n");
            return 0;
        case ter5::base::ProgramCommand::Action::Fail:
            Write(STD_ERROR_HANDLE, ter5::base::ProgramErrorText(command.error) + "\n");
            return 2;
        case ter5::base::ProgramCommand::Action::Start: break;
    }

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    ter5::winapp::MainWindow::Options options;
    options.showAtStart = command.show;
    ter5::winapp::MainWindow window(options);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorW(window.Handle(), window.Accelerators(), &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
