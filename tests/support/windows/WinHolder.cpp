// winholder.exe: a Windows program that holds a file the way the companion
// program and the original table engine do, for the coexistence tests under Wine.
//
//   winholder open PATH   opens PATH with CreateFileW, sharing reading and writing
//   winholder lock PATH   the same, and locks its first bytes with LockFileEx (as the
//                         original engine locks PARADOX.LCK)
//
// It prints "held" on standard output once it holds, then waits until its
// standard input reaches end of file, and exits 0; on failure it prints the
// Windows error code and exits 1.

#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

// Bytes of the lock file the original engine locks (its whole header region).
constexpr DWORD kLockedBytes = 0x100;

void WaitForRelease() {
    std::printf("held\n");
    std::fflush(stdout);
    const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    char buffer[64];
    DWORD read = 0;
    while (ReadFile(in, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    }
}

int Failed(const char* what) {
    std::fprintf(stderr, "winholder: %s failed, error %lu\n", what, GetLastError());
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3 || (std::wcscmp(argv[1], L"open") != 0 && std::wcscmp(argv[1], L"lock") != 0)) {
        std::fprintf(stderr, "usage: winholder open|lock PATH\n");
        return 1;
    }
    const HANDLE file = CreateFileW(argv[2], GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Failed("CreateFileW");
    if (std::wcscmp(argv[1], L"lock") == 0) {
        OVERLAPPED at{};
        if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, kLockedBytes, 0, &at))
            return Failed("LockFileEx");
    }
    WaitForRelease();
    CloseHandle(file);
    return 0;
}
