#include "IndexMaintenance.h"

#include "EngineError.h"
#include "FileUtil.h"
#include "TableRewrite.h"

namespace fs = std::filesystem;

namespace ter5::engine {

void CreateTable(const fs::path& path, const std::vector<FieldDef>& fields, const std::vector<IndexDef>& indexes,
                 const TableFormat& format) {
    std::size_t keyFields = 0;
    bool primarySeen = false;
    for (const IndexDef& def : indexes) {
        if (!def.primary) continue;
        if (primarySeen) Fail(PathToUtf8(path), "a table has one primary index");
        primarySeen = true;
        keyFields = def.fields.size();
        if (keyFields == 0 || keyFields > fields.size()) Fail(PathToUtf8(path), "primary index has no fields");
        for (std::size_t k = 0; k < keyFields; ++k)
            if (!EqualsNoCase(def.fields[k], fields[k].name))
                Fail(PathToUtf8(path), "primary index fields must be the table's leading fields ('" + def.fields[k] +
                                        "' is not field " + std::to_string(k + 1) + ")");
    }
    TableHeader header = MakeTableHeader(PathToUtf8(path.filename()), fields, static_cast<int>(keyFields), format);
    TableRewrite rewrite(path, std::move(header), format.codePage);
    for (const IndexDef& def : indexes) rewrite.AddIndex(def);
    rewrite.Commit();
}

namespace {

void Report(const TableRewrite& rewrite, IndexKeeping* keeping) {
    if (keeping) keeping->notes.insert(keeping->notes.end(), rewrite.Notes().begin(), rewrite.Notes().end());
}

}  // namespace

IndexFiles AddIndex(const fs::path& path, const IndexDef& index, int codePage, IndexKeeping* keeping) {
    TableRewrite rewrite(path, codePage);
    rewrite.SetForce(keeping && keeping->force);
    IndexFiles files = rewrite.AddIndex(index);
    rewrite.Commit();
    Report(rewrite, keeping);
    return files;
}

void ReplaceIndexes(const fs::path& path, const std::vector<fs::path>& dropped, const std::vector<IndexDef>& indexes,
                    const std::function<void(std::size_t)>& built, int codePage, IndexKeeping* keeping) {
    TableRewrite rewrite(path, codePage);
    rewrite.SetForce(keeping && keeping->force);
    rewrite.DropIndexFiles(dropped);
    for (const IndexDef& def : indexes) rewrite.AddIndex(def);
    std::size_t done = 0;
    rewrite.Commit([&](const IndexDef& def) {
        for (const IndexDef& wanted : indexes)
            if (wanted.primary == def.primary && (def.primary || SameIndexName(rewrite.Original(), wanted, def))) {
                if (built) built(++done);
                return;
            }
    });
    Report(rewrite, keeping);
}

void RebuildIndexes(const fs::path& path, int codePage) {
    TableRewrite rewrite(path, codePage);
    rewrite.SetRecords([&] {
        std::vector<std::string> records;
        const TableFile& t = rewrite.Original();
        for (std::size_t i = 0; i < t.RecordCount(); ++i)
            records.emplace_back(reinterpret_cast<const char*>(t.Record(i)), t.Header().recordSize);
        return records;
    }());
    rewrite.Commit();
}

IndexFiles WriteIndex(const TableFile& table, const IndexDef& def) { return AddIndex(table.Path(), def, table.Codec().CodePage()); }

}  // namespace ter5::engine
