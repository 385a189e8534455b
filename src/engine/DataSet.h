#pragma once
// A data set: an ordered set of rows of one table, with a cursor, field access,
// Locate and (for tables) editing. `Table` and `Query` derive from it.
//
// Rows are record numbers of the underlying table file, never copies of records.
// The cursor follows the usual conventions: RecNo counts from 1; First sets Bof,
// Last sets Eof; Next on the last row and Prior on the first set Eof or Bof without
// moving; an empty data set is at Bof and Eof at once.
//
// States: Inactive (closed), Browse, Edit (the current row is being changed) and
// Insert (a new row is being set up). Changes are kept in a row buffer until Post.
// Moving the cursor, Locate, Insert, Append, Refresh and FlushBuffers first bring
// the data set back to Browse: a changed pending row is posted, an unchanged one
// dropped. Values set while a new row is set up (the master key, the new-record
// hook) do not count as a change.
//
// Notifications come in two forms, chosen for what each listener does:
//  * Observers (DataSetObserver) only follow: grid models, master–detail links.
//    Any number may be added; they are called after the data set has settled.
//  * Hooks (std::function, one each) take part in an operation and may change
//    other data sets or abort it by throwing: before-delete (cascade delete),
//    before-insert and new-record (numbering of new rows).
// Order for a new row: BeforeInsert hook; state becomes Insert; the master key is
// set; NewRecord hook; observers get StateChanged. Post: observers get
// DataChanged(Post), StateChanged, CursorMoved. Delete: BeforeDelete hook, then
// DataChanged(Delete), CursorMoved.
//
// Single-threaded, like the windows that use it.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "FieldDesc.h"
#include "RecordMatcher.h"
#include "TextCodec.h"
#include "Value.h"

namespace ter5::engine {

class DataSet;

// Asks the processor to bring `address` into the cache; no effect where unsupported.
inline void Prefetch(const void* address) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

enum class DataSetState { Inactive, Browse, Edit, Insert };

// Why the rows of a data set changed.
enum class DataChange {
    Refresh,  // re-read from disk
    Post,     // a row was posted
    Delete,   // a row was deleted
    Master,   // a detail followed its master to another key
};

// Follows a data set. Every method has an empty default.
class DataSetObserver {
public:
    virtual ~DataSetObserver() = default;
    // Opened or closed.
    virtual void ActiveChanged(DataSet&) {}
    // The cursor moved to another row.
    virtual void CursorMoved(DataSet&) {}
    // Rows were added, removed, changed or re-read.
    virtual void DataChanged(DataSet&, DataChange) {}
    // Browse, Edit or Insert began.
    virtual void StateChanged(DataSet&) {}
    // A field of the row buffer was set.
    virtual void FieldChanged(DataSet&, int /*field*/) {}
    // The data set is being destroyed; the observer must forget it.
    virtual void Destroyed(DataSet&) {}
};

// A field the program expects a data set to have, with its type.
struct DeclaredField {
    std::string name;
    FieldType type = FieldType::Alpha;
};

class DataSet {
public:
    // A hook taking part in an operation on this data set.
    using Hook = std::function<void(DataSet&)>;

    virtual ~DataSet();
    DataSet(const DataSet&) = delete;
    DataSet& operator=(const DataSet&) = delete;

    // The table file or query text, for messages.
    virtual std::string DisplayName() const = 0;

    // Opens the data set on its first row; does nothing when open. Throws EngineError.
    void Open();
    // Drops a pending row, writes rows held back (deferred writes) and releases
    // the files; does nothing when closed. A failed write leaves it open.
    void Close();
    // True while open.
    bool Active() const { return state_ != DataSetState::Inactive; }
    // Inactive, Browse, Edit or Insert.
    DataSetState State() const { return state_; }

    // Observers are not owned and must be removed before they die.
    void AddObserver(DataSetObserver& observer);
    void RemoveObserver(DataSetObserver& observer);
    // Run before a row is deleted (a throw aborts the delete).
    void SetBeforeDelete(Hook hook) { beforeDelete_ = std::move(hook); }
    // Run before a new row is inserted or appended (a throw aborts it).
    void SetBeforeInsert(Hook hook) { beforeInsert_ = std::move(hook); }
    // Run when a new row has been set up; values it sets are no change.
    void SetOnNewRecord(Hook hook) { onNewRecord_ = std::move(hook); }

    // Fields the data set must have; opening fails with a type-mismatch error naming
    // the field when one has another type, and when one is missing.
    void DeclareFields(std::vector<DeclaredField> fields) { declared_ = std::move(fields); }

    // The fields of the rows (valid while open).
    const std::vector<FieldDesc>& Fields() const { return fields_; }
    // A field's position by name ignoring case (Cyrillic included); -1 when absent.
    int FieldIndex(std::string_view name) const;
    // Like FieldIndex; EngineError naming the data set when absent.
    int RequireField(std::string_view name) const;

    // Cursor movement; each first returns to Browse (see above).
    void First();
    void Next();
    void Prior();
    void Last();
    // Moves to row `recNo` (1-based). Throws EngineError when out of range.
    void MoveTo(std::size_t recNo);
    // True after Next (or Last) reached the last row, and for an empty data set.
    bool Eof() const { return eof_; }
    // True after First (or Prior) reached the first row, and for an empty data set.
    bool Bof() const { return bof_; }
    // The current row's number from 1; 0 when the data set is empty or closed.
    std::size_t RecNo() const;
    // Rows in the data set (a detail: rows of the master's current key).
    std::size_t RecordCount() const { return rows_.size(); }
    // True when there are no rows.
    bool IsEmpty() const { return rows_.empty(); }

    // The current row's value (the row buffer's in Edit and Insert); NULL when there is no row.
    Value GetValue(int field) const;
    Value GetValue(std::string_view name) const { return GetValue(RequireField(name)); }
    // Conversions as ValueConversion.h describes.
    std::int64_t AsInteger(int field) const;
    std::int64_t AsInteger(std::string_view name) const { return AsInteger(RequireField(name)); }
    double AsFloat(int field) const;
    double AsFloat(std::string_view name) const { return AsFloat(RequireField(name)); }
    std::string AsString(int field) const;
    std::string AsString(std::string_view name) const { return AsString(RequireField(name)); }
    // True when the field holds no value.
    bool IsNull(int field) const { return GetValue(field).IsNull(); }
    bool IsNull(std::string_view name) const { return IsNull(RequireField(name)); }

    // Set a field of the row buffer (Edit or Insert state), converted to the field's
    // type. Throws EngineError naming the field when the value cannot be stored.
    void SetValue(int field, const Value& value);
    void SetValue(std::string_view name, const Value& value) { SetValue(RequireField(name), value); }
    void SetAsInteger(std::string_view name, std::int64_t v) { SetValue(name, Value::Int(v)); }
    void SetAsFloat(std::string_view name, double v) { SetValue(name, Value::Float(v)); }
    // Text for a non-text field is read as that field's type ("" is NULL).
    void SetAsString(std::string_view name, const std::string& v);
    // Sets the field to NULL.
    void Clear(std::string_view name) { SetValue(name, Value::Null()); }

    // `Locate`: moves to the first row, in the data set's order, whose fields
    // ("A;B") hold `values`; returns whether one was found and moves only then.
    bool Locate(std::string_view fields, const std::vector<Value>& values, LocateOptions options = {});
    bool Locate(std::string_view field, const Value& value, LocateOptions options = {}) {
        return Locate(field, std::vector<Value>{value}, options);
    }

    // Editing. Insert and Append start a new row (a posted row takes its place in
    // the data set's order); Edit starts changing the current row, or a new row when
    // the data set is empty; Post writes the pending row; Cancel drops it; Delete
    // removes the current row (or drops a pending new one). Throw EngineError when
    // the data set cannot be changed or the operation does not fit the state.
    void Insert();
    void Append();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    // True when the pending row was changed since Edit, Insert or Append.
    bool Modified() const { return modified_; }
    // Posts a changed pending row, drops an unchanged one, then re-reads the rows,
    // staying on the same record where it still exists.
    void Refresh();
    // `FlushBuffers`: returns to Browse and makes every posted row durable on disk.
    virtual void FlushBuffers();
    // True when rows can be inserted, changed and deleted.
    virtual bool CanModify() const { return false; }

protected:
    // A pending row handed to DoPost.
    struct PendingRow {
        bool inserting = false;
        std::uint32_t record = 0;          // the edited record (Edit)
        std::vector<Value> values;         // one per field
        std::vector<bool> assigned;        // fields given a value since the row began
    };

    DataSet() = default;

    // Opens the files and calls SetFields and SetRows. Throws; then nothing stays open.
    virtual void DoOpen() = 0;
    // Releases the files.
    virtual void DoClose() = 0;
    // Raw bytes of a record and the code page of its text.
    virtual const std::uint8_t* RecordBytes(std::uint32_t record) const = 0;
    virtual const TextCodec& Codec() const = 0;
    // Decodes a blob field of a record.
    virtual Value DecodeBlob(std::uint32_t record, int field) const = 0;
    // Writes a pending row; returns its record number afterwards (rows re-set).
    virtual std::uint32_t DoPost(const PendingRow& row);
    // Deletes a record (rows re-set).
    virtual void DoDelete(std::uint32_t record);
    // Re-reads the rows; returns the record to stay on (`current` if unknown).
    virtual std::uint32_t DoRefresh(std::uint32_t current);
    // Sets up the buffer of a new row (a detail sets its master key).
    virtual void SetUpNewRow(std::vector<Value>& values, std::vector<bool>& assigned);
    // Writes rows held back by the data set (FlushBuffers, Close), and with
    // `durable` syncs the files to disk; returns the record to stay on.
    virtual std::uint32_t DoFlush(std::uint32_t current, bool durable);

    void SetFields(std::vector<FieldDesc> fields);
    // Replaces the visible rows; the cursor moves to the row of `record` if present,
    // else stays at its position within the new rows.
    // Subclasses read CurrentRecord() before they replace the storage `rows` points into.
    void SetRows(std::span<const std::uint32_t> rows, std::uint32_t record);
    std::span<const std::uint32_t> Rows() const { return rows_; }
    // The current row's record number; 0 when there is none.
    std::uint32_t CurrentRecord() const { return rows_.empty() ? 0 : rows_[row_]; }
    // Posts or drops a pending row (see above).
    void CheckBrowseMode();
    void CheckActive() const;
    void CheckInactive(const char* what) const;
    // Cursor to the first row without notifying; used after the rows changed.
    void ResetCursor();
    void NotifyActive();
    void NotifyMoved();
    void NotifyData(DataChange change);
    void NotifyState();

private:
    void CheckDeclaredFields() const;
    // The current row's raw bytes (rows not empty), remembered until the row or the rows change.
    const std::uint8_t* CurrentBytes() const;
    void MoveToRecord(std::uint32_t record);
    void CheckCanModify() const;
    void BeginNewRow(bool append);
    void Notify(const std::function<void(DataSetObserver&)>& call);

    DataSetState state_ = DataSetState::Inactive;
    std::vector<FieldDesc> fields_;
    std::span<const std::uint32_t> rows_;
    std::size_t row_ = 0;
    bool bof_ = true;
    bool eof_ = true;

    std::vector<Value> buffer_;
    std::vector<bool> assigned_;
    std::uint32_t editRecord_ = 0;
    bool modified_ = false;
    bool settingUp_ = false;

    std::vector<DataSetObserver*> observers_;  // holes (nullptr) while notifying
    int notifying_ = 0;                        // depth of notifications under way
    std::vector<DeclaredField> declared_;
    Hook beforeDelete_;
    Hook beforeInsert_;
    Hook onNewRecord_;
    mutable Value scratch_;
    std::vector<std::uint8_t> blob_;                 // per field: a blob type, read through DecodeBlob
    mutable const std::uint8_t* cachedBytes_ = nullptr;
    mutable std::uint32_t cachedRecord_ = 0;
};

}  // namespace ter5::engine
