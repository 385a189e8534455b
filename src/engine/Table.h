#pragma once
// A data set over one Paradox table file.
//
// Naming: DatabaseName is a directory (empty: the process's current directory);
// TableName is a file name found there ignoring case (".db" added when it has no
// extension), or a full path. The table is locked shared while open, or
// exclusively when Exclusive is set; a lock another data set or program holds
// against it fails with "Table is busy". A keyed table whose .PX is missing opens
// only exclusively (adding its primary index restores it).
//
// Order: record order (which is key order for a keyed table), or with
// `IndexFieldNames` ("Ter;PutNumber") the order of the index whose fields are
// exactly those, primary or secondary; when there is none, opening fails with
// "Index does not exist".
//
// Master–detail: with a master data set and master fields ("Code"), the table
// shows only the rows whose leading index fields equal the master's current row,
// in index order, and follows every move of the master; a new row takes the
// master's key. The index is IndexFieldNames, or the primary key when that is
// empty. The order is computed once per read of the file; a master move costs two
// binary searches. While the master is closed, empty or on a NULL key, the
// detail is empty.
//
// Posting writes through TableStore (see there): each post saves the table, or
// with deferred writes the posted rows are held in memory until FlushBuffers or
// Close writes them in one save.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "DataSet.h"
#include "IndexCatalog.h"

namespace ter5::engine {

class RecordOrder;
class TableStore;

class Table : public DataSet {
public:
    Table();
    // Closes the table; errors while writing deferred rows are lost here, so
    // FlushBuffers or Close first when rows are held back.
    ~Table() override;

    // Settings; the names, ReadOnly and Exclusive only while closed.
    void SetDatabaseName(std::string directory);
    const std::string& DatabaseName() const { return databaseName_; }
    void SetTableName(std::string name);
    const std::string& TableName() const { return tableName_; }
    void SetReadOnly(bool readOnly);
    bool ReadOnly() const { return readOnly_; }
    void SetExclusive(bool exclusive);
    bool Exclusive() const { return exclusive_; }
    // `IndexFieldNames`: fields of the index giving the order; "" for record order.
    // On an open table the new order applies at once.
    void SetIndexFieldNames(std::string fields);
    const std::string& IndexFieldNames() const { return indexFieldNames_; }
    // The master data set (not owned; nullptr for none) and the master's fields
    // that match the leading index fields. On an open table they apply at once.
    void SetMasterSource(DataSet* master);
    void SetMasterFields(std::string fields);
    DataSet* MasterSource() const { return master_; }
    // Holds posted rows in memory until FlushBuffers or Close (bulk loads);
    // switching it off writes the rows held.
    void SetDeferredWrites(bool deferred);
    // Drops a pending row and every posted row held back by deferred writes.
    void CancelDeferredWrites();

    // The file opened (valid while open).
    const std::filesystem::path& FilePath() const;
    // The table's indexes, primary key first (valid while open).
    std::vector<IndexInfo> Indexes() const;

    std::string DisplayName() const override;
    bool CanModify() const override { return Active() && !readOnly_; }

protected:
    void DoOpen() override;
    void DoClose() override;
    const std::uint8_t* RecordBytes(std::uint32_t record) const override;
    const TextCodec& Codec() const override;
    Value DecodeBlob(std::uint32_t record, int field) const override;
    std::uint32_t DoPost(const PendingRow& row) override;
    void DoDelete(std::uint32_t record) override;
    std::uint32_t DoRefresh(std::uint32_t current) override;
    void SetUpNewRow(std::vector<Value>& values, std::vector<bool>& assigned) override;
    std::uint32_t DoFlush(std::uint32_t current, bool durable) override;

private:
    class MasterLink;
    friend class MasterLink;

    std::filesystem::path ResolvePath() const;
    // Picks the order's fields from IndexFieldNames (or the primary key of a detail).
    void ResolveOrder(const TableFile& file, const std::string& display);
    // Applies changed order settings to the open table.
    void Reorder();
    // Builds the order for the current settings from the store's records.
    void BuildOrder();
    // The master's current key in index bytes; "" when the detail is to be empty.
    std::string MasterKey() const;
    // Re-sets the visible rows from the order and the master key (computed when
    // not given), staying on `record`.
    void ApplyRange(std::uint32_t record, std::optional<std::string> key = std::nullopt);
    // Rebuilds the order after the records changed and re-sets the rows.
    void Rebuild(std::uint32_t record);
    // Called by the link when the master moved or changed.
    void MasterChanged();

    std::string databaseName_;
    std::string tableName_;
    bool readOnly_ = false;
    bool exclusive_ = false;
    bool deferred_ = false;
    std::string indexFieldNames_;
    std::string masterFields_;
    DataSet* master_ = nullptr;
    std::unique_ptr<MasterLink> link_;

    std::unique_ptr<TableStore> store_;
    std::unique_ptr<RecordOrder> order_;
    std::vector<int> keyFields_;       // fields of the order
    bool caseInsensitive_ = false;
    bool descending_ = false;
    std::uint64_t orderGeneration_ = 0;  // store generation the order was built on
    std::optional<std::string> masterKey_;  // the key the rows were cut for (none: all rows)
    mutable std::vector<int> masterFieldIndexes_;  // MasterFields resolved in the master
    mutable std::vector<Value> masterValues_;
};

}  // namespace ter5::engine
