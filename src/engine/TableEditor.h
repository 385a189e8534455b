#pragma once
// Changing the records of an existing table. The editor holds the table's records
// in memory; Save() writes the whole table (and a grown .MB) through temporary
// files and renames, then rebuilds every index of the table, so keyed order,
// header counts, auto-increment values and indexes stay consistent.
//
// Cost: a save rewrites the .DB and its index files, O(n log n) in the records.
// That suits the template tables and batch loads the program edits; the engine
// never edits a base's large tables record by record.

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "BlobFile.h"
#include "TableLock.h"
#include "TableFile.h"
#include "Value.h"

namespace ter5::engine {

class TableEditor {
public:
    // Loads `path` for editing (codePage as for TableFile::Load). The table is held
    // through `held` (a lock the caller raises for the save) or, when null, through
    // an exclusive lock of the editor's own, taken before the table is read and
    // kept until the editor goes: a read-modify-write no other writer can split.
    explicit TableEditor(const std::filesystem::path& path, int codePage = 0, TableLock* held = nullptr);
    ~TableEditor();

    const TableFile& Source() const { return *source_; }
    const std::vector<FieldDesc>& Fields() const { return source_->Fields(); }
    std::size_t RecordCount() const { return records_.size(); }
    // Raw bytes of record `i` in the editor's current order.
    const std::string& RawRecord(std::size_t i) const { return records_.at(i); }
    Value Get(std::size_t i, std::size_t field) const;

    // An all-NULL record of the table's size.
    std::string BlankRecord() const;
    // Encodes `value` into field `field` of `record`. Blob values longer than the
    // field's leader go to the .MB file at Save().
    void SetField(std::string& record, std::size_t field, const Value& value);
    // Decodes a field of a raw record.
    Value GetField(const std::string& record, std::size_t field) const;

    // Appends a record; a NULL auto-increment field gets the next value. Returns
    // the value given to the auto-increment field (0 when the table has none).
    std::int64_t Append(std::string record);
    // Replaces record `i`.
    void Update(std::size_t i, std::string record);
    // Removes record `i`.
    void Delete(std::size_t i);

    // Writes the table and rebuilds its indexes, all at once. A keyed table is
    // sorted by key first; a duplicate key throws EngineError "Key violation" and
    // writes nothing; so does a damaged table (see TableRewrite). Where the table's
    // records are not in byte order of their alpha keys and the driver's order is
    // not known (KeyRules), the records not changed keep their order and each new
    // or changed one goes before the first whose key is greater in byte order.
    void Save();

private:
    void SortByKey();
    int AutoIncField() const;

    std::unique_ptr<TableLock> ownLock_;
    TableLock* lock_;
    std::filesystem::path path_;
    int codePage_;
    std::shared_ptr<TableFile> source_;
    std::vector<std::string> records_;
    std::vector<bool> changed_;  // per record: appended or updated since loading
    std::int64_t nextAutoInc_ = 1;
    std::unique_ptr<std::vector<std::uint8_t>> blobImage_;  // .MB being grown, once a blob is added
};

}  // namespace ter5::engine
