#pragma once
// File-system helpers of the engine: case-insensitive name lookup (bases copied
// from Windows keep any mix of cases), whole-file reads, atomic replacement and
// advisory locks.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ter5::engine {

// The entry of `dir` whose name equals `name` ignoring ASCII case; an exact match
// wins over other spellings. nullopt when there is none.
std::optional<std::filesystem::path> FindFileNoCase(const std::filesystem::path& dir, const std::string& name);

// `path` itself if it exists, else the same name in another case in its directory.
std::optional<std::filesystem::path> ResolveNoCase(const std::filesystem::path& path);

// Every entry of `dir` whose name starts with `stem` + "." ignoring case.
std::vector<std::filesystem::path> ListCompanions(const std::filesystem::path& dir, const std::string& stem);

// Reads a whole file. Throws EngineError naming the file when it cannot be read.
std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path);

// Whether a replaced file is forced to disk before it takes the old one's place.
enum class Durability {
    Synced,    // fsync before the rename: after a crash the file is the old one or the new one
    Unsynced,  // no fsync: for derived files, rewritten often, that may be lost in a crash
};

// Writes `data` to a temporary file beside `path`, syncs it (unless Unsynced) and
// renames it over `path`; the new file keeps the permissions of the one it replaces.
// On failure the original is untouched and EngineError is thrown.
void WriteFileAtomic(const std::filesystem::path& path, const std::vector<std::uint8_t>& data,
                     Durability durability = Durability::Synced);

// Where WriteFileAtomic stands when it calls the write hook.
enum class WriteStage {
    BeforeReplace,  // the temporary file is complete; the original is untouched
    AfterReplace,   // the new file has replaced the original
};

// Test hook for fault injection: called by WriteFileAtomic at both stages with the
// target path; an exception it throws comes out of WriteFileAtomic (a temporary file
// is removed first). Empty by default; not thread-safe.
using WriteHook = std::function<void(const std::filesystem::path& target, WriteStage stage)>;
void SetWriteHook(WriteHook hook);

// Flushes a file's contents to disk (fsync). Missing files are ignored.
void SyncFile(const std::filesystem::path& path);

// An advisory lock on a table file, shared or exclusive, held until destruction.
// A conflicting lock held by another open gives EngineError "Table is busy".
class FileLock {
public:
    FileLock(const std::filesystem::path& path, bool exclusive);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool Exclusive() const { return exclusive_; }

private:
    int fd_ = -1;
    bool exclusive_;
};

// ASCII case-insensitive equality of two names.
bool EqualsNoCase(const std::string& a, const std::string& b);

}  // namespace ter5::engine
