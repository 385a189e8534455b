#include "TemplateImporter.h"

#include <algorithm>
#include <filesystem>

#include "TemplateDefinitions.h"
#include "base/PathNames.h"
#include "engine/EngineError.h"
#include "engine/FileUtil.h"
#include "engine/TableWriter.h"

namespace fs = std::filesystem;

namespace ter5::templates {
namespace {

// Extension of the files a directory import takes.
constexpr char kTableExtension[] = ".db";

// True when a row of `rows` has `field` equal to `name` ignoring case; a blank
// name matches a blank field.
bool HasRowNamed(engine::Table& rows, const char* field, const std::string& name) {
    const bool blank = IsBlankIndexName(name);
    for (rows.First(); !rows.IsEmpty() && !rows.Eof(); rows.Next()) {
        const std::string value = rows.AsString(field);
        if (blank ? IsBlankIndexName(value) : SameTextNoCase(value, name)) return true;
    }
    return false;
}

// Closes the work table on every way out of a per-table import.
class WorkTableGuard {
public:
    explicit WorkTableGuard(engine::Table& work) : work_(work) {}
    ~WorkTableGuard() {
        try {
            work_.Close();
        } catch (...) {
            // Closing a read table writes nothing; there is nothing to report.
        }
    }
    WorkTableGuard(const WorkTableGuard&) = delete;
    WorkTableGuard& operator=(const WorkTableGuard&) = delete;

private:
    engine::Table& work_;
};

}  // namespace

std::string TemplateImporter::BaseDirectoryOf(const std::string& chosenFile) {
    return base::PathToUtf8(base::PathFromUtf8(chosenFile).parent_path());
}

std::vector<std::string> TemplateImporter::ListTableFiles(const std::string& directory) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(base::PathFromUtf8(directory), ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        const fs::path& p = it->path();
        if (engine::EqualsNoCase(engine::PathToUtf8(p.extension()), kTableExtension)) names.push_back(base::PathToUtf8(p.filename()));
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string ua = UpperCaseText(a), ub = UpperCaseText(b);
        return ua != ub ? ua < ub : a < b;
    });
    return names;
}

void TemplateImporter::ImportBaseDirectory(const std::string& directory) {
    std::vector<std::pair<std::string, std::string>> tables;
    for (const std::string& name : ListTableFiles(directory)) tables.emplace_back(directory, UpperCaseText(name));
    Import(tables);
}

void TemplateImporter::ImportFiles(const std::vector<std::string>& paths) {
    std::vector<std::pair<std::string, std::string>> tables;
    for (const std::string& path : paths) {
        const fs::path p = base::PathFromUtf8(path);
        tables.emplace_back(base::PathToUtf8(p.parent_path()), UpperCaseText(base::PathToUtf8(p.filename())));
    }
    Import(tables);
}

void TemplateImporter::ImportTable(const std::string& directory, const std::string& fileName) { Import({{directory, fileName}}); }

void TemplateImporter::Import(const std::vector<std::pair<std::string, std::string>>& tables) {
    if (!store_.NameBase().Active() || store_.NameBase().IsEmpty())
        engine::Fail(store_.NameBase().DisplayName(), "no template group to import into");
    // Every table is read and checked before the first row is written: a table the
    // templates cannot describe whole stops the import with nothing written.
    std::vector<TableStructure> structures;
    for (const auto& [directory, fileName] : tables) structures.push_back(ReadStructure(directory, fileName));
    for (const TableStructure& structure : structures) WriteStructure(structure);
}

TemplateImporter::TableStructure TemplateImporter::ReadStructure(const std::string& directory, const std::string& fileName) {
    engine::Table& work = store_.Work();
    WorkTableGuard guard(work);
    work.Close();
    work.SetExclusive(false);
    work.SetDatabaseName(directory);
    work.SetTableName(fileName);
    work.Open();
    TableStructure structure{fileName, work.Indexes(), work.Fields()};
    // A field that base creation would refuse is refused now, naming the field.
    for (const engine::FieldDesc& field : structure.fields)
        if (const auto def = FieldDefFromRow(field.name, TypeLetterOf(field.type), TemplateWidthOf(field)))
            engine::CheckFieldDef(work.DisplayName(), *def);
    return structure;
}

void TemplateImporter::WriteStructure(const TableStructure& structure) {
    engine::Table& tables = store_.Bases();
    if (!store_.LocateTable(structure.fileName)) {
        tables.Append();
        tables.SetAsString("Name", structure.fileName);
        tables.Post();
    }
    if (!store_.LocateTable(structure.fileName)) engine::Fail(tables.DisplayName(), "the new table template cannot be found");
    ImportIndexes(structure.indexes);
    ImportFields(structure.fields);
}

void TemplateImporter::ImportIndexes(const std::vector<engine::IndexInfo>& indexes) {
    engine::Table& rows = store_.Indexes();
    for (const engine::IndexInfo& index : indexes) {
        const std::string name = index.def.primary ? std::string() : index.def.name;
        if (HasRowNamed(rows, "NameIndex", name)) continue;
        rows.Append();
        if (!name.empty()) rows.SetAsString("NameIndex", name);
        rows.SetAsString("StructureIndex", JoinFieldList(index.def.fields));
        rows.Post();
    }
}

void TemplateImporter::ImportFields(const std::vector<engine::FieldDesc>& fields) {
    engine::Table& rows = store_.Fields();
    for (const engine::FieldDesc& field : fields) {
        if (HasRowNamed(rows, "NameField", field.name)) continue;
        const std::string letter = TypeLetterOf(field.type);
        const int width = TemplateWidthOf(field);
        rows.Append();
        rows.SetAsString("NameField", field.name);
        if (!letter.empty()) rows.SetAsString("Type", letter);
        if (width > 0) rows.SetAsInteger("Width", width);
        rows.Post();
    }
}

}  // namespace ter5::templates
