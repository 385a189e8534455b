#pragma once
// All-or-nothing replacement of a table's files (.DB, .MB, .PX, .Xnn/.Ynn,
// .XGn/.YGn): every new file is first written in full to a temporary file beside
// its target, then one journal file records what is to be renamed and deleted
// (the commit point), then the renames and deletions are carried out and the
// journal removed. A write cut off before the commit point leaves every old file
// as it was; one cut off after it is completed by the next holder of the table
// (TidyTable). Readers never see a mix of old and new files. Only a journal this
// program wrote for the table is replayed (WriteJournal.h); any other file of that
// name is left alone and refuses writes.
//
// The caller holds the table's lock exclusively (TableLock) from before it reads
// the files it rewrites until Commit returns. doc/table-locking.md has the
// protocol and the file names.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "PlatformFiles.h"

namespace ter5::engine {

// Where a write stands when it calls the write hook.
enum class WriteStage {
    BeforeReplace,  // a temporary file is complete; nothing of the table has changed
    Committed,      // the journal is on disk: the write will be completed
    AfterReplace,   // a target file has been replaced (or deleted)
};

// Test hook for fault injection: called with the target file at every stage; an
// exception it throws comes out of the write (which then rolls back if it has not
// committed). Empty by default; not thread-safe.
using WriteHook = std::function<void(const std::filesystem::path& target, WriteStage stage)>;
void SetWriteHook(WriteHook hook);

class FileTransaction {
public:
    // A transaction on the files of table `tablePath` (the .DB, existing or to be
    // created). New files take the table's mode and group. Throws EngineError
    // "Table is read-only" when the table file is read-only, and EngineError when
    // it is a symbolic link (a write would replace the link by a copy).
    explicit FileTransaction(const std::filesystem::path& tablePath);
    // Removes the temporary files of a transaction that did not commit.
    ~FileTransaction();
    FileTransaction(const FileTransaction&) = delete;
    FileTransaction& operator=(const FileTransaction&) = delete;

    // Writes `data` now to a temporary file that replaces `target` (a file of the
    // same directory) at Commit, keeping target's mode, ownership and extended
    // attributes. Throws EngineError "Table is read-only" when target is read-only,
    // EngineError when it is a symbolic link or the data or attributes cannot be
    // written (a full disk): nothing of the table has changed then.
    void Replace(const std::filesystem::path& target, const std::vector<std::uint8_t>& data);
    // Deletes `target` at Commit (when it exists then).
    void Remove(const std::filesystem::path& target);

    // Carries out the replacements and deletions. Throws EngineError when the
    // table's lock file is no longer the one locked (CheckLockStillNamed) or the
    // journal cannot be written (nothing changed), when a rename fails after it was
    // written (the write is completed at the next access to the table), or when
    // the directory cannot be flushed afterwards (the write is made, not durable).
    void Commit();

    bool Empty() const { return replaces_.empty() && removes_.empty(); }
    // The temporary file Replace wrote for `target` (empty when none), to be read
    // back before Commit.
    std::filesystem::path StagedFile(const std::filesystem::path& target) const;

private:
    struct Step {
        std::filesystem::path temp;
        std::filesystem::path target;
    };
    void WriteJournal() const;

    std::filesystem::path table_;
    std::filesystem::path dir_;
    FileAttributes tableAttributes_;
    std::vector<Step> replaces_;
    std::vector<std::filesystem::path> removes_;
    std::string id_;       // the write's unique id, in its journal and temporary file names
    unsigned temps_ = 0;   // temporary files made so far
    bool committed_ = false;
};

// True when a journal file (ours or not) stands beside `tablePath`.
bool HasInterruptedWrite(const std::filesystem::path& tablePath);

// True when a committed write of `tablePath` was cut off before it finished: a
// journal this program wrote for the table, which the next holder replays.
bool HasReplayableWrite(const std::filesystem::path& tablePath);

// What is wrong with a journal file beside `tablePath` that this program did not
// write for it (a planted or damaged file); nullopt when there is none.
std::optional<std::string> ForeignJournal(const std::filesystem::path& tablePath);

// Completes an interrupted write of `tablePath` and deletes its leftover
// temporary files. The caller holds the table exclusively. Throws EngineError,
// changing nothing, when the journal there is not one this program wrote for the
// table: it is never replayed nor deleted, and writes stay refused while it is there.
void TidyTable(const std::filesystem::path& tablePath);

// The leftover temporary files of `tablePath` (what TidyTable would delete).
std::vector<std::filesystem::path> LeftoverTemporaries(const std::filesystem::path& tablePath);

// True when `fileName` is one of the engine's temporary or journal files.
bool IsEngineWorkFile(const std::string& fileName);

// True when `fileName` must never be an output of ours: the engine's temporary and
// journal files, the table lock file and the original engine's lock files.
bool IsReservedFileName(const std::string& fileName);

}  // namespace ter5::engine
