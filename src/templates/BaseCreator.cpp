#include "BaseCreator.h"

#include <filesystem>
#include <stdexcept>

#include "TemplateDefinitions.h"
#include "base/PathNames.h"
#include "engine/EngineError.h"
#include "engine/FileUtil.h"
#include "engine/IndexMaintenance.h"

namespace fs = std::filesystem;

namespace ter5::templates {
namespace {

// Extension the engine gives a table named without one.
constexpr char kDefaultTableExtension[] = ".db";
// Extension of a Paradox table file, whatever the template names.
constexpr char kParadoxTableExtension[] = ".DB";

// The file the engine creates for a template name.
std::string TableFileName(const std::string& templateName) {
    return base::PathFromUtf8(templateName).has_extension() ? templateName : templateName + kDefaultTableExtension;
}

}  // namespace

std::optional<std::string> PrepareBaseDirectory(const std::string& name, const std::string& currentDirectory,
                                                const std::function<void(const std::string&)>& showMessage) {
    const fs::path given = base::PathFromUtf8(name);
    const fs::path path = given.is_absolute() ? given : base::PathFromUtf8(currentDirectory) / given;
    const std::string full = base::PathToUtf8(path);
    if (!name.empty() && base::DirectoryExists(full)) {
        showMessage("Каталог " + name + " уже существует");
    } else {
        std::error_code ec;
        if (name.empty() || !fs::create_directory(path, ec) || ec)
            throw std::runtime_error("Невозможно создать каталог " + name);
    }
    if (!base::DirectoryExists(full)) return std::nullopt;
    return full;
}

bool BaseCreator::TableExists(const std::string& directory, const std::string& templateName) {
    const fs::path dir = base::PathFromUtf8(directory);
    if (engine::FindFileNoCase(dir, templateName)) return true;
    const fs::path file = base::PathFromUtf8(TableFileName(templateName));
    if (engine::FindFileNoCase(dir, engine::PathToUtf8(file.filename()))) return true;
    // "TER.TXT" would share its index and memo files with an existing TER.DB.
    return engine::FindFileNoCase(dir, engine::PathToUtf8(file.stem()) + kParadoxTableExtension).has_value();
}

std::size_t BaseCreator::CreateGroupTables(const std::string& targetDirectory, ListProgress* progress) {
    engine::Table& tables = store_.Bases();
    if (progress) {
        progress->SetMaximum(tables.RecordCount());
        progress->SetPosition(0);
    }
    std::size_t done = 0, created = 0;
    tables.First();
    while (!tables.IsEmpty() && !tables.Eof()) {
        created += CreateCurrentTable(targetDirectory) ? 1 : 0;
        tables.Next();
        if (progress) progress->SetPosition(++done);
    }
    if (progress) progress->SetPosition(0);
    return created;
}

bool BaseCreator::CreateCurrentTable(const std::string& targetDirectory) {
    const std::string name = store_.Bases().AsString("Name");
    if (name.empty()) engine::Fail(targetDirectory, "a table template has no table name");
    if (!IsPlainFileName(name))
        engine::Fail(targetDirectory, "table template name '" + name + "' is not a file name");
    if (TableExists(targetDirectory, name)) return false;

    engine::Table& work = store_.Work();
    work.Close();
    work.SetExclusive(false);
    work.SetDatabaseName(targetDirectory);
    work.SetTableName(name);

    std::vector<engine::FieldDef> fields;
    engine::Table& fieldRows = store_.Fields();
    for (fieldRows.First(); !fieldRows.IsEmpty() && !fieldRows.Eof(); fieldRows.Next()) {
        auto def = FieldDefFromRow(fieldRows.AsString("NameField"), fieldRows.AsString("Type"),
                                   static_cast<int>(fieldRows.AsInteger("Width")));
        if (def) fields.push_back(std::move(*def));
    }
    std::vector<engine::IndexDef> indexes;
    engine::Table& indexRows = store_.Indexes();
    for (indexRows.First(); !indexRows.IsEmpty() && !indexRows.Eof(); indexRows.Next())
        indexes.push_back(IndexDefFromRow(indexRows.AsString("NameIndex"), indexRows.AsString("StructureIndex")));

    // The engine writes the table with all its indexes or nothing, so a table whose
    // index failed is not left behind to count as existing.
    const fs::path file = base::PathFromUtf8(targetDirectory) / base::PathFromUtf8(TableFileName(name));
    engine::CreateTable(file, fields, indexes);
    work.Open();
    work.Close();
    return true;
}

}  // namespace ter5::templates
