#include "TemplateTestSupport.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <random>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include "engine/FileUtil.h"
#include "engine/IndexMaintenance.h"
#include "engine/TableEditor.h"
#include "engine/TableFile.h"
#include "engine/TableWriter.h"

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

void RecordingHost::CloseBaseDataSets() {
    calls.push_back("close");
    if (work) work->Close();
}

void AddTableTemplate(TemplateStore& store, const std::string& name, const std::string& flag,
                      const std::vector<FieldRow>& fields, const std::vector<IndexRow>& indexes) {
    engine::Table& tables = store.Bases();
    tables.Append();
    tables.SetAsString("Name", name);
    if (!flag.empty()) tables.SetAsString("Flag", flag);
    tables.Post();
    ASSERT_TRUE(store.LocateTable(name));
    for (const FieldRow& f : fields) {
        store.Fields().Append();
        store.Fields().SetAsString("NameField", f.name);
        store.Fields().SetAsString("Type", f.type);
        if (f.width) store.Fields().SetAsInteger("Width", f.width);
        store.Fields().Post();
    }
    for (const IndexRow& i : indexes) {
        store.Indexes().Append();
        if (!i.name.empty()) store.Indexes().SetAsString("NameIndex", i.name);
        store.Indexes().SetAsString("StructureIndex", i.structure);
        store.Indexes().Post();
    }
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

void MakeVertexTable(const fs::path& path, int parcels, int perParcel, bool keyed) {
    using engine::FieldType;
    using engine::Value;
    const std::vector<engine::FieldDef> fields = {
        {"Code", FieldType::AutoInc, 0, false}, {"Number", FieldType::Number, 0, false},
        {"X", FieldType::Number, 0, false},     {"Y", FieldType::Number, 0, false},
        {"Z", FieldType::Number, 0, false},     {"PutNumber", FieldType::Number, 0, false},
        {"Ter", FieldType::Number, 0, false}};
    std::vector<std::vector<Value>> rows;
    std::mt19937 rng(7);
    for (int p = 0; p < parcels; ++p)
        for (int v = 0; v < perParcel; ++v)
            rows.push_back({keyed ? Value::Null() : Value::Int(parcels * perParcel - p * perParcel - v), Value::Float(v + 1), Value::Float(6000000.0 + rng() % 100000),
                            Value::Float(4000000.0 + rng() % 100000), Value::Null(),
                            Value::Float((v * 7) % perParcel + 1), Value::Float((p * 37) % parcels + 1)});
    std::vector<engine::IndexDef> indexes;
    if (keyed)
        indexes = {{"", {"Code"}, true, false, false}, {"TerPutNumber", {"Ter", "PutNumber"}, false, true, false}};
    MakeTable(path, fields, indexes, rows);
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
        for (char& c : n) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        names.push_back(n);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<engine::IndexInfo> IndexesOf(const fs::path& table) {
    return engine::DiscoverIndexes(*engine::TableFile::Load(table));
}

int RunTool(const std::string& arguments, std::string* output) {
    const std::string command = std::string(TER5_TOOL_PATH) + " " + arguments + " 2>&1";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return -1;
    std::array<char, 4096> buffer{};
    std::string text;
    while (std::fgets(buffer.data(), buffer.size(), pipe)) text += buffer.data();
    const int status = ::pclose(pipe);
    if (output) *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace ter5::templates::testing
