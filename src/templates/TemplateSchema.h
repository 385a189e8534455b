#pragma once
// The four template tables: file names, fields, ordering indexes, their creation
// in a directory that has none, and the templates a new store starts with: one
// group for the working bases of the companion program, holding its three tables
// with their fields and indexes, every table marked for group reindexing.

#include <string>
#include <vector>

#include "engine/IndexCatalog.h"
#include "engine/TableWriter.h"

namespace ter5::templates {

// File names of the template tables, as the data module opens them.
inline constexpr char kNameBaseTable[] = "NameBase.DB";
inline constexpr char kBasesTable[] = "Bases.DB";
inline constexpr char kFieldTable[] = "Field.DB";
inline constexpr char kIndexTable[] = "Index.db";

// Index field orders of the data sets and the master fields of the details.
inline constexpr char kNameBaseOrder[] = "Name";
inline constexpr char kBasesOrder[] = "Code_NameBase;Name";
inline constexpr char kFieldOrder[] = "Code_Bases;Number";
inline constexpr char kIndexOrder[] = "Code_Bases;NameIndex";
inline constexpr char kGroupKey[] = "Code_NameBase";
inline constexpr char kTableKey[] = "Code_Bases";

// Fields and indexes of one template table.
struct TemplateTableSchema {
    const char* fileName;
    std::vector<engine::FieldDef> fields;
    std::vector<engine::IndexDef> indexes;
};

// The four tables in the order the data module opens them: NameBase, Bases, Index, Field.
const std::vector<TemplateTableSchema>& TemplateTableSchemas();

// One field row: name, type letter, width (0: none) and comment.
struct DefaultField {
    const char* name;
    const char* type;
    int width;
    const char* note;
};

// One index row: name ("" for the primary index) and field list.
struct DefaultIndex {
    const char* name;
    const char* structure;
};

// One table template with its rows, fields in `Number` order.
struct DefaultTable {
    const char* name;
    const char* note;
    std::vector<DefaultField> fields;
    std::vector<DefaultIndex> indexes;
};

// One template group.
struct DefaultGroup {
    const char* name;
    const char* flag;
    std::vector<DefaultTable> tables;
};

// The group of the companion program's working bases (`Flag` "р").
const DefaultGroup& WorkingBasesGroup();

// Appends the default group to the template tables in `directory`, which must
// exist (EnsureTemplateTables). Throws EngineError.
void WriteDefaultTemplates(const std::string& directory);

// Creates in `directory` each template table that is missing there (file names
// match ignoring case). When none was there, the new tables receive the default
// templates (WriteDefaultTemplates). Returns true in that case. Throws EngineError.
bool EnsureTemplateTables(const std::string& directory);

}  // namespace ter5::templates
