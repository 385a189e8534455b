#include "TemplateSchema.h"

#include <filesystem>
#include <memory>

#include "TemplateDefinitions.h"
#include "base/DemoBase.h"
#include "engine/EngineError.h"
#include "engine/FileUtil.h"
#include "engine/IndexMaintenance.h"
#include "engine/TableEditor.h"

namespace ter5::templates {
namespace {

using engine::FieldDef;
using engine::FieldType;
using engine::IndexDef;
using engine::Value;

// Sizes of the alpha fields of the template tables.
constexpr int kNameSize = 200;
constexpr int kFlagSize = 1;
constexpr int kBasesNoteSize = 200;
constexpr int kFieldNoteSize = 250;
constexpr int kTypeSize = 1;

// Sizes of the text fields of the base tables.
constexpr int kLongText = 255;
constexpr int kMarkSize = 1;
constexpr int kCadastralNumberSize = 30;

// One table file opened for appending rows, saved on Finish.
class RowWriter {
public:
    RowWriter(const std::filesystem::path& dir, const char* table) {
        const auto path = engine::FindFileNoCase(dir, table);
        if (!path) engine::Fail(engine::PathToUtf8((dir / table)), "Table does not exist");
        editor_ = std::make_unique<engine::TableEditor>(*path);
    }
    // Starts a new row.
    void Begin() { record_ = editor_->BlankRecord(); }
    // Sets a field of the new row; an empty text or a zero width stays NULL.
    void Set(const char* field, const Value& value) {
        editor_->SetField(record_, static_cast<std::size_t>(editor_->Source().RequireField(field)), value);
    }
    void SetText(const char* field, const std::string& text) {
        if (!text.empty()) Set(field, Value::Text(text));
    }
    // Appends the row; returns its auto-increment key.
    std::int64_t End() { return editor_->Append(record_); }
    void Finish() { editor_->Save(); }

private:
    std::unique_ptr<engine::TableEditor> editor_;
    std::string record_;
};

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

const DefaultGroup& WorkingBasesGroup() {
    static const DefaultGroup group{
        "TER v.5",
        kGroupWorking,
        {
            {"POLIGON.DB",
             "Вершины границ участков",
             {{"Code", "+", 0, "Код вершины"},
              {"Number", "N", 0, "Номер вершины"},
              {"X", "N", 0, "Координата X"},
              {"Y", "N", 0, "Координата Y"},
              {"Z", "N", 0, "Отметка Z"},
              {"PutNumber", "N", 0, "Порядок обхода границы"},
              {"Ter", "N", 0, "Код участка"}},
             {{"", "Code"}, {base::kVertexOrderIndex, "Ter;PutNumber"}}},
            {"SUBTER.DB",
             "Земельные участки",
             {{"Code", "I", 0, "Код участка"},
              {"Flag", "A", kMarkSize, "Отметка"},
              {"Ok", "A", kMarkSize, "Вторая отметка"},
              {"House", "A", kLongText, "Адрес участка"},
              {"Ixp1", "N", 0, "Площадь"},
              {"IdentificationCode", "A", kCadastralNumberSize, "Кадастровый номер"}},
             {{"", "Code"}}},
            {"TER.DB",
             "Землевладельцы",
             {{"Code", "I", 0, "Код владельца"},
              {"Family", "A", kLongText, "Ф.И.О."},
              {"Poligon", "N", 0, "Код участка владельца"},
              {"Flag", "A", kMarkSize, "Отметка"},
              {"Adr_House", "A", kLongText, "Адрес владельца"}},
             {{"", "Code"}}},
        }};
    return group;
}

void WriteDefaultTemplates(const std::string& directory) {
    const std::filesystem::path dir = engine::PathFromUtf8(directory);
    const DefaultGroup& group = WorkingBasesGroup();
    RowWriter groups(dir, kNameBaseTable), tables(dir, kBasesTable), fields(dir, kFieldTable),
        indexes(dir, kIndexTable);

    groups.Begin();
    groups.SetText("Name", group.name);
    groups.SetText("Flag", group.flag);
    const std::int64_t groupKey = groups.End();
    for (const DefaultTable& table : group.tables) {
        tables.Begin();
        tables.Set("Code_NameBase", Value::Int(groupKey));
        tables.SetText("Name", table.name);
        tables.SetText("Flag", kReindexMark);
        tables.SetText("Note", table.note);
        const std::int64_t tableKey = tables.End();
        int number = 0;
        for (const DefaultField& field : table.fields) {
            fields.Begin();
            fields.Set("Code_Bases", Value::Int(tableKey));
            fields.Set("Number", Value::Int(++number));
            fields.SetText("NameField", field.name);
            fields.SetText("Type", field.type);
            if (field.width > 0) fields.Set("Width", Value::Int(field.width));
            fields.SetText("Note", field.note);
            fields.End();
        }
        for (const DefaultIndex& index : table.indexes) {
            indexes.Begin();
            indexes.Set("Code_Bases", Value::Int(tableKey));
            indexes.SetText("NameIndex", index.name);
            indexes.SetText("StructureIndex", index.structure);
            indexes.End();
        }
    }
    groups.Finish();
    tables.Finish();
    fields.Finish();
    indexes.Finish();
}

bool EnsureTemplateTables(const std::string& directory) {
    const std::filesystem::path dir = engine::PathFromUtf8(directory);
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
