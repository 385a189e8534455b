#pragma once
// The template store: the four template tables of the data module, coupled master
// to detail (groups → table templates → field rows and index rows), with the
// cascade delete and the numbering of new field rows installed as data-set hooks.
//
// The tables belong to the data module; the store only configures them. They are
// opened from the start-up directory, made absolute once, so that the process's
// current directory may follow the directory tree afterwards.

#include <cstdint>
#include <memory>
#include <string>

#include "base/TDM.h"
#include "engine/Table.h"

namespace ter5::templates {

// The data module's template tables and its work table `Table1`.
struct TemplateDataSets {
    engine::Table& nameBase;  // `TNameBase`: NameBase.DB
    engine::Table& bases;     // `TBases`: Bases.DB
    engine::Table& field;     // `TField`: Field.DB
    engine::Table& index;     // `TIndex`: Index.db
    engine::Table& work;      // `Table1`
};

// The template tables and `Table1` of the data module.
TemplateDataSets TemplateDataSetsOf(base::TDM& dm);

class TemplateStore {
public:
    // Points the closed template tables at `directory` (made absolute; "" for the
    // current directory), sets their orders and master–detail links and installs
    // the hooks. The tables must outlive the store.
    TemplateStore(const TemplateDataSets& sets, const std::string& directory);
    ~TemplateStore();
    TemplateStore(const TemplateStore&) = delete;
    TemplateStore& operator=(const TemplateStore&) = delete;

    // `DataModuleCreate`: opens TNameBase, TBases, TIndex and TField in this order.
    // The first failure is thrown; that table and the ones after it stay closed.
    void Open();
    // Closes the four tables and the work table, details first.
    void Close();

    // The absolute directory of the template tables.
    const std::string& Directory() const { return directory_; }

    engine::Table& NameBase() { return sets_.nameBase; }
    engine::Table& Bases() { return sets_.bases; }
    engine::Table& Fields() { return sets_.field; }
    engine::Table& Indexes() { return sets_.index; }
    engine::Table& Work() { return sets_.work; }

    // `TNameBaseBeforeDelete`: deletes every table template of the current group.
    void TNameBaseBeforeDelete();
    // `TBasesBeforeDelete`: deletes every index row and field row of the current
    // table template.
    void TBasesBeforeDelete();
    // `TFieldBeforeInsert`: `LastFieldNumber` := the highest `Number` of the
    // current table template's field rows (0 when there are none).
    void TFieldBeforeInsert();
    // `TFieldNewRecord`: the new field row's `Number` := `LastFieldNumber` + 1.
    void TFieldNewRecord();
    // The number the last TFieldBeforeInsert found.
    std::int64_t LastFieldNumber() const { return lastFieldNumber_; }

    // Makes the group named `name` (ignoring case) current; false when there is none.
    bool LocateGroup(const std::string& name);
    // Appends a group and makes it current.
    void AppendGroup(const std::string& name, const std::string& flag);
    // Makes the current group's table template named `name` (ignoring case)
    // current; false when there is none.
    bool LocateTable(const std::string& name);
    // Writes every posted row of the four tables to disk.
    void FlushBuffers();

private:
    TemplateDataSets sets_;
    std::string directory_;
    std::int64_t lastFieldNumber_ = 0;
};

// The data module with its template store, set up as the program does at start-up:
// the template tables are created with the default templates where missing, then
// configured and opened from the given directory. For programs without the main
// window (the command-line tool, tests) and as the main window's recipe.
class TemplateModule {
public:
    // Creates the missing template tables in `directory` (EnsureTemplateTables),
    // configures and opens them. Throws EngineError.
    explicit TemplateModule(const std::string& directory);
    ~TemplateModule();
    TemplateModule(const TemplateModule&) = delete;
    TemplateModule& operator=(const TemplateModule&) = delete;

    base::TDM& DataModule() { return dm_; }
    TemplateStore& Store() { return *store_; }
    // True when the tables were just created with the default templates.
    bool CreatedDefaults() const { return createdDefaults_; }

    // Makes the group `name` current; with `create`, appends it (kind "п") when
    // missing. False when it is missing and not created.
    bool SelectGroup(const std::string& name, bool create);

private:
    base::TDM dm_;  // declared before the store, destroyed after it
    bool createdDefaults_ = false;
    std::unique_ptr<TemplateStore> store_;
};

}  // namespace ter5::templates
