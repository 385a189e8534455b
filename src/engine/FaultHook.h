#pragma once
// Test hook for failing system calls of a write on purpose: the platform layer
// (PosixFiles.cpp, WindowsFiles.cpp) asks it before each call that a write relies
// on, and a non-zero answer makes the call fail with that error number as if the
// system had refused it. ter5tool installs it from TER5TOOL_FAIL (FaultInjection.cpp),
// so that tests can check with real processes that a failed call is an error of
// the write and never reported as success. Empty by default; not thread-safe.

#include <filesystem>
#include <functional>

namespace ter5::engine {

// The calls a write relies on.
enum class SystemCall {
    Chmod,          // giving a new file the mode of the file it replaces
    Chown,          // giving it the group (and owner) of that file
    CopyAttribute,  // giving it an extended attribute (a POSIX ACL among them)
    SyncFile,       // flushing a file's contents to disk
    SyncDirectory,  // flushing a directory's entries (renames, deletions) to disk
    Rename,         // putting a new file in its target's place
};

// Answers 0 to let the call run, or the error number it is to fail with.
using SystemCallHook = std::function<int(SystemCall call, const std::filesystem::path& file)>;
void SetSystemCallHook(SystemCallHook hook);

// The error number the hook gives `call` on `file`; 0 without a hook.
int InjectedError(SystemCall call, const std::filesystem::path& file);

}  // namespace ter5::engine
