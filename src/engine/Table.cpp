#include "Table.h"

#include <algorithm>

#include "EngineError.h"
#include "FileUtil.h"
#include "RecordOrder.h"
#include "TableStore.h"
#include "ValueConversion.h"

namespace fs = std::filesystem;

namespace ter5::engine {
namespace {

// Detail rows whose records are fetched ahead when the master moves.
constexpr std::size_t kPrefetchRows = 8;

// Extension given to a table name that has none, and of the primary index.
constexpr char kTableExtension[] = ".db";
constexpr char kPrimaryIndexExtension[] = ".PX";

std::vector<std::string> SplitFieldList(const std::string& list) {
    std::vector<std::string> names;
    std::size_t start = 0;
    for (;;) {
        const std::size_t cut = list.find(';', start);
        std::string name = list.substr(start, cut == std::string::npos ? std::string::npos : cut - start);
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
        if (!name.empty()) names.push_back(std::move(name));
        if (cut == std::string::npos) return names;
        start = cut + 1;
    }
}

bool SameFields(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), EqualsNoCase);
}

}  // namespace

// Makes a detail follow its master.
class Table::MasterLink : public DataSetObserver {
public:
    MasterLink(Table& detail, DataSet& master) : detail_(detail), master_(&master) { master.AddObserver(*this); }
    ~MasterLink() override {
        if (master_) master_->RemoveObserver(*this);
    }
    void ActiveChanged(DataSet&) override {
        detail_.masterFieldIndexes_.clear();  // the master's fields may differ now
        detail_.MasterChanged();
    }
    void CursorMoved(DataSet&) override { detail_.MasterChanged(); }
    void DataChanged(DataSet&, DataChange) override { detail_.MasterChanged(); }
    void StateChanged(DataSet&) override { detail_.MasterChanged(); }
    void Destroyed(DataSet&) override {
        // The master is going away: the detail is unlinked and shows every row.
        master_ = nullptr;
        detail_.master_ = nullptr;
        detail_.MasterChanged();
    }

private:
    Table& detail_;
    DataSet* master_;
};

Table::Table() = default;

Table::~Table() {
    try {
        Close();
    } catch (...) {
        // Nothing can be reported from a destructor; see the header.
    }
}

// --- Settings -------------------------------------------------------------------------------

void Table::SetDatabaseName(std::string directory) {
    CheckInactive("the database name");
    databaseName_ = std::move(directory);
}

void Table::SetTableName(std::string name) {
    CheckInactive("the table name");
    tableName_ = std::move(name);
}

void Table::SetReadOnly(bool readOnly) {
    CheckInactive("ReadOnly");
    readOnly_ = readOnly;
}

void Table::SetExclusive(bool exclusive) {
    CheckInactive("Exclusive");
    exclusive_ = exclusive;
}

void Table::SetDeferredWrites(bool deferred) {
    if (!deferred && Active() && store_->HasPending()) FlushBuffers();  // held rows are written first
    deferred_ = deferred;
    if (store_) store_->SetDeferred(deferred);
}

void Table::CancelDeferredWrites() {
    if (!Active()) return;
    Cancel();
    if (!store_->HasPending()) return;
    store_->DiscardPending();
    Rebuild(0);
    ResetCursor();
    NotifyData(DataChange::Refresh);
    NotifyMoved();
}

void Table::SetIndexFieldNames(std::string fields) {
    if (Active()) CheckBrowseMode();
    indexFieldNames_ = std::move(fields);
    if (Active()) Reorder();
}

void Table::SetMasterSource(DataSet* master) {
    if (master == this) Fail(DisplayName(), "a table cannot be its own master");
    if (Active()) CheckBrowseMode();
    link_.reset();
    masterFieldIndexes_.clear();
    master_ = master;
    if (master_) link_ = std::make_unique<MasterLink>(*this, *master_);
    if (Active()) Reorder();
}

void Table::SetMasterFields(std::string fields) {
    if (Active()) CheckBrowseMode();
    masterFields_ = std::move(fields);
    masterFieldIndexes_.clear();
    if (Active()) Reorder();
}

fs::path Table::ResolvePath() const {
    if (tableName_.empty()) Fail(databaseName_, "no table name given");
    fs::path name = PathFromUtf8(tableName_);
    if (!name.has_extension()) name += kTableExtension;
    const fs::path full = name.is_absolute() ? name : PathFromUtf8(databaseName_) / name;
    const auto found = ResolveNoCase(full);
    if (!found) Fail(PathToUtf8(full), "Table does not exist");
    return *found;
}

std::string Table::DisplayName() const {
    if (store_) return PathToUtf8(store_->Path());
    return PathToUtf8(PathFromUtf8(databaseName_) / PathFromUtf8(tableName_));
}

const fs::path& Table::FilePath() const {
    CheckActive();
    return store_->Path();
}

std::vector<IndexInfo> Table::Indexes() const {
    CheckActive();
    return DiscoverIndexes(store_->File());
}

// --- Opening and order ------------------------------------------------------------------------

void Table::ResolveOrder(const TableFile& file, const std::string& display) {
    keyFields_.clear();
    caseInsensitive_ = descending_ = false;
    const bool keyed = file.Header().fileType == FileType::KeyedDb && file.Header().numKeyFields > 0;
    if (indexFieldNames_.empty()) {
        if (!master_) return;
        if (!keyed) Fail(display, "a detail table needs IndexFieldNames or a primary key");
        for (int i = 0; i < file.Header().numKeyFields; ++i) keyFields_.push_back(i);
        return;
    }
    const auto missing = [&] { Fail(display, "Index does not exist. Fields: " + indexFieldNames_); };
    std::vector<std::string> wanted;
    try {
        wanted = ParseFieldList(file, indexFieldNames_);
    } catch (const EngineError&) {
        missing();
    }
    if (keyed && SameFields(DescribePrimaryIndex(file).def.fields, wanted)) {
        keyFields_ = ResolveFields(file, wanted);
        return;
    }
    for (const IndexInfo& info : DiscoverIndexes(file)) {
        if (info.def.primary || !SameFields(info.def.fields, wanted)) continue;
        keyFields_ = ResolveFields(file, wanted);
        caseInsensitive_ = info.def.caseInsensitive;
        descending_ = info.def.descending;
        return;
    }
    missing();
}

void Table::DoOpen() {
    const fs::path path = ResolvePath();
    auto store = std::make_unique<TableStore>(path, exclusive_);
    if (store->Keyed() && !exclusive_ &&
        !FindFileNoCase(path.parent_path(), PathToUtf8(path.stem()) + kPrimaryIndexExtension))
        Fail(PathToUtf8(path), "the primary index " + PathToUtf8(path.stem()) + kPrimaryIndexExtension +
                                " is missing; the table can only be opened exclusively");
    ResolveOrder(store->File(), PathToUtf8(path));
    store->SetDeferred(deferred_);
    store_ = std::move(store);
    try {
        SetFields(store_->File().Fields());
        BuildOrder();
        ApplyRange(0);
    } catch (...) {
        SetRows({}, 0);
        order_.reset();
        store_.reset();
        throw;
    }
}

void Table::DoClose() {
    order_.reset();
    store_.reset();
    masterKey_.reset();
}

void Table::Reorder() {
    ResolveOrder(store_->File(), DisplayName());
    Rebuild(0);
    ResetCursor();
    NotifyData(DataChange::Refresh);
    NotifyMoved();
}

void Table::BuildOrder() {
    const TableFile& file = store_->File();
    order_ = std::make_unique<RecordOrder>(file.Fields(), keyFields_, caseInsensitive_, descending_,
                                           KeyRules(file.Header()), file.Codec());
    const TableStore& store = *store_;
    order_->Build(store.Count(), [&store](const auto& visit) { store.ForEach(visit); });
    orderGeneration_ = store_->Generation();
}

std::string Table::MasterKey() const {
    if (!master_->Active() || (master_->State() == DataSetState::Browse && master_->IsEmpty())) return std::string();
    if (masterFieldIndexes_.empty()) {
        const std::vector<std::string> names = SplitFieldList(masterFields_);
        if (names.empty()) Fail(DisplayName(), "MasterFields are not set");
        if (names.size() > keyFields_.size())
            Fail(DisplayName(), "MasterFields '" + masterFields_ + "' name more fields than the index has");
        for (const std::string& name : names) masterFieldIndexes_.push_back(master_->RequireField(name));
    }
    masterValues_.clear();
    for (int field : masterFieldIndexes_) {
        masterValues_.push_back(master_->GetValue(field));
        if (masterValues_.back().IsNull()) return std::string();
    }
    try {
        return order_->EncodePrefix(masterValues_).value_or(std::string());
    } catch (const EngineError& e) {
        Fail(DisplayName(), std::string("master key: ") + e.what());
    }
}

void Table::ApplyRange(std::uint32_t record, std::optional<std::string> key) {
    const std::vector<std::uint32_t>& order = order_->Order();
    if (!master_) {
        masterKey_.reset();
        SetRows(order, record);
        return;
    }
    masterKey_ = key ? std::move(key) : MasterKey();
    if (masterKey_->empty()) {
        SetRows({}, record);
        return;
    }
    const auto [first, last] = order_->EqualRange(*masterKey_);
    // The detail rows lie anywhere in the file: ask for their first records now,
    // all at once, rather than wait for each when it is read.
    for (std::size_t i = first; i < last && i < first + kPrefetchRows; ++i) Prefetch(store_->Bytes(order[i]));
    SetRows(std::span<const std::uint32_t>(order.data() + first, last - first), record);
}

void Table::Rebuild(std::uint32_t record) {
    BuildOrder();
    ApplyRange(record);
}

void Table::MasterChanged() {
    if (!Active()) return;
    std::optional<std::string> key;
    if (master_) key = MasterKey();
    if (key && key == masterKey_) return;
    if (State() != DataSetState::Browse) {
        CheckBrowseMode();  // a pending detail row goes to the master it was begun for
        if (!Active()) return;
    }
    ApplyRange(0, std::move(key));
    ResetCursor();
    NotifyData(DataChange::Master);
    NotifyMoved();
}

void Table::SetUpNewRow(std::vector<Value>& values, std::vector<bool>& assigned) {
    if (!master_ || !master_->Active()) return;
    const std::vector<std::string> names = SplitFieldList(masterFields_);
    for (std::size_t i = 0; i < names.size() && i < keyFields_.size(); ++i) {
        const auto field = static_cast<std::size_t>(keyFields_[i]);
        values[field] = CoerceForAssignment(Fields()[field], master_->GetValue(std::string_view(names[i])));
        assigned[field] = true;
    }
}

// --- Records ----------------------------------------------------------------------------------

const std::uint8_t* Table::RecordBytes(std::uint32_t record) const { return store_->Bytes(record); }

const TextCodec& Table::Codec() const { return store_->File().Codec(); }

Value Table::DecodeBlob(std::uint32_t record, int field) const { return store_->DecodeBlob(record, field); }

std::uint32_t Table::DoPost(const PendingRow& row) {
    if (readOnly_) Fail(DisplayName(), "Cannot modify a read-only dataset");
    TableStore::Change change;
    change.kind = row.inserting ? TableStore::Change::Kind::Insert : TableStore::Change::Kind::Update;
    change.record = row.record;
    if (!row.inserting)
        change.original.assign(reinterpret_cast<const char*>(store_->Bytes(row.record)),
                               store_->File().Header().recordSize);
    change.values = &row.values;
    change.assigned = &row.assigned;
    const std::size_t written = store_->Apply(change);
    const auto record = static_cast<std::uint32_t>(written == TableStore::kNoRecord ? 0 : written);
    if (row.inserting && store_->Generation() == orderGeneration_ && written == order_->Size()) {
        order_->Add(store_->Bytes(record));  // a held-back insert: no need to sort again
        ApplyRange(record);
    } else {
        Rebuild(record);
    }
    return record;
}

void Table::DoDelete(std::uint32_t record) {
    if (readOnly_) Fail(DisplayName(), "Cannot modify a read-only dataset");
    TableStore::Change change;
    change.kind = TableStore::Change::Kind::Delete;
    change.record = record;
    change.original.assign(reinterpret_cast<const char*>(store_->Bytes(record)), store_->File().Header().recordSize);
    store_->Apply(change);
    Rebuild(0);
}

std::uint32_t Table::DoRefresh(std::uint32_t current) {
    std::string bytes;
    if (!IsEmpty()) bytes.assign(reinterpret_cast<const char*>(store_->Bytes(current)), store_->File().Header().recordSize);
    if (!store_->ReloadIfChanged()) {
        ApplyRange(current);
        return current;
    }
    const std::size_t found = store_->Find(bytes, current);
    const auto record = static_cast<std::uint32_t>(found == TableStore::kNoRecord ? current : found);
    Rebuild(record);
    return record;
}

std::uint32_t Table::DoFlush(std::uint32_t current, bool durable) {
    std::uint32_t record = current;
    if (store_->HasPending()) {
        std::string bytes;
        if (!IsEmpty())
            bytes.assign(reinterpret_cast<const char*>(store_->Bytes(current)), store_->File().Header().recordSize);
        try {
            store_->SavePending();
        } catch (...) {
            Rebuild(0);
            throw;
        }
        const std::size_t found = store_->Find(bytes, current);
        record = static_cast<std::uint32_t>(found == TableStore::kNoRecord ? 0 : found);
        Rebuild(record);
    }
    if (durable) store_->Sync();
    return record;
}

}  // namespace ter5::engine
