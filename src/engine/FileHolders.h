#pragma once
// Other programs that have a table open. Our own processes keep each other away
// with TableLock; the companion program (a Windows program, under Wine on Linux)
// and the original table engine know nothing of it, so before any exclusive use
// the engine also looks for other processes holding the table's files or the
// original engine's lock files of the directory. doc/paradox-coexistence.md has
// what was observed.

#include <filesystem>
#include <string>
#include <vector>

namespace ter5::engine {

// A process that holds a file.
struct FileHolder {
    long pid = 0;                // 0 when the system does not say
    std::string program;         // its name, e.g. "Ter5.exe" for a Windows program under Wine
    std::filesystem::path file;  // the file it holds
    bool locked = false;         // it holds a lock on the file, not only the file open
};

// The original engine's lock files: PARADOX.LCK and PDOXUSRS.LCK in every directory
// it works in, <stem>.LCK for some tables.
inline constexpr const char* kEngineLockFiles[] = {"PARADOX.LCK", "PDOXUSRS.LCK"};
inline constexpr char kTableLockExtension[] = ".LCK";

// The files of table `tablePath` another program may hold: the .DB, its memo
// file and index files, and the original engine's lock files of its directory
// (those that exist, in their spelling on disk).
std::vector<std::filesystem::path> TableFilesToGuard(const std::filesystem::path& tablePath);

// The processes other than this one that have any of `files` open or locked. On
// Linux from /proc/<pid>/fd of the processes this user may inspect and from the
// POSIX locks on the files; on Windows an open that shares nothing (it fails while
// another program has the file open), the holders then named by the Restart Manager
// or the system's handle list, and a lock test (LockFileEx, let go at once) of the
// original engine's lock files. Never throws.
std::vector<FileHolder> FindFileHolders(const std::vector<std::filesystem::path>& files);

// The original engine's lock files of `directory` that another process holds
// (for verify and info).
std::vector<FileHolder> HeldEngineLockFiles(const std::filesystem::path& directory);

// " (held by Ter5.exe, process 1234)" for the first holder, "" for none.
std::string DescribeHolders(const std::vector<FileHolder>& holders);

}  // namespace ter5::engine
