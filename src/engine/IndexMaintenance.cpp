#include "IndexMaintenance.h"

#include <algorithm>
#include <cstring>

#include "EngineError.h"
#include "FileUtil.h"
#include "IndexBuilder.h"

namespace fs = std::filesystem;

namespace ter5::engine {
namespace {

// Companion files that belong to a table and go when it is replaced: the primary
// index, blobs, validity checks and every secondary index file.
bool IsTableCompanion(const std::string& extension) {
    std::string e;
    for (char c : extension) e += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (e == ".PX" || e == ".MB" || e == ".VAL") return true;
    if (e.size() >= 3 && (e[1] == 'X' || e[1] == 'Y')) {
        const std::string rest = e.substr(e[2] == 'G' ? 3 : 2);
        return !rest.empty() && std::all_of(rest.begin(), rest.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
    }
    return false;
}

void RemoveTableFiles(const fs::path& path) {
    std::error_code ec;
    if (auto existing = ResolveNoCase(path)) {
        if (!fs::remove(*existing, ec) && ec) Fail(existing->string(), "cannot delete: " + ec.message());
    }
    for (const auto& companion : ListCompanions(path.parent_path(), path.stem().string())) {
        if (!IsTableCompanion(companion.extension().string())) continue;
        if (!fs::remove(companion, ec) && ec) Fail(companion.string(), "cannot delete: " + ec.message());
    }
}

// Makes `table` keyed on its first `keyFields` fields: records sorted by key. A
// table that is already keyed that way and in key order is left as it is, so its
// block layout (and with it the .PX entries) stays what its writer made.
void MakeKeyed(const TableFile& table, std::size_t keyFields) {
    TableHeader header = table.Header();
    if (header.fileType == FileType::KeyedDb && header.numKeyFields == keyFields) {
        const std::size_t keyLen = KeyLength(header);
        bool ordered = true;
        for (std::size_t i = 1; i < table.RecordCount() && ordered; ++i)
            ordered = std::memcmp(table.Record(i - 1), table.Record(i), keyLen) < 0;
        if (ordered) return;
    }
    header.fileType = FileType::KeyedDb;
    header.numKeyFields = static_cast<std::uint16_t>(keyFields);
    const std::size_t keyLen = KeyLength(header);
    std::vector<std::string> records;
    records.reserve(table.RecordCount());
    for (const auto& block : table.Blocks()) {
        for (std::size_t i = 0; i < block.count; ++i)
            records.emplace_back(reinterpret_cast<const char*>(table.Record(block.firstRecord + i)), header.recordSize);
    }
    std::stable_sort(records.begin(), records.end(), [keyLen](const std::string& a, const std::string& b) {
        return std::memcmp(a.data(), b.data(), keyLen) < 0;
    });
    for (std::size_t i = 1; i < records.size(); ++i)
        if (std::memcmp(records[i - 1].data(), records[i].data(), keyLen) == 0)
            Fail(table.Name(), "Key violation: records " + std::to_string(i) + " and " + std::to_string(i + 1) +
                                   " in key order have the same key");
    WriteFileAtomic(table.Path(), BuildTableImage(header, records));
}

}  // namespace

void CreateTable(const fs::path& path, const std::vector<FieldDef>& fields, const std::vector<IndexDef>& indexes,
                 const TableFormat& format) {
    std::size_t keyFields = 0;
    for (std::size_t i = 0; i < indexes.size(); ++i) {
        if (!indexes[i].primary) continue;
        if (keyFields) Fail(path.string(), "a table has one primary index");
        keyFields = indexes[i].fields.size();
        if (keyFields == 0 || keyFields > fields.size()) Fail(path.string(), "primary index has no fields");
        for (std::size_t k = 0; k < keyFields; ++k)
            if (!EqualsNoCase(indexes[i].fields[k], fields[k].name))
                Fail(path.string(), "primary index fields must be the table's leading fields ('" + indexes[i].fields[k] +
                                        "' is not field " + std::to_string(k + 1) + ")");
    }
    TableHeader header = MakeTableHeader(path.filename().string(), fields, static_cast<int>(keyFields), format);
    std::vector<std::uint8_t> image = BuildTableImage(header, {});
    RemoveTableFiles(path);
    WriteFileAtomic(path, image);
    auto table = TableFile::Load(path, format.codePage);
    RewriteIndexes(*table);
    for (const auto& def : indexes)
        if (!def.primary) WriteIndex(*table, def);
}

void AddIndex(const fs::path& path, const IndexDef& index, int codePage) {
    const auto resolved = ResolveNoCase(path);
    if (!resolved) Fail(path.string(), "table does not exist");
    FileLock lock(*resolved, true);
    auto table = TableFile::Load(*resolved, codePage);
    if (!index.primary) {
        WriteIndex(*table, index);
        return;
    }
    const std::vector<int> positions = ResolveFields(*table, index.fields);
    for (std::size_t k = 0; k < positions.size(); ++k)
        if (positions[k] != static_cast<int>(k))
            Fail(table->Name(), "primary index fields must be the table's leading fields ('" + index.fields[k] +
                                    "' is not field " + std::to_string(k + 1) + ")");
    MakeKeyed(*table, positions.size());
    table = TableFile::Load(*resolved, codePage);
    RewriteIndexes(*table);
}

void RebuildIndexes(const fs::path& path, int codePage) {
    auto table = TableFile::Load(path, codePage);
    RewriteIndexes(*table);
}

}  // namespace ter5::engine
