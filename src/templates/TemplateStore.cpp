#include "TemplateStore.h"

#include <filesystem>

#include "TemplateDefinitions.h"
#include "TemplateSchema.h"
#include "base/PathNames.h"
#include "base/TDM.h"

namespace ter5::templates {
namespace {

// Deletes the rows of `table` (a detail: the current master's rows) one by one.
void DeleteAllRows(engine::Table& table) {
    table.First();
    for (std::size_t left = table.RecordCount(); left > 0 && !table.IsEmpty(); --left) table.Delete();
}

void UnhookAll(const TemplateDataSets& sets) {
    sets.nameBase.SetBeforeDelete(nullptr);
    sets.bases.SetBeforeDelete(nullptr);
    sets.field.SetBeforeInsert(nullptr);
    sets.field.SetOnNewRecord(nullptr);
}

}  // namespace

TemplateDataSets TemplateDataSetsOf(base::TDM& dm) {
    return TemplateDataSets{dm.TNameBase, dm.TBases, dm.TField, dm.TIndex, dm.Table1};
}

TemplateStore::TemplateStore(const TemplateDataSets& sets, const std::string& directory) : sets_(sets) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(base::PathFromUtf8(directory), ec);
    directory_ = ec ? directory : base::PathToUtf8(absolute.lexically_normal());

    struct Setting {
        engine::Table& table;
        const char* fileName;
        const char* order;
        engine::Table* master;
        const char* masterFields;
    };
    const Setting settings[] = {
        {sets_.nameBase, kNameBaseTable, kNameBaseOrder, nullptr, ""},
        {sets_.bases, kBasesTable, kBasesOrder, &sets_.nameBase, kGroupKey},
        {sets_.field, kFieldTable, kFieldOrder, &sets_.bases, kTableKey},
        {sets_.index, kIndexTable, kIndexOrder, &sets_.bases, kTableKey},
    };
    for (const Setting& s : settings) {
        s.table.SetDatabaseName(directory_);
        s.table.SetTableName(s.fileName);
        s.table.SetIndexFieldNames(s.order);
        s.table.SetMasterSource(s.master);
        s.table.SetMasterFields(s.masterFields);
    }
    sets_.nameBase.SetBeforeDelete([this](engine::DataSet&) { TNameBaseBeforeDelete(); });
    sets_.bases.SetBeforeDelete([this](engine::DataSet&) { TBasesBeforeDelete(); });
    sets_.field.SetBeforeInsert([this](engine::DataSet&) { TFieldBeforeInsert(); });
    sets_.field.SetOnNewRecord([this](engine::DataSet&) { TFieldNewRecord(); });
}

TemplateStore::~TemplateStore() { UnhookAll(sets_); }

void TemplateStore::Open() {
    sets_.nameBase.Open();
    sets_.bases.Open();
    sets_.index.Open();
    sets_.field.Open();
}

void TemplateStore::Close() {
    sets_.work.Close();
    sets_.field.Close();
    sets_.index.Close();
    sets_.bases.Close();
    sets_.nameBase.Close();
}

void TemplateStore::TNameBaseBeforeDelete() { DeleteAllRows(sets_.bases); }

void TemplateStore::TBasesBeforeDelete() {
    DeleteAllRows(sets_.index);
    // Field rows are reached only through their table template: they go with it.
    DeleteAllRows(sets_.field);
}

void TemplateStore::TFieldBeforeInsert() {
    engine::Table& field = sets_.field;
    field.Last();
    lastFieldNumber_ = field.IsEmpty() ? 0 : field.AsInteger("Number");
}

void TemplateStore::TFieldNewRecord() { sets_.field.SetAsInteger("Number", lastFieldNumber_ + 1); }

bool TemplateStore::LocateGroup(const std::string& name) {
    return sets_.nameBase.Locate("Name", engine::Value::Text(name), engine::LocateOptions{true, false});
}

void TemplateStore::AppendGroup(const std::string& name, const std::string& flag) {
    engine::Table& groups = sets_.nameBase;
    groups.Append();
    groups.SetAsString("Name", name);
    if (!flag.empty()) groups.SetAsString("Flag", flag);
    groups.Post();
}

bool TemplateStore::LocateTable(const std::string& name) {
    return sets_.bases.Locate("Name", engine::Value::Text(name), engine::LocateOptions{true, false});
}

void TemplateStore::FlushBuffers() {
    for (engine::Table* t : {&sets_.nameBase, &sets_.bases, &sets_.field, &sets_.index})
        if (t->Active()) t->FlushBuffers();
}

TemplateModule::TemplateModule(const std::string& directory) {
    createdDefaults_ = EnsureTemplateTables(directory);
    store_ = std::make_unique<TemplateStore>(TemplateDataSetsOf(dm_), directory);
    store_->Open();
}

TemplateModule::~TemplateModule() {
    try {
        dm_.CloseBaseDataSets();
        store_->FlushBuffers();
        store_->Close();
    } catch (...) {
        // Posted rows are already on disk; a failing flush loses nothing more here.
    }
}

bool TemplateModule::SelectGroup(const std::string& name, bool create) {
    if (store_->LocateGroup(name)) return true;
    if (!create) return false;
    store_->AppendGroup(name, kGroupOther);
    return store_->LocateGroup(name);
}

}  // namespace ter5::templates
