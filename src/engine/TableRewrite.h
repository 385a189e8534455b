#pragma once
// One write to a table as a whole: its new records, the indexes it is to have,
// and the files to delete, built into temporary files while the old files stay
// in place, then committed at once (FileTransaction). Every engine write goes
// through here: record edits (TableEditor), adding an index, reindexing, table
// creation.
//
// Index definitions are read from the table as it is before anything changes, so
// a change of the primary key (which changes the record layout of every secondary
// index file) keeps every secondary index's fields. When the records change, every
// index is rebuilt from them; otherwise only the indexes added.
//
// Before anything is written the table is checked: a .DB whose blocks do not
// add up, or an index file that cannot be read or does not fit the table, refuses
// the write with an error naming the file (a rebuild from damaged files would lose
// records silently or build wrong indexes). Index files a reindex drops need not
// be readable.
//
// A rebuilt index file keeps the header bytes no rule explains from the file it
// replaces (KeepPredecessorBytes); doc/paradox-indexes.md lists them.
//
// A password-protected table stays protected with its own word: every image is
// built plain and encrypted as it is staged, the .DB and .MB with the table's word,
// an index file as the file it replaces was (a new one with the table's word);
// doc/paradox-tables.md.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FileTransaction.h"
#include "IndexCatalog.h"
#include "TableFile.h"
#include "TableHeader.h"
#include "TableLock.h"

namespace ter5::engine {

class TableRewrite {
public:
    // A write to the existing table `path`. Holds the table exclusively through
    // `held` (the caller's lock, exclusive or raised by a WriteScope) or, when
    // null, through a lock of its own. Throws EngineError when the table cannot be
    // read, is busy or read-only, or its .DB is damaged.
    TableRewrite(const std::filesystem::path& path, int codePage, TableLock* held = nullptr);

    // The same for a table already read under `held` (TableEditor's).
    TableRewrite(std::shared_ptr<TableFile> table, TableLock& held, int codePage);

    // A new table `path` with `header` (MakeTableHeader) and no records. An
    // existing table of that name is replaced with its index and memo files; a
    // table of the same stem under another extension refuses, since the two
    // would share those files.
    TableRewrite(const std::filesystem::path& path, TableHeader header, int codePage);

    ~TableRewrite();
    TableRewrite(const TableRewrite&) = delete;
    TableRewrite& operator=(const TableRewrite&) = delete;

    // The table as it is before the write (for a new table: as it will be).
    const TableFile& Original() const { return *original_; }
    const std::filesystem::path& Path() const { return path_; }

    // Index files that go unless the write rewrites them (a reindex's eleven files).
    // Only before AddIndex, SetRecords and Commit.
    void DropIndexFiles(const std::vector<std::filesystem::path>& files);

    // New records, each header.recordSize bytes, in the order they are to be
    // stored (key order for a keyed table), and the auto-increment value to record.
    void SetRecords(std::vector<std::string> records, std::optional<std::uint32_t> autoIncrement = std::nullopt);
    // The same for records the caller keeps unchanged until Commit returns (no copy).
    void SetRecordsView(const std::vector<std::string>& records,
                        std::optional<std::uint32_t> autoIncrement = std::nullopt);
    // A new memo file image (TableEditor's grown .MB) for `file`.
    void SetBlobFile(const std::filesystem::path& file, std::vector<std::uint8_t> image);

    // Adds `def` as the table engine does: a primary index makes the table keyed
    // on its fields, which must be the leading ones (records sorted by key; a
    // duplicate key throws "Key violation"); a secondary index replaces the index
    // of the same name or takes new files. Returns the files the index is written
    // to (.PX for the primary key). Throws EngineError for bad definitions.
    IndexFiles AddIndex(const IndexDef& def);

    // Existing index files whose order follows rules this program does not know
    // (IndexOrderGuard) are kept unless `force`: then they are rebuilt as well.
    void SetForce(bool force) { force_ = force; }

    // What the write kept as it was, one line each (valid after Commit).
    const std::vector<std::string>& Notes() const { return notes_; }

    // Builds every file and commits. `built` is called after each index has been
    // built (the index added or rebuilt). Throws EngineError; then no file of the
    // table has changed.
    void Commit(const std::function<void(const IndexDef&)>& built = {});

    // The table as the committed write left it (valid after Commit).
    std::shared_ptr<TableFile> Result() const { return result_; }

private:
    struct Planned {
        IndexDef def;
        IndexFiles files;
        bool rebuild = false;
    };

    void Plan();
    void CheckIndexFile(const IndexFileSet& set, const IndexInfo& info) const;
    bool Dropped(const std::filesystem::path& file) const;
    IndexPlan CurrentPlan() const;
    const std::vector<std::string>& CurrentRecords();
    void CheckTable();
    void Stage(const std::filesystem::path& target, std::vector<std::uint8_t> image);

    std::filesystem::path path_;
    int codePage_;
    std::unique_ptr<TableLock> ownLock_;
    std::unique_ptr<FileTransaction> transaction_;
    std::shared_ptr<TableFile> original_;
    bool newTable_ = false;
    TableHeader header_;
    std::optional<std::vector<std::string>> ownRecords_;
    const std::vector<std::string>* records_ = nullptr;  // the new records: ownRecords_ or the caller's
    std::optional<std::pair<std::filesystem::path, std::vector<std::uint8_t>>> blob_;
    bool planned_ = false;
    bool primaryAdded_ = false;
    bool pxDropped_ = false;
    std::vector<Planned> secondary_;
    std::vector<std::filesystem::path> companions_;  // the table's files on disk when the write began
    std::vector<std::filesystem::path> dropped_;
    std::vector<std::filesystem::path> obsolete_;
    std::vector<std::filesystem::path> staged_;
    std::shared_ptr<TableFile> result_;
    bool force_ = false;
    std::vector<std::string> notes_;
    std::vector<std::filesystem::path> kept_;  // index files kept as they are
};

// Reads the table `path` for a write: a table that cannot be read because it is
// damaged refuses the write with a message that names the damage and the way out.
std::shared_ptr<TableFile> LoadForWrite(const std::filesystem::path& path, int codePage);

// Throws EngineError for a write refused because `file` of a table is damaged:
// "<file>: the table is damaged (<damage>); nothing was written …", naming
// `ter5tool verify` and the repair (the command and the desktop window).
[[noreturn]] void FailDamaged(const std::string& file, std::string damage);

// Copies from the header of the file an index file replaces (`predecessor`, the
// leading bytes of the old file) the bytes no rule derives: the family sequence
// (0x12), the change-counter ties (0x2C–0x2F), the auto-increment slot (0x49),
// and the constant-looking 0x3A, 0x3E, 0x56 and 0x6C. Nothing is copied when the
// old file is unreadable or of another kind or version.
void KeepPredecessorBytes(std::vector<std::uint8_t>& image, const std::vector<std::uint8_t>& predecessor);

}  // namespace ter5::engine
