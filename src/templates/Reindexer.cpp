#include "Reindexer.h"

#include <algorithm>

#include "TemplateDefinitions.h"
#include "base/PathNames.h"
#include "base/RussianMessages.h"
#include "engine/FileUtil.h"
#include "engine/IndexMaintenance.h"

namespace fs = std::filesystem;

namespace ter5::templates {
namespace {

// The lower progress strip stays empty while indexes are added.
constexpr double kNoLowerProgress = 0.0;

}  // namespace

bool Reindexer::ReindexEnabled(const std::string& targetDirectory) { return base::DirectoryExists(targetDirectory); }

std::string Reindexer::NotFoundMessage(const std::string& stem, const std::string& directory) {
    return "База " + stem + " не найдена в каталоге " + directory + " !";
}

std::vector<fs::path> Reindexer::IndexFiles(const fs::path& directory, const std::string& stem) {
    std::vector<fs::path> files;
    const std::vector<fs::path> companions = engine::ListCompanions(directory, stem);
    for (const char* extension : kReindexedIndexExtensions) {
        const std::string name = stem + extension;
        for (const fs::path& file : companions)
            if (engine::EqualsNoCase(engine::PathToUtf8(file.filename()), name)) files.push_back(file);
    }
    return files;
}

void Reindexer::DeleteIndexFiles(const fs::path& directory, const std::string& stem) {
    for (const fs::path& file : IndexFiles(directory, stem)) {
        std::error_code ignored;
        fs::remove(file, ignored);
    }
}

void Reindexer::ReindexTable(const std::string& templateName) {
    const std::string target = host_.TargetDirectory();
    const std::string stem = TableStem(templateName);
    const fs::path dir = base::PathFromUtf8(target);
    // A stem is a file name; one that would lead out of the directory names no table in it.
    const bool fileName = IsPlainFileName(stem);
    const auto table = fileName ? engine::FindFileNoCase(dir, stem + kTableFileExtension) : std::nullopt;
    if (!table) {
        host_.ShowMessage(NotFoundMessage(stem, target));
        return;
    }

    engine::Table& work = store_.Work();
    host_.CloseBaseDataSets();
    work.Close();
    work.SetDatabaseName("");
    try {
        work.SetTableName(base::PathToUtf8(*table));
        AddTemplateIndexes(*table, IndexFiles(dir, stem));
    } catch (...) {
        try {
            Restore(target);
        } catch (...) {
            // The first error is the one the user must see.
        }
        throw;
    }
    Restore(target);
    std::vector<std::string> notes = std::move(notes_);
    notes_.clear();
    if (!notes.empty()) {
        std::string text = "Переиндексация " + stem + ": оставлено без изменений то, чей порядок задан правилами, "
                           "которых программа не знает:";
        for (const std::string& note : notes) text += "\n" + note;
        host_.ShowNote(text);
    }
}

void Reindexer::AddTemplateIndexes(const fs::path& table, const std::vector<fs::path>& dropped) {
    engine::Table& rows = store_.Indexes();
    std::vector<engine::IndexDef> defs;
    for (rows.First(); !rows.IsEmpty() && !rows.Eof(); rows.Next())
        defs.push_back(IndexDefFromRow(rows.AsString("NameIndex"), rows.AsString("StructureIndex")));
    const std::size_t count = defs.size();
    // The upper strip shows the index row at work: the first before any is built,
    // the next one after each, the last once all are.
    const auto progress = [&](std::size_t done) {
        if (count > 0)
            host_.ShowProgress(static_cast<double>(std::min(done + 1, count)) / static_cast<double>(count), kNoLowerProgress);
    };
    progress(0);
    engine::IndexKeeping keeping;
    keeping.force = force_;
    engine::ReplaceIndexes(table, dropped, defs, progress, 0, &keeping);
    notes_ = std::move(keeping.notes);
}

void Reindexer::Restore(const std::string& target) {
    engine::Table& work = store_.Work();
    work.Close();
    work.SetExclusive(false);
    host_.RefreshStatusBar();
    host_.OpenBaseDirectory(target);
}

GroupReindexError::GroupReindexError(const std::exception& cause, std::exception_ptr causePointer,
                                     std::vector<std::string> done, std::vector<std::string> left)
    : engine::EngineError(cause.what()), cause_(std::move(causePointer)), done_(std::move(done)),
      left_(std::move(left)) {}

std::string GroupReindexError::Report() const {
    std::string text;
    try {
        std::rethrow_exception(cause_);
    } catch (const std::exception& error) {
        text = base::UserErrorText(error);
    }
    const auto list = [](const std::vector<std::string>& names) {
        std::string joined;
        for (const std::string& name : names) joined += (joined.empty() ? "" : ", ") + name;
        return joined.empty() ? std::string("нет") : joined;
    };
    return text + "\n\nПереиндексированы: " + list(done_) + ".\nНе переиндексированы: " + list(left_) + ".";
}

void Reindexer::ReindexGroup(ListProgress* progress) {
    engine::Table& tables = store_.Bases();
    if (progress) {
        progress->SetMaximum(tables.RecordCount());
        progress->SetPosition(0);
    }
    std::size_t counted = 0;
    std::vector<std::string> done;
    tables.First();
    while (!tables.IsEmpty() && !tables.Eof()) {
        if (tables.AsString("Flag") == kReindexMark) {
            const std::string name = tables.AsString("Name");
            try {
                ReindexTable(name);
            } catch (const std::exception& error) {
                if (progress) progress->SetPosition(0);
                throw GroupReindexError(error, std::current_exception(), std::move(done), MarkedFromCurrent());
            }
            done.push_back(name);
        }
        tables.Next();
        if (progress) progress->SetPosition(++counted);
    }
    if (progress) progress->SetPosition(0);
}

std::vector<std::string> Reindexer::MarkedFromCurrent() {
    engine::Table& tables = store_.Bases();
    std::vector<std::string> names;
    for (; !tables.IsEmpty() && !tables.Eof(); tables.Next())
        if (tables.AsString("Flag") == kReindexMark) names.push_back(tables.AsString("Name"));
    return names;
}

void Reindexer::ReindexCurrentTable() { ReindexTable(store_.Bases().AsString("Name")); }

}  // namespace ter5::templates
