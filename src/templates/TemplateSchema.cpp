#include "TemplateSchema.h"

#include <filesystem>

#include "DefaultTemplates.h"
#include "engine/FileUtil.h"
#include "engine/IndexMaintenance.h"

namespace ter5::templates {
namespace {

using engine::FieldDef;
using engine::FieldType;
using engine::IndexDef;

// Sizes of the alpha fields of the template tables.
constexpr int kNameSize = 200;
constexpr int kFlagSize = 1;
constexpr int kBasesNoteSize = 200;
constexpr int kFieldNoteSize = 250;
constexpr int kTypeSize = 1;

IndexDef Primary(const char* field) { return IndexDef{"", {field}, true, false, false}; }

IndexDef Ordering(const char* name, std::vector<std::string> fields) {
    return IndexDef{name, std::move(fields), false, true, false};
}

}  // namespace

const std::vector<TemplateTableSchema>& TemplateTableSchemas() {
    static const std::vector<TemplateTableSchema> schemas = {
        {kNameBaseTable,
         {{"Code_NameBase", FieldType::AutoInc, 0, false},
          {"Name", FieldType::Alpha, kNameSize, false},
          {"Flag", FieldType::Alpha, kFlagSize, false}},
         {Primary("Code_NameBase"), Ordering("ByName", {"Name"})}},
        {kBasesTable,
         {{"Code_Bases", FieldType::AutoInc, 0, false},
          {"Code_NameBase", FieldType::Long, 0, false},
          {"Name", FieldType::Alpha, kNameSize, false},
          {"Flag", FieldType::Alpha, kFlagSize, false},
          {"Note", FieldType::Alpha, kBasesNoteSize, false}},
         {Primary("Code_Bases"), Ordering("ByGroup", {"Code_NameBase", "Name"})}},
        {kIndexTable,
         {{"Code_Index", FieldType::AutoInc, 0, false},
          {"Code_Bases", FieldType::Long, 0, false},
          {"NameIndex", FieldType::Alpha, kNameSize, false},
          {"StructureIndex", FieldType::Alpha, kNameSize, false}},
         {Primary("Code_Index"), Ordering("ByTable", {"Code_Bases", "NameIndex"})}},
        {kFieldTable,
         {{"Code_Field", FieldType::AutoInc, 0, false},
          {"Code_Bases", FieldType::Long, 0, false},
          {"Number", FieldType::Long, 0, false},
          {"NameField", FieldType::Alpha, kNameSize, false},
          {"Type", FieldType::Alpha, kTypeSize, false},
          {"Width", FieldType::Long, 0, false},
          {"Note", FieldType::Alpha, kFieldNoteSize, false}},
         {Primary("Code_Field"), Ordering("ByTable", {"Code_Bases", "Number"})}},
    };
    return schemas;
}

bool EnsureTemplateTables(const std::string& directory) {
    const std::filesystem::path dir(directory);
    bool noneThere = true;
    std::vector<const TemplateTableSchema*> missing;
    for (const auto& schema : TemplateTableSchemas()) {
        if (engine::FindFileNoCase(dir, schema.fileName))
            noneThere = false;
        else
            missing.push_back(&schema);
    }
    for (const TemplateTableSchema* schema : missing)
        engine::CreateTable(dir / schema->fileName, schema->fields, schema->indexes);
    if (noneThere) WriteDefaultTemplates(directory);
    return noneThere;
}

}  // namespace ter5::templates
