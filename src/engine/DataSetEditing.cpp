// The editing half of DataSet: the row buffer, its states and the writing
// operations; the cursor, field reads and Locate are in DataSet.cpp.

#include "DataSet.h"

#include <algorithm>

#include "EngineError.h"
#include "FieldCodec.h"
#include "ValueConversion.h"

namespace ter5::engine {

// --- Row buffer -------------------------------------------------------------------------------

void DataSet::SetAsString(std::string_view name, const std::string& v) { SetValue(name, Value::Text(v)); }

void DataSet::SetValue(int field, const Value& value) {
    CheckActive();
    if (state_ != DataSetState::Edit && state_ != DataSetState::Insert)
        Fail(DisplayName(), "Dataset not in edit or insert mode");
    const FieldDesc& f = fields_.at(static_cast<std::size_t>(field));
    if (f.type == FieldType::AutoInc && state_ == DataSetState::Edit)
        Fail(DisplayName(), "Field '" + f.name + "' cannot be modified (auto-increment)");
    Value v = CoerceForAssignment(f, value);
    if (!IsBlobType(f.type)) {  // fails here, naming the field, rather than at Post
        std::vector<std::uint8_t> check(static_cast<std::size_t>(f.length));
        EncodeField(f, v, check.data(), Codec());
    }
    buffer_[static_cast<std::size_t>(field)] = std::move(v);
    assigned_[static_cast<std::size_t>(field)] = true;
    if (!settingUp_) modified_ = true;
    Notify([this, field](DataSetObserver& o) { o.FieldChanged(*this, field); });
}

// --- Editing ------------------------------------------------------------------------------------

void DataSet::CheckBrowseMode() {
    if (state_ != DataSetState::Edit && state_ != DataSetState::Insert) return;
    if (modified_)
        Post();
    else
        Cancel();
}

void DataSet::Insert() { BeginNewRow(false); }
void DataSet::Append() { BeginNewRow(true); }

void DataSet::BeginNewRow(bool append) {
    CheckCanModify();
    CheckBrowseMode();
    if (beforeInsert_) beforeInsert_(*this);
    CheckBrowseMode();
    if (append && !rows_.empty()) row_ = rows_.size() - 1;
    buffer_.assign(fields_.size(), Value::Null());
    assigned_.assign(fields_.size(), false);
    state_ = DataSetState::Insert;
    settingUp_ = true;
    try {
        SetUpNewRow(buffer_, assigned_);
        if (onNewRecord_) onNewRecord_(*this);
    } catch (...) {
        settingUp_ = false;
        state_ = DataSetState::Browse;
        buffer_.clear();
        throw;
    }
    settingUp_ = false;
    modified_ = false;
    NotifyState();
}

void DataSet::SetUpNewRow(std::vector<Value>&, std::vector<bool>&) {}

void DataSet::Edit() {
    CheckCanModify();
    if (state_ == DataSetState::Edit || state_ == DataSetState::Insert) return;
    if (rows_.empty()) {
        Insert();
        return;
    }
    buffer_.clear();
    for (std::size_t f = 0; f < fields_.size(); ++f) buffer_.push_back(GetValue(static_cast<int>(f)));
    assigned_.assign(fields_.size(), false);
    editRecord_ = CurrentRecord();
    modified_ = false;
    state_ = DataSetState::Edit;
    NotifyState();
}

void DataSet::Post() {
    CheckActive();
    if (state_ != DataSetState::Edit && state_ != DataSetState::Insert)
        Fail(DisplayName(), "Dataset not in edit or insert mode");
    PendingRow row{state_ == DataSetState::Insert, editRecord_, buffer_, assigned_};
    const std::uint32_t record = DoPost(row);  // a failure leaves the row pending
    state_ = DataSetState::Browse;
    buffer_.clear();
    modified_ = false;
    MoveToRecord(record);
    NotifyData(DataChange::Post);
    NotifyState();
    NotifyMoved();
}

void DataSet::Cancel() {
    if (state_ != DataSetState::Edit && state_ != DataSetState::Insert) return;
    state_ = DataSetState::Browse;
    buffer_.clear();
    modified_ = false;
    NotifyState();
}

void DataSet::Delete() {
    CheckCanModify();
    if (state_ == DataSetState::Insert) {
        Cancel();
        return;
    }
    Cancel();
    if (rows_.empty()) Fail(DisplayName(), "Cannot perform this operation on an empty dataset");
    if (beforeDelete_) beforeDelete_(*this);
    if (rows_.empty()) Fail(DisplayName(), "Cannot perform this operation on an empty dataset");
    const std::size_t at = row_;
    DoDelete(CurrentRecord());
    row_ = rows_.empty() ? 0 : std::min(at, rows_.size() - 1);
    bof_ = eof_ = rows_.empty();
    NotifyData(DataChange::Delete);
    NotifyMoved();
}

void DataSet::Refresh() {
    CheckActive();
    CheckBrowseMode();
    MoveToRecord(DoRefresh(CurrentRecord()));
    NotifyData(DataChange::Refresh);
    NotifyMoved();
}

void DataSet::FlushBuffers() {
    CheckActive();
    CheckBrowseMode();
    MoveToRecord(DoFlush(CurrentRecord(), true));
}

std::uint32_t DataSet::DoPost(const PendingRow&) { Fail(DisplayName(), "Cannot modify a read-only dataset"); }
void DataSet::DoDelete(std::uint32_t) { Fail(DisplayName(), "Cannot modify a read-only dataset"); }
std::uint32_t DataSet::DoRefresh(std::uint32_t current) { return current; }
std::uint32_t DataSet::DoFlush(std::uint32_t current, bool) { return current; }

}  // namespace ter5::engine
