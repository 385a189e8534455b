#pragma once
// Holding a table's files against other programs for one exclusive use.
//
// Before any exclusive use the engine looks for other programs holding the
// table's files or the original engine's lock files (FileHolders.h). On Windows
// the check is itself the hold: each of the table's files is opened sharing only
// reading and deletion, which fails with a sharing violation while another
// program has the file open, and, kept open, stops every other program from
// opening it until the use ends. Windows renames over and deletes no file a
// handle is open on, so this process lets go of a file just before it replaces or
// deletes it (ReleaseGuard) and holds the new file again after (RestoreGuard).
// The original engine's lock files are tested (opened and locked for a moment)
// but never held. Elsewhere the check alone is made and nothing is held.
// doc/paradox-coexistence.md has what was observed.

#include <filesystem>
#include <memory>
#include <vector>

#include "FileHolders.h"

namespace ter5::engine {

class FileGuard {
public:
    FileGuard();
    ~FileGuard();  // lets go of every file
    FileGuard(FileGuard&& other) noexcept;
    FileGuard& operator=(FileGuard&& other) noexcept;

    // Checks `files` (TableFilesToGuard) for other programs and, where the
    // platform can, holds them. Returns the holders found; when there are any,
    // nothing is held. Never throws.
    std::vector<FileHolder> Take(const std::vector<std::filesystem::path>& files);

    // Lets go of every file held (the exclusive use has ended).
    void Release();

private:
    struct Held;
    std::unique_ptr<Held> held_;
};

// Before this process replaces or deletes `file`: lets go of a guard it holds on
// it. A no-op where nothing is held.
void ReleaseGuard(const std::filesystem::path& file);

// After this process replaced `file` (or failed to): holds the file that now has
// that name again, when a guard on it was let go by ReleaseGuard.
void RestoreGuard(const std::filesystem::path& file);

}  // namespace ter5::engine
