#pragma once
// The four template tables: file names, fields, ordering indexes, and their
// creation (with the default templates) in a directory that has none.

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

// Creates in `directory` each template table that is missing there (file names
// match ignoring case). When none was there, the new tables receive the default
// templates (DefaultTemplates.h). Returns true in that case. Throws EngineError.
bool EnsureTemplateTables(const std::string& directory);

}  // namespace ter5::templates
