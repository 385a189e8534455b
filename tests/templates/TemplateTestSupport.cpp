#include "TemplateTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <random>

#include "../support/ProcessRun.h"
#include "engine/IndexMaintenance.h"
#include "engine/TableEditor.h"
#include "engine/TableFile.h"
#include "engine/TableLock.h"

namespace ter5::templates::testing {

TempDir::TempDir() {
    static std::mt19937_64 rng{std::random_device{}()};
    path_ = fs::temp_directory_path() / ("ter5-templates-" + std::to_string(rng()));
    fs::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void AddTableTemplate(TemplateStore& store, const std::string& name, const std::string& flag,
                      const std::vector<FieldRow>& fields, const std::vector<IndexRow>& indexes) {
    const auto post = [](engine::Table& t, std::vector<std::pair<const char*, engine::Value>> values) {
        t.Append();
        for (const auto& [field, value] : values)
            if (!value.IsNull() && !(value.kind == engine::Value::Kind::Text && value.text.empty())) t.SetValue(field, value);
        t.Post();
    };
    using engine::Value;
    post(store.Bases(), {{"Name", Value::Text(name)}, {"Flag", Value::Text(flag)}});
    ASSERT_TRUE(store.LocateTable(name));
    for (const FieldRow& f : fields)
        post(store.Fields(), {{"NameField", Value::Text(f.name)}, {"Type", Value::Text(f.type)},
                              {"Width", f.width ? Value::Int(f.width) : Value::Null()}});
    for (const IndexRow& i : indexes)
        post(store.Indexes(), {{"NameIndex", Value::Text(i.name)}, {"StructureIndex", Value::Text(i.structure)}});
}

void MakeTable(const fs::path& path, const std::vector<engine::FieldDef>& fields,
               const std::vector<engine::IndexDef>& indexes, const std::vector<std::vector<engine::Value>>& rows) {
    engine::CreateTable(path, fields, indexes);
    if (rows.empty()) return;
    engine::TableEditor editor(path);
    for (const auto& row : rows) {
        std::string record = editor.BlankRecord();
        for (std::size_t f = 0; f < row.size(); ++f) editor.SetField(record, f, row[f]);
        editor.Append(record);
    }
    editor.Save();
}

void CopyWritable(const fs::path& from, const fs::path& to) {
    fs::create_directories(to);
    for (const auto& entry : fs::directory_iterator(from)) {
        if (!entry.is_regular_file()) continue;
        const fs::path target = to / entry.path().filename();
        fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing);
        fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
    }
}

std::vector<std::string> SortedRecords(const fs::path& table) {
    const auto file = engine::TableFile::Load(table);
    std::vector<std::string> records;
    for (std::size_t i = 0; i < file->RecordCount(); ++i)
        records.emplace_back(reinterpret_cast<const char*>(file->Record(i)), file->Header().recordSize);
    std::sort(records.begin(), records.end());
    return records;
}

std::vector<std::string> UpperFileNames(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        std::string n = entry.path().filename().string();
        if (n == engine::kLockFileName) continue;  // the engine's lock file, there once a table was locked
        std::transform(n.begin(), n.end(), n.begin(), [](unsigned char c) { return std::toupper(c); });
        names.push_back(n);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<engine::IndexInfo> IndexesOf(const fs::path& table) {
    return engine::DiscoverIndexes(*engine::TableFile::Load(table));
}

int RunTool(const std::string& arguments, std::string* output) {
    return ter5::testing::RunProgram(TER5_TOOL_PATH, arguments, output);
}

}  // namespace ter5::templates::testing
