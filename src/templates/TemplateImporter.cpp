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
    for (const std::string& name : ListTableFiles(directory)) ImportTable(directory, UpperCaseText(name));
}

void TemplateImporter::ImportFiles(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        const fs::path p = base::PathFromUtf8(path);
        ImportTable(base::PathToUtf8(p.parent_path()), UpperCaseText(base::PathToUtf8(p.filename())));
    }
}

void TemplateImporter::ImportTable(const std::string& directory, const std::string& fileName) {
    if (!store_.NameBase().Active() || store_.NameBase().IsEmpty())
        engine::Fail(store_.NameBase().DisplayName(), "no template group to import into");
    engine::Table& tables = store_.Bases();
    if (!store_.LocateTable(fileName)) {
        tables.Append();
        tables.SetAsString("Name", fileName);
        tables.Post();
    }
    if (!store_.LocateTable(fileName)) engine::Fail(tables.DisplayName(), "the new table template cannot be found");

    engine::Table& work = store_.Work();
    WorkTableGuard guard(work);
    work.Close();
    work.SetExclusive(false);
    work.SetDatabaseName(directory);
    work.SetTableName(fileName);
    work.Open();
    ImportIndexes();
    ImportFields();
}

void TemplateImporter::ImportIndexes() {
    engine::Table& rows = store_.Indexes();
    for (const engine::IndexInfo& index : store_.Work().Indexes()) {
        const std::string name = index.def.primary ? std::string() : index.def.name;
        if (HasRowNamed(rows, "NameIndex", name)) continue;
        rows.Append();
        if (!name.empty()) rows.SetAsString("NameIndex", name);
        rows.SetAsString("StructureIndex", JoinFieldList(index.def.fields));
        rows.Post();
    }
}

void TemplateImporter::ImportFields() {
    engine::Table& rows = store_.Fields();
    for (const engine::FieldDesc& field : store_.Work().Fields()) {
        if (HasRowNamed(rows, "NameField", field.name)) continue;
        const std::string letter = TypeLetterOf(field.type);
        const int width = TemplateWidthOf(field);
        // A row that base creation would refuse is refused now, naming the field.
        if (const auto def = FieldDefFromRow(field.name, letter, width))
            engine::CheckFieldDef(store_.Work().DisplayName(), *def);
        rows.Append();
        rows.SetAsString("NameField", field.name);
        if (!letter.empty()) rows.SetAsString("Type", letter);
        if (width > 0) rows.SetAsInteger("Width", width);
        rows.Post();
    }
}

}  // namespace ter5::templates
