// ter5tool: the command-line face of the TER5 Manager libraries.
#include <cstdio>
#include <string>
#include <vector>

#include "Commands.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>

#include "engine/FileUtil.h"

// Windows hands a program its arguments in UTF-16; the narrow argv is in the ANSI
// code page, which cannot hold every name (Cyrillic on a Western system). The
// commands take UTF-8, and print it: the console is switched to UTF-8 output.
int main() {
    SetConsoleOutputCP(CP_UTF8);
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 1; argv && i < argc; ++i) args.push_back(ter5::engine::PathToUtf8(std::filesystem::path(argv[i])));
    LocalFree(argv);
    return ter5::tool::RunCommand(args);
}
#else
int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return ter5::tool::RunCommand(args);
}
#endif
