#pragma once
// The records behind an open `Table`: the table file read into memory under an
// advisory lock, and the writing of posted rows.
//
// Writing goes through TableEditor: a post loads the table afresh from disk,
// applies the one change and saves (the .DB is replaced atomically and its
// indexes rebuilt), then the store reads the new file. So several tables open on
// one file never lose each other's posts; each sees the others' changes when it
// re-reads (ReloadIfChanged, at Refresh). A change to a record is aimed at the
// record the data set read: by its key in a keyed table, else by its bytes; when
// another writer changed or deleted it meanwhile, the post fails.
//
// With deferred writes the editor is kept instead: posted rows stay in memory
// (the store reads them from the editor) until SavePending, which writes them all
// at once — the bulk path of imports. SavePending refuses to overwrite a file that
// another writer changed meanwhile.
//
// The table's lock (TableLock) is held shared, or exclusively, while the store is
// open; a write raises it to exclusive for its read-modify-write, so it fails with
// "Table is busy" while another process has the table open.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "FileUtil.h"
#include "TableLock.h"
#include "RecordLocator.h"
#include "TableEditor.h"
#include "TableFile.h"

namespace ter5::engine {

// Identifies one version of a file on disk.
struct FileStamp {
    std::uintmax_t size = 0;
    std::int64_t modified = 0;  // last write time, clock ticks
    std::uint64_t inode = 0;    // 0 where the platform has none
    bool operator==(const FileStamp&) const = default;

    // The stamp of `path` now; all zero when it cannot be read.
    static FileStamp Of(const std::filesystem::path& path);
};

class TableStore {
public:
    // A change to write: insert a new record, update or delete record `record`.
    struct Change {
        enum class Kind { Insert, Update, Delete } kind = Kind::Insert;
        std::uint32_t record = 0;        // the record as the store numbered it
        std::string original;            // its bytes as read, to find it again
        const std::vector<Value>* values = nullptr;  // one per field (Insert, Update)
        const std::vector<bool>* assigned = nullptr;  // fields to write
    };

    // Marks a record number that does not exist.
    static constexpr std::size_t kNoRecord = static_cast<std::size_t>(-1);

    // Locks `path` (shared, or exclusive) and reads it. Throws EngineError.
    TableStore(const std::filesystem::path& path, bool exclusive);

    const std::filesystem::path& Path() const { return path_; }
    const TableFile& File() const { return *file_; }
    bool Keyed() const;
    std::size_t Count() const;
    const std::uint8_t* Bytes(std::uint32_t record) const {
        if (editor_) return reinterpret_cast<const std::uint8_t*>(editor_->RawRecord(record).data());
        return locator_(record);
    }
    Value DecodeBlob(std::uint32_t record, int field) const;
    // Calls visit(i, bytes) for every record in order.
    template <typename Visit>
    void ForEach(const Visit& visit) const {
        if (!editor_) return locator_.ForEach(visit);
        for (std::size_t i = 0; i < editor_->RecordCount(); ++i)
            visit(i, reinterpret_cast<const std::uint8_t*>(editor_->RawRecord(i).data()));
    }

    // Re-reads the table when the file on disk is no longer the one read; true
    // when it did. Never while deferred rows are pending.
    bool ReloadIfChanged();

    // Writes a change (or keeps it, with deferred writes); returns the number the
    // record has afterwards, kNoRecord after a delete. Throws EngineError.
    std::size_t Apply(const Change& change);

    void SetDeferred(bool deferred) { deferred_ = deferred; }
    bool HasPending() const { return editor_ != nullptr; }
    // Writes the pending rows. Throws EngineError (then they stay pending).
    void SavePending();
    // Drops the pending rows; the records are those of the file read.
    void DiscardPending();
    // Changes whenever record numbers may have changed other than by a deferred
    // insert adding the next number: a read, the start of deferred writes, a
    // deferred update or delete, a save.
    std::uint64_t Generation() const { return generation_; }
    // Flushes the table and its companion files and directory to disk.
    void Sync() const;

    // The record holding `bytes` (keyed: the same key), trying `hint` first;
    // kNoRecord when there is none.
    std::size_t Find(const std::string& bytes, std::size_t hint) const;

private:
    void Load();
    bool SameRecord(const std::uint8_t* a, const std::uint8_t* b) const;
    std::size_t FindInEditor(const TableEditor& editor, const Change& change) const;

    std::filesystem::path path_;
    bool exclusive_;
    std::unique_ptr<TableLock> lock_;
    std::shared_ptr<TableFile> file_;
    RecordLocator locator_;                       // record number → bytes in file_
    FileStamp stamp_;                             // of the file read
    bool deferred_ = false;
    std::unique_ptr<TableEditor> editor_;         // pending rows (deferred writes)
    FileStamp editorStamp_;                       // of the file the editor read
    std::uint64_t generation_ = 0;
};

}  // namespace ter5::engine
