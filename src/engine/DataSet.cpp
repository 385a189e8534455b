#include "DataSet.h"

#include <algorithm>

#include "Collation.h"
#include "EngineError.h"
#include "FieldCodec.h"
#include "FileUtil.h"
#include "ValueConversion.h"

namespace ter5::engine {
namespace {

// Separator of field lists ("Code_Bases;Number").
constexpr char kFieldListSeparator = ';';

bool IsAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool SameFieldName(const std::string& a, std::string_view b) {
    if (EqualsNoCase(a, std::string(b))) return true;
    return !(IsAscii(a) && IsAscii(b)) && FoldedText(a) == FoldedText(b);
}

std::string Trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return std::string(s);
}

}  // namespace

DataSet::~DataSet() {
    Notify([this](DataSetObserver& o) { o.Destroyed(*this); });
}

// --- Lifecycle and notifications ---------------------------------------------------

void DataSet::Open() {
    if (Active()) return;
    DoOpen();
    try {
        CheckDeclaredFields();
    } catch (...) {
        rows_ = {};
        DoClose();
        throw;
    }
    state_ = DataSetState::Browse;
    ResetCursor();
    NotifyActive();
}

void DataSet::Close() {
    if (!Active()) return;
    if (state_ != DataSetState::Browse) {
        state_ = DataSetState::Browse;
        buffer_.clear();
        modified_ = false;
    }
    DoFlush(CurrentRecord(), false);
    rows_ = {};
    DoClose();
    state_ = DataSetState::Inactive;
    ResetCursor();
    NotifyActive();
}

void DataSet::AddObserver(DataSetObserver& observer) {
    if (std::find(observers_.begin(), observers_.end(), &observer) == observers_.end()) observers_.push_back(&observer);
}

void DataSet::RemoveObserver(DataSetObserver& observer) {
    if (notifying_ == 0) {
        std::erase(observers_, &observer);
        return;
    }
    // During a notification the list is walked by position: leave a hole.
    std::replace(observers_.begin(), observers_.end(), &observer, static_cast<DataSetObserver*>(nullptr));
}

void DataSet::Notify(const std::function<void(DataSetObserver&)>& call) {
    if (observers_.empty()) return;
    ++notifying_;
    try {
        for (std::size_t i = 0; i < observers_.size(); ++i)
            if (observers_[i]) call(*observers_[i]);
    } catch (...) {
        if (--notifying_ == 0) std::erase(observers_, nullptr);
        throw;
    }
    if (--notifying_ == 0) std::erase(observers_, nullptr);
}

void DataSet::NotifyActive() {
    if (!observers_.empty()) Notify([this](DataSetObserver& o) { o.ActiveChanged(*this); });
}
void DataSet::NotifyMoved() {
    if (!observers_.empty()) Notify([this](DataSetObserver& o) { o.CursorMoved(*this); });
}
void DataSet::NotifyData(DataChange change) {
    if (!observers_.empty()) Notify([this, change](DataSetObserver& o) { o.DataChanged(*this, change); });
}
void DataSet::NotifyState() {
    if (!observers_.empty()) Notify([this](DataSetObserver& o) { o.StateChanged(*this); });
}

void DataSet::CheckActive() const {
    if (!Active()) Fail(DisplayName(), "Cannot perform this operation on a closed dataset");
}

void DataSet::CheckInactive(const char* what) const {
    if (Active()) Fail(DisplayName(), std::string("Cannot change ") + what + " of an open dataset");
}

void DataSet::CheckCanModify() const {
    CheckActive();
    if (!CanModify()) Fail(DisplayName(), "Cannot modify a read-only dataset");
}

void DataSet::CheckDeclaredFields() const {
    for (const DeclaredField& d : declared_) {
        const int i = FieldIndex(d.name);
        if (i < 0) Fail(DisplayName(), "Field '" + d.name + "' not found");
        const FieldType actual = fields_[static_cast<std::size_t>(i)].type;
        if (actual != d.type)
            Fail(DisplayName(), "Type mismatch for field '" + d.name + "', expecting: " +
                                    std::string(FieldTypeName(d.type)) + " actual: " + std::string(FieldTypeName(actual)));
    }
}

// --- Fields and rows -------------------------------------------------------------------

void DataSet::SetFields(std::vector<FieldDesc> fields) {
    fields_ = std::move(fields);
    blob_.clear();
    for (const FieldDesc& f : fields_) blob_.push_back(IsBlobType(f.type) ? 1 : 0);
}

const std::uint8_t* DataSet::CurrentBytes() const {
    const std::uint32_t record = rows_[row_];
    if (!cachedBytes_ || record != cachedRecord_) {
        cachedBytes_ = RecordBytes(record);
        cachedRecord_ = record;
    }
    return cachedBytes_;
}

int DataSet::FieldIndex(std::string_view name) const {
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (SameFieldName(fields_[i].name, name)) return static_cast<int>(i);
    return -1;
}

int DataSet::RequireField(std::string_view name) const {
    const int i = FieldIndex(name);
    if (i < 0) Fail(DisplayName(), "Field '" + std::string(name) + "' not found");
    return i;
}

void DataSet::SetRows(std::span<const std::uint32_t> rows, std::uint32_t record) {
    rows_ = rows;
    cachedBytes_ = nullptr;  // the records may live elsewhere now
    if (rows_.empty()) {
        row_ = 0;
        bof_ = eof_ = true;
        return;
    }
    row_ = std::min(row_, rows_.size() - 1);
    MoveToRecord(record);
}

void DataSet::MoveToRecord(std::uint32_t record) {
    // The current row and the last one are checked first: a post keeps its row or, as
    // an append in key or record order mostly does, lands last. Only otherwise are the
    // rows searched (a million rows took a millisecond per appended record).
    if (row_ < rows_.size() && rows_[row_] == record) {
        // already there
    } else if (!rows_.empty() && rows_.back() == record) {
        row_ = rows_.size() - 1;
    } else {
        const auto it = std::find(rows_.begin(), rows_.end(), record);
        if (it != rows_.end()) row_ = static_cast<std::size_t>(it - rows_.begin());
    }
    bof_ = eof_ = rows_.empty();
}

void DataSet::ResetCursor() {
    row_ = 0;
    bof_ = true;
    eof_ = rows_.empty();
}

// --- Cursor ---------------------------------------------------------------------------------

void DataSet::First() {
    CheckActive();
    CheckBrowseMode();
    const std::size_t before = row_;
    ResetCursor();
    if (before != row_) NotifyMoved();
}

void DataSet::Last() {
    CheckActive();
    CheckBrowseMode();
    const std::size_t before = row_;
    row_ = rows_.empty() ? 0 : rows_.size() - 1;
    eof_ = true;
    bof_ = rows_.empty();
    if (before != row_) NotifyMoved();
}

void DataSet::Next() {
    CheckActive();
    CheckBrowseMode();
    if (row_ + 1 < rows_.size()) {
        ++row_;
        bof_ = eof_ = false;
        // A next row elsewhere in the file (an ordered query) is fetched ahead; rows
        // in record order are streamed by the processor anyway.
        if (row_ + 1 < rows_.size() && rows_[row_ + 1] != rows_[row_] + 1) Prefetch(RecordBytes(rows_[row_ + 1]));
        NotifyMoved();
    } else {
        eof_ = true;
        bof_ = rows_.empty();
    }
}

void DataSet::Prior() {
    CheckActive();
    CheckBrowseMode();
    if (row_ > 0 && !rows_.empty()) {
        --row_;
        bof_ = eof_ = false;
        NotifyMoved();
    } else {
        bof_ = true;
        eof_ = rows_.empty();
    }
}

void DataSet::MoveTo(std::size_t recNo) {
    CheckActive();
    CheckBrowseMode();
    if (recNo < 1 || recNo > rows_.size())
        Fail(DisplayName(), "record number " + std::to_string(recNo) + " out of range 1.." + std::to_string(rows_.size()));
    const std::size_t before = row_;
    row_ = recNo - 1;
    bof_ = eof_ = false;
    if (before != row_) NotifyMoved();
}

std::size_t DataSet::RecNo() const { return Active() && !rows_.empty() ? row_ + 1 : 0; }

// --- Field access ----------------------------------------------------------------------

Value DataSet::GetValue(int field) const {
    const FieldDesc& f = fields_.at(static_cast<std::size_t>(field));
    if (state_ == DataSetState::Edit || state_ == DataSetState::Insert) return buffer_[static_cast<std::size_t>(field)];
    if (!Active() || rows_.empty()) return Value::Null();
    const std::uint32_t record = rows_[row_];
    if (blob_[static_cast<std::size_t>(field)]) return DecodeBlob(record, field);
    return DecodeField(f, CurrentBytes() + f.offset, Codec());
}

std::int64_t DataSet::AsInteger(int field) const {
    const FieldDesc& f = fields_.at(static_cast<std::size_t>(field));
    if (state_ != DataSetState::Browse || rows_.empty() || blob_[static_cast<std::size_t>(field)])
        return ValueAsInteger(f, GetValue(field));
    DecodeFieldInto(f, CurrentBytes() + f.offset, Codec(), scratch_);
    return scratch_.kind == Value::Kind::Int ? scratch_.integer : ValueAsInteger(f, scratch_);
}

double DataSet::AsFloat(int field) const {
    const FieldDesc& f = fields_.at(static_cast<std::size_t>(field));
    if (state_ != DataSetState::Browse || rows_.empty() || blob_[static_cast<std::size_t>(field)])
        return ValueAsFloat(f, GetValue(field));
    DecodeFieldInto(f, CurrentBytes() + f.offset, Codec(), scratch_);
    return scratch_.kind == Value::Kind::Float ? scratch_.number : ValueAsFloat(f, scratch_);
}

std::string DataSet::AsString(int field) const {
    const FieldDesc& f = fields_.at(static_cast<std::size_t>(field));
    return ValueAsString(f, GetValue(field));
}

// --- Locate -----------------------------------------------------------------------------------

bool DataSet::Locate(std::string_view fields, const std::vector<Value>& values, LocateOptions options) {
    CheckActive();
    CheckBrowseMode();
    std::vector<int> positions;
    std::string_view rest = fields;
    for (;;) {
        const auto cut = rest.find(kFieldListSeparator);
        positions.push_back(RequireField(Trim(rest.substr(0, cut))));
        if (cut == std::string_view::npos) break;
        rest.remove_prefix(cut + 1);
    }
    const RecordMatcher matcher(fields_, positions, values, options, Codec());
    if (!matcher.Possible()) return false;
    std::uint32_t record = 0;
    const RecordMatcher::BlobReader blob = [this, &record](int field) { return DecodeBlob(record, field); };
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        record = rows_[r];
        if (!matcher.Matches(RecordBytes(record), blob)) continue;
        const bool moved = r != row_;
        row_ = r;
        bof_ = eof_ = false;
        if (moved) NotifyMoved();
        return true;
    }
    return false;
}

}  // namespace ter5::engine
