#include "BaseRepair.h"

#include <algorithm>

#include "TemplateDefinitions.h"
#include "engine/EngineError.h"
#include "engine/FileTransaction.h"
#include "engine/FileUtil.h"
#include "engine/IndexVerify.h"

namespace fs = std::filesystem;

namespace ter5::templates {
namespace {

constexpr char kTableExtension[] = ".DB";
// The state of a table verify finds nothing wrong with.
constexpr char kConsistent[] = "в порядке";

}  // namespace

std::vector<fs::path> BaseTables(const fs::path& directory) {
    std::vector<fs::path> tables;
    std::error_code ec;
    for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = engine::PathToUtf8(it->path().filename());
        if (it->is_regular_file(ec) && engine::EqualsNoCase(engine::PathToUtf8(it->path().extension()), kTableExtension) &&
            !engine::IsEngineWorkFile(name))
            tables.push_back(it->path());
    }
    std::sort(tables.begin(), tables.end());
    return tables;
}

TableState CheckTableState(const fs::path& table) {
    TableState state;
    state.table = table;
    try {
        for (const engine::VerifyProblem& p : engine::VerifyTable(table)) {
            if (p.isNote) continue;
            state.damaged = true;
            state.summary = p.text;
            return state;
        }
        state.summary = kConsistent;
    } catch (const engine::TableBusyError& e) {
        state.summary = e.what();  // in use elsewhere: not known to be damaged
    } catch (const std::exception& e) {
        state.damaged = true;
        state.summary = e.what();
    }
    return state;
}

std::optional<engine::StructureSource> TemplateStructure(TemplateStore& store, const std::string& group, const fs::path& table) {
    if (!store.LocateGroup(group)) return std::nullopt;
    const std::string stem = engine::PathToUtf8(table.stem());
    engine::Table& tables = store.Bases();
    for (tables.First(); !tables.IsEmpty() && !tables.Eof(); tables.Next()) {
        if (!SameTextNoCase(TableStem(tables.AsString("Name")), stem)) continue;
        engine::StructureSource source;
        source.description = "the template group '" + group + "' (" + tables.AsString("Name") + ")";
        engine::Table& fields = store.Fields();
        for (fields.First(); !fields.IsEmpty() && !fields.Eof(); fields.Next())
            if (auto def = FieldDefFromRow(fields.AsString("NameField"), fields.AsString("Type"),
                                           static_cast<int>(fields.AsInteger("Width"))))
                source.fields.push_back(std::move(*def));
        engine::Table& indexes = store.Indexes();
        for (indexes.First(); !indexes.IsEmpty() && !indexes.Eof(); indexes.Next())
            source.indexes.push_back(IndexDefFromRow(indexes.AsString("NameIndex"), indexes.AsString("StructureIndex")));
        if (source.fields.empty()) return std::nullopt;
        return source;
    }
    return std::nullopt;
}

std::vector<std::string> TemplateGroupNames(TemplateStore& store) {
    std::vector<std::string> names;
    engine::Table& groups = store.NameBase();
    for (groups.First(); !groups.IsEmpty() && !groups.Eof(); groups.Next()) names.push_back(groups.AsString("Name"));
    return names;
}

int BaseRepairResult::ExitCode() const {
    int code = 0;
    for (const engine::TableRepairReport& r : reports) code = std::max(code, r.ExitCode());
    return code;
}

BaseRepairResult RepairBaseTables(const BaseRepairRequest& request, const std::function<void(double, double)>& progress) {
    BaseRepairResult result;
    const fs::path root = request.backupRoot.empty() ? engine::NewBackupFolder(request.directory) : request.backupRoot;
    const std::size_t count = request.tables.size();
    for (std::size_t i = 0; i < count; ++i) {
        const fs::path& table = request.tables[i];
        const std::optional<engine::StructureSource> structure =
            request.structureFor ? request.structureFor(table) : std::nullopt;
        engine::RepairOptions options;
        options.dryRun = request.dryRun;
        options.backupFolder = root / table.stem();
        options.structure = structure ? &*structure : nullptr;
        const double upper = static_cast<double>(i + 1) / static_cast<double>(count);
        if (progress) options.progress = [&](double lower) { progress(upper, lower); };
        result.reports.push_back(engine::RepairTable(table, options));
        result.text += engine::FormatRepairReport(result.reports.back(), request.language);
    }
    std::error_code ec;
    if (!request.dryRun && fs::exists(root, ec)) {
        result.backupRoot = root;
        const std::string& text = result.text;
        engine::WriteFileAtomic(root / engine::kRepairReportFile, std::vector<std::uint8_t>(text.begin(), text.end()));
    }
    return result;
}

BaseRepairResult RepairBaseTables(const BaseRepairRequest& request, ReindexHost& host) {
    host.CloseBaseDataSets();
    BaseRepairResult result;
    try {
        result = RepairBaseTables(request, [&host](double upper, double lower) { host.ShowProgress(upper, lower); });
    } catch (...) {
        host.RefreshStatusBar();
        try {
            host.OpenBaseDirectory(engine::PathToUtf8(request.directory));
        } catch (...) {
            // The first error is the one the user must see.
        }
        throw;
    }
    host.RefreshStatusBar();
    try {
        host.OpenBaseDirectory(engine::PathToUtf8(request.directory));
    } catch (const std::exception& e) {
        // A table left damaged keeps the base closed; the report says what was done.
        result.text += std::string("\n") + e.what() + "\n";
    }
    return result;
}

}  // namespace ter5::templates
