#include "TableLock.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "EngineError.h"
#include "FileHolders.h"
#include "FileTransaction.h"
#include "FileUtil.h"
#include "PlatformFiles.h"
#include "TableNames.h"

namespace fs = std::filesystem;

namespace ter5::engine {
namespace {

// FNV-1a, 64 bits (Fowler, Noll, Vo): spreads table names over the lock file's bytes.
constexpr std::uint64_t kFnvOffset = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;
// Lock bytes stay below 2^62, inside every platform's file offsets.
constexpr std::uint64_t kLockByteMask = (1ull << 62) - 1;
// Times a lock is taken again when its file was replaced while it was being taken.
constexpr int kLockAttempts = 3;

}  // namespace

// One lock file's state in this process, shared by every TableLock on it.
struct TableLock::Entry {
    LockFile file;              // the open lock file
    fs::path table;             // the table, for messages and tidying
    int shared = 0;             // holders in this process
    int exclusive = 0;
    int raised = 0;             // write scopes open on a shared hold
};

namespace {

// Recursive: completing an interrupted write raises the lock being taken.
std::recursive_mutex& RegistryMutex() {
    static std::recursive_mutex m;
    return m;
}

// Live entries by the lock file's identity (device and inode, or the path where
// the platform has none) and the table's byte, so that every spelling of a table
// finds the same one.
using EntryKey = std::pair<FileIdentity, std::uint64_t>;
std::map<EntryKey, std::weak_ptr<TableLock::Entry>>& Registry() {
    static std::map<EntryKey, std::weak_ptr<TableLock::Entry>> entries;
    return entries;
}

[[noreturn]] void BusyWith(const fs::path& table, const std::vector<FileHolder>& holders) {
    const FileHolder none;
    const FileHolder& first = holders.empty() ? none : holders.front();
    throw TableBusyError(PathToUtf8(table), first.program, first.pid,
                         PathToUtf8(table) + ": Table is busy" + DescribeHolders(holders));
}

// Another of our processes holds the table's byte of the lock file: those that
// have the lock file open are named.
[[noreturn]] void Busy(const fs::path& table, const fs::path& lockPath) { BusyWith(table, FindFileHolders({lockPath})); }

// Exclusive use also needs the table free of programs that know nothing of our
// lock: the companion program, the original engine (its lock files).
void CheckNoForeignHolders(const fs::path& table) {
    const std::vector<FileHolder> holders = FindFileHolders(TableFilesToGuard(table));
    if (!holders.empty()) BusyWith(table, holders);
}

[[noreturn]] void ReadOnly(const fs::path& table, const std::string& why) {
    Fail(PathToUtf8(table), "Table is read-only (" + why + ")");
}

}  // namespace

std::uint64_t LockByte(const fs::path& tablePath) {
    std::uint64_t h = kFnvOffset;
    for (char c : PathToUtf8(tablePath.stem())) {
        const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        h = (h ^ static_cast<unsigned char>(upper)) * kFnvPrime;
    }
    return h & kLockByteMask;
}

namespace {

// The entry of the lock file `opened` and the table's byte: the one this process
// has for that file, or a new one.
std::shared_ptr<TableLock::Entry> EntryFor(LockFile opened, const fs::path& tablePath) {
    auto& registry = Registry();
    std::erase_if(registry, [](const auto& item) { return item.second.expired(); });
    const EntryKey id{opened.Identity(), LockByte(tablePath)};
    if (auto it = registry.find(id); it != registry.end())
        if (auto entry = it->second.lock()) return entry;
    auto entry = std::make_shared<TableLock::Entry>();
    entry->file = std::move(opened);
    entry->table = tablePath;
    registry[id] = entry;
    return entry;
}

// Takes `mode` on the entry for this process's new holder; throws busy or read-only.
void Acquire(TableLock::Entry& e, const fs::path& tablePath, TableLock::Mode mode) {
    if (mode == TableLock::Mode::Exclusive) {
        if (e.shared > 0 || e.exclusive > 0) Busy(tablePath, e.file.Path());
        if (!e.file.Writable()) ReadOnly(tablePath, "its lock file " + PathToUtf8(e.file.Path()) + " is not writable");
        if (!e.file.Lock(LockFile::Kind::Exclusive)) Busy(tablePath, e.file.Path());
        ++e.exclusive;
        return;
    }
    if (e.exclusive > 0) Busy(tablePath, e.file.Path());
    if (e.shared == 0 && !e.file.Lock(LockFile::Kind::Shared)) Busy(tablePath, e.file.Path());
    ++e.shared;
}

// Undoes Acquire.
void Release(TableLock::Entry& e, TableLock::Mode mode) {
    if (mode == TableLock::Mode::Exclusive) --e.exclusive;
    else --e.shared;
    if (e.shared == 0 && e.exclusive == 0) e.file.Lock(LockFile::Kind::None);
    else if (e.exclusive == 0 && e.raised == 0) e.file.Lock(LockFile::Kind::Shared);
}

}  // namespace

TableLock::TableLock(const fs::path& tablePath, Mode mode) : mode_(mode), tableName_(PathToUtf8(tablePath)) {
    // Which files are the table's must be plain before anything of it is read.
    RefuseCaseTwins(tablePath);
    const fs::path dir = tablePath.parent_path();
    std::lock_guard guard(RegistryMutex());
    std::shared_ptr<Entry> entry;
    for (int attempt = 1; !entry; ++attempt) {
        const fs::path lockPath = FindFileNoCase(dir, kLockFileName).value_or(dir / kLockFileName);
        LockFile opened = LockFile::Open(lockPath, ResolveNoCase(tablePath).value_or(fs::path()), LockByte(tablePath));
        if (!opened.IsOpen()) {
            if (mode == Mode::Exclusive) ReadOnly(tablePath, "its lock file " + PathToUtf8(lockPath) + " cannot be used: " + opened.Error());
            return;  // read-only media: reading goes on without a lock
        }
        std::shared_ptr<Entry> candidate = EntryFor(std::move(opened), tablePath);
        Acquire(*candidate, tablePath, mode);
        // The lock file may have been deleted or replaced between the open and the
        // lock: a lock on a file nobody else opens any more holds nothing.
        if (candidate->file.StillNamed()) {
            entry = candidate;
        } else {
            Release(*candidate, mode);
            if (attempt == kLockAttempts)
                throw TableBusyError(tableName_, "", 0, tableName_ + ": Table is busy: its lock file " +
                                                            PathToUtf8(candidate->file.Path()) +
                                                            " is being deleted or replaced by another program");
        }
    }
    entry_ = entry;
    if (mode == Mode::Exclusive) {
        try {
            CheckNoForeignHolders(tablePath);
            TidyTable(tablePath);
        } catch (...) {
            Release(*entry, mode);
            entry_.reset();
            throw;
        }
        return;
    }
    if (!HasReplayableWrite(tablePath)) return;
    // A write was cut off after it committed: complete it before reading, which
    // needs the table for a moment alone.
    try {
        WriteScope scope(*this);
    } catch (const TableBusyError& e) {
        Release(*entry, mode);
        entry_.reset();
        throw TableBusyError(e.Table(), e.Program(), e.Pid(),
                             std::string(e.what()) + ": a write to the table was cut off and is completed when no other "
                                                     "process holds it; nothing was read");
    } catch (...) {
        Release(*entry, mode);
        entry_.reset();
        throw;
    }
}

void CheckLockStillNamed(const fs::path& tablePath) {
    std::lock_guard guard(RegistryMutex());
    const std::uint64_t byte = LockByte(tablePath);
    std::error_code ec;
    for (const auto& [key, weak] : Registry()) {
        const auto entry = weak.lock();
        if (!entry || key.second != byte || (entry->exclusive == 0 && entry->raised == 0)) continue;
        const fs::path lockDir = entry->file.Path().parent_path();
        const fs::path tableDir = tablePath.parent_path();
        if (!fs::equivalent(lockDir.empty() ? "." : lockDir, tableDir.empty() ? "." : tableDir, ec)) continue;
        if (!entry->file.StillNamed())
            Fail(PathToUtf8(tablePath), "its lock file " + PathToUtf8(entry->file.Path()) +
                                            " was deleted or replaced while the table was being written, so another "
                                            "process may have written it meanwhile; nothing was written");
    }
}

TableLock::~TableLock() {
    if (!entry_) return;
    std::lock_guard guard(RegistryMutex());
    Release(*entry_, mode_);
}

bool TableLock::Held() const { return entry_ != nullptr; }

const fs::path& TableLock::LockPath() const {
    static const fs::path none;
    return entry_ ? entry_->file.Path() : none;
}

TableLock::WriteScope::WriteScope(TableLock& lock) : lock_(lock) {
    if (lock.mode_ == Mode::Exclusive) return;
    if (!lock.entry_) ReadOnly(PathFromUtf8(lock.tableName_), "no lock file could be made beside it");
    std::lock_guard guard(RegistryMutex());
    Entry& e = *lock.entry_;
    if (e.raised == 0) {
        if (!e.file.Writable()) ReadOnly(PathFromUtf8(lock.tableName_), "its lock file " + PathToUtf8(e.file.Path()) + " is not writable");
        if (!e.file.Lock(LockFile::Kind::Exclusive)) Busy(PathFromUtf8(lock.tableName_), e.file.Path());
        try {
            CheckNoForeignHolders(e.table);
            TidyTable(e.table);
        } catch (...) {
            e.file.Lock(LockFile::Kind::Shared);
            throw;
        }
    }
    ++e.raised;
}

TableLock::WriteScope::~WriteScope() {
    if (lock_.mode_ == Mode::Exclusive || !lock_.entry_) return;
    std::lock_guard guard(RegistryMutex());
    Entry& e = *lock_.entry_;
    if (--e.raised == 0) e.file.Lock(LockFile::Kind::Shared);
}

}  // namespace ter5::engine
