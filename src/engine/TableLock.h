#pragma once
// The lock that keeps readers and writers of one table apart, across processes.
//
// It is not taken on the table's own files: those are replaced by rename at every
// write (a lock on a replaced file protects nothing afterwards), and on a share
// served by Windows a byte-range lock on them would block the companion program's
// own reads and writes. It is taken on one byte, chosen by the table's name, of an
// empty lock file of our own in the table's directory, `ter5manager.lock`, which
// is never deleted (deleting a lock file lets two holders lock two different
// files). doc/table-locking.md has the protocol.
//
// Readers hold it shared, writers exclusive for their whole read-modify-write. A
// lock that cannot be had fails at once with "Table is busy"; nothing waits.
// Where the lock file cannot be made (a read-only base on a CD or share), reading
// goes on without it and writing fails with "Table is read-only".
//
// Within one process the holders of a table share one lock on the file (POSIX
// open-file-description locks, which also reach NFS and SMB servers): shared
// holders coexist, an exclusive holder excludes every other holder, and a shared
// holder may raise the lock for a write (WriteScope) while other processes hold
// nothing. Not thread-safe beyond what the registry mutex gives.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace ter5::engine {

class TableLock {
public:
    enum class Mode { Shared, Exclusive };

    // Locks the table `tablePath` (its .DB, existing or about to be created).
    // Throws EngineError "Table is busy" naming the table when the lock is held
    // against `mode`, and "Table is read-only" for Exclusive where no lock file
    // can be made or written.
    TableLock(const std::filesystem::path& tablePath, Mode mode);
    ~TableLock();
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;

    Mode GetMode() const { return mode_; }
    // False when reading goes on without a lock file (read-only media).
    bool Held() const;
    // The lock file's path.
    const std::filesystem::path& LockPath() const;

    // Raises a shared lock to exclusive for one write, and lowers it again at the
    // end of the scope; a no-op for an exclusive lock. Throws EngineError "Table
    // is busy" when another process holds the table, "Table is read-only" when
    // there is no lock file to raise.
    class WriteScope {
    public:
        explicit WriteScope(TableLock& lock);
        ~WriteScope();
        WriteScope(const WriteScope&) = delete;
        WriteScope& operator=(const WriteScope&) = delete;

    private:
        TableLock& lock_;
    };

    struct Entry;  // one lock file's state in this process

private:
    std::shared_ptr<Entry> entry_;
    Mode mode_;
    std::string tableName_;
};

// Throws EngineError when this process holds `tablePath` through a lock file that
// is no longer under its name (deleted, or replaced by another file): another
// process may then hold the table at the same time, so nothing may be written.
// Does nothing when this process holds no lock of the table.
void CheckLockStillNamed(const std::filesystem::path& tablePath);

// The name of the lock file of a directory's tables.
inline constexpr char kLockFileName[] = "ter5manager.lock";

// The byte of the lock file that stands for the table `tablePath`: derived from
// its stem, ignoring ASCII case, so every spelling of a table locks the same byte.
std::uint64_t LockByte(const std::filesystem::path& tablePath);

}  // namespace ter5::engine
