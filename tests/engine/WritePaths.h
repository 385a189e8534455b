#pragma once
// Every engine operation a command can run on one table, for the header sweep and
// the write-path fuzz target: reading and verifying it, opening it as a data set,
// appending a record, adding indexes, reindexing and rebuilding. Each either works
// or throws EngineError; anything else escapes to the caller (a test failure, or a
// crash the fuzzer reports).

#include <filesystem>
#include <functional>
#include <vector>

#include "engine/EngineError.h"
#include "engine/IndexMaintenance.h"
#include "engine/IndexVerify.h"
#include "engine/Table.h"
#include "engine/TableEditor.h"
#include "engine/TableFile.h"

namespace ter5::engine::testing {

// Runs `step`, swallowing the engine's own errors. Returns true when it worked.
inline bool Try(const std::function<void()>& step) {
    try {
        step();
        return true;
    } catch (const EngineError&) {
        return false;
    }
}

// Runs every operation on the table `path`; returns how many worked.
inline int RunEveryWritePath(const std::filesystem::path& path) {
    int worked = 0;
    std::vector<std::string> fieldNames;
    worked += Try([&] {
        const auto table = TableFile::Load(path);
        for (std::size_t i = 0; i < table->RecordCount(); ++i)
            for (std::size_t f = 0; f < table->Fields().size(); ++f) Try([&] { table->Get(i, f); });
        for (const auto& f : table->Fields())
            if (!IsBlobType(f.type)) fieldNames.push_back(f.name);
    });
    worked += Try([&] { VerifyTable(path); });
    worked += Try([&] {
        Table t;
        t.SetTableName(path.string());
        t.Open();
        for (t.First(); !t.Eof(); t.Next())
            for (std::size_t f = 0; f < t.Fields().size(); ++f) Try([&] { t.AsString(static_cast<int>(f)); });
    });
    worked += Try([&] {
        TableEditor editor(path);
        editor.Append(editor.BlankRecord());
        editor.Save();
    });
    if (fieldNames.empty()) return worked;
    const std::string first = fieldNames.front();
    const std::string last = fieldNames.back();
    worked += Try([&] { AddIndex(path, IndexDef{"Sweep", {last, first}, false, true}); });
    worked += Try([&] { AddIndex(path, IndexDef{"", {first}, true}); });
    worked += Try([&] {
        const auto dir = path.parent_path();
        const std::string stem = path.stem().string();
        ReplaceIndexes(path, {dir / (stem + ".PX"), dir / (stem + ".XG0"), dir / (stem + ".YG0")},
                       {IndexDef{"", {first}, true}, IndexDef{"Again", {last}, false, true}});
    });
    worked += Try([&] { RebuildIndexes(path); });
    return worked;
}

}  // namespace ter5::engine::testing
