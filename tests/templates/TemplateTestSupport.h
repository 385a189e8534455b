#pragma once
// Shared pieces of the template tests: temporary directories, a recording host,
// tables built from rows, and template rows added through the store.

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "engine/IndexCatalog.h"
#include "engine/TableWriter.h"
#include "engine/Value.h"
#include "templates/Reindexer.h"
#include "templates/TemplateStore.h"

namespace ter5::templates::testing {

namespace fs = std::filesystem;

// A fresh directory, removed with its contents at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const fs::path& Path() const { return path_; }
    std::string Str() const { return path_.string(); }

private:
    fs::path path_;
};

// Records what the operations ask of the main window and the list window.
struct RecordingHost : ReindexHost, ListProgress {
    std::string target;
    std::vector<std::string> calls;  // "close", "refresh", "open <dir>"
    std::vector<std::string> messages;
    std::vector<std::pair<double, double>> progress;
    std::size_t maximum = 0;
    std::vector<std::size_t> positions;

    std::string TargetDirectory() const override { return target; }
    void CloseBaseDataSets() override { calls.push_back("close"); }
    void OpenBaseDirectory(const std::string& dir) override { calls.push_back("open " + dir); }
    void ShowProgress(double upper, double lower) override { progress.emplace_back(upper, lower); }
    void RefreshStatusBar() override { calls.push_back("refresh"); }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void SetMaximum(std::size_t m) override { maximum = m; }
    void SetPosition(std::size_t p) override { positions.push_back(p); }
};

// A field row and an index row of a table template.
struct FieldRow {
    std::string name, type;
    int width = 0;
};
struct IndexRow {
    std::string name, structure;
};

// Appends a table template with its rows to the current group and leaves it current.
void AddTableTemplate(TemplateStore& store, const std::string& name, const std::string& flag,
                      const std::vector<FieldRow>& fields = {}, const std::vector<IndexRow>& indexes = {});

// Creates a table holding `rows` (one value per field).
void MakeTable(const fs::path& path, const std::vector<engine::FieldDef>& fields,
               const std::vector<engine::IndexDef>& indexes, const std::vector<std::vector<engine::Value>>& rows = {});

// Copies the files of `from` into `to` (created) and makes the copies writable.
void CopyWritable(const fs::path& from, const fs::path& to);

// The raw records of a table, sorted: equal before and after a rewrite that only reorders.
std::vector<std::string> SortedRecords(const fs::path& table);

// File names in `dir` but the engine's lock file, upper-cased and sorted.
std::vector<std::string> UpperFileNames(const fs::path& dir);

// The indexes of a table as the engine finds them.
std::vector<engine::IndexInfo> IndexesOf(const fs::path& table);

// Runs ter5tool with `arguments`; returns its exit code, its output in `output`.
int RunTool(const std::string& arguments, std::string* output);

}  // namespace ter5::templates::testing
