// `ter5tool info PATH…`: what the header of each table says, its fields and its
// secondary indexes, as aligned text. A directory stands for every .DB in it.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Commands.h"
#include "engine/EngineError.h"
#include "engine/FieldType.h"
#include "engine/FileHolders.h"
#include "engine/FileUtil.h"
#include "engine/IndexCatalog.h"
#include "engine/TableFile.h"
#include "engine/TableHeader.h"
#include "engine/TableLock.h"

namespace ter5::tool {
namespace {

using namespace ter5::engine;
namespace fs = std::filesystem;

// Width of the label column of the header lines.
constexpr int kLabelWidth = 16;
// Indent of everything under a table's name.
constexpr const char* kIndent = "  ";
// What a file whose header holds a protection word is: readable all the same.
constexpr const char* kProtectedText =
    "password-protected (encrypted; read with the key its header holds, no password asked)";

std::string VersionText(std::uint8_t v) {
    if (v == version::k30) return "3.0";
    if (v == version::k35) return "3.5";
    if (v >= version::k4First && v <= version::k4) return "4.x";
    if (v > version::k4 && v < version::k7) return "5.x";
    if (v == version::k7) return "7.x";
    return "unknown (" + std::to_string(v) + ")";
}

std::string KindText(FileType type) {
    switch (type) {
        case FileType::KeyedDb: return "keyed table";
        case FileType::UnkeyedDb: return "unkeyed table";
        case FileType::PrimaryIndex: return "primary index (.PX)";
        case FileType::SecondaryIndex: return "secondary index (.Xnn, not maintained)";
        case FileType::SecondaryIndexMaint: return "secondary index (.Xnn, maintained)";
        case FileType::SecondaryTree: return "secondary index tree (.Ynn)";
        case FileType::CompositeIndex: return "secondary index (.XGn, not maintained)";
        case FileType::CompositeIndexMaint: return "secondary index (.XGn, maintained)";
        case FileType::CompositeTree: return "secondary index tree (.YGn)";
    }
    return "unknown";
}

std::string Hex2(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", v & 0xFFu);
    return buf;
}

// The template letter of a type; "F" for formatted memo, which has none.
std::string TypeLetter(FieldType type) {
    const auto letter = FieldTypeLetter(type);
    return letter ? std::string(1, *letter) : std::string("F");
}

// Types whose template carries a size: text and bytes width, blob leader, BCD decimals.
bool HasTemplateSize(FieldType type) {
    return type == FieldType::Alpha || type == FieldType::Bytes || type == FieldType::Bcd || IsBlobType(type);
}

void Line(const std::string& label, const std::string& value) {
    std::printf("%s%-*s %s\n", kIndent, kLabelWidth, label.c_str(), value.c_str());
}

// Prints rows as columns padded to their widest cell (counted in UTF-8 code points).
void PrintTable(const std::vector<std::vector<std::string>>& rows) {
    auto width = [](const std::string& s) {
        return static_cast<std::size_t>(std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
    };
    std::vector<std::size_t> widths;
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (widths.size() <= c) widths.push_back(0);
            widths[c] = std::max(widths[c], width(row[c]));
        }
    for (const auto& row : rows) {
        std::string out = std::string(kIndent) + kIndent;
        for (std::size_t c = 0; c < row.size(); ++c) {
            out += row[c];
            if (c + 1 < row.size()) out.append(widths[c] - width(row[c]) + 2, ' ');
        }
        while (!out.empty() && out.back() == ' ') out.pop_back();
        std::printf("%s\n", out.c_str());
    }
}

void PrintHeaderLines(const TableHeader& h, int textCodePage) {
    Line("kind", KindText(h.fileType));
    Line("version", VersionText(h.version));
    Line("block size", std::to_string(h.blockSizeKb) + " KB");
    std::string page = h.codePage ? std::to_string(h.codePage) : std::string("none recorded");
    if (textCodePage && textCodePage != h.codePage) page += " (text read as " + std::to_string(textCodePage) + ")";
    Line("code page", page);
    const std::string driver = h.sortOrderId.empty() ? std::string("(no id)") : h.sortOrderId;
    Line("language driver", driver + ", sort order " + Hex2(h.sortOrder));
}

void PrintFields(const TableFile& t) {
    const auto& h = t.Header();
    std::vector<std::vector<std::string>> rows{{"#", "name", "type", "size"}};
    const bool keyed = h.fileType == FileType::KeyedDb || h.IsSecondaryIndex();
    for (std::size_t i = 0; i < t.Fields().size(); ++i) {
        const auto& f = t.Fields()[i];
        std::string name = f.name;
        if (keyed && i < h.numKeyFields) name += " *";
        rows.push_back({std::to_string(i + 1), name, TypeLetter(f.type), HasTemplateSize(f.type) ? std::to_string(f.size) : ""});
    }
    std::printf("%sfields (* = key)\n", kIndent);
    PrintTable(rows);
}

std::string Join(const std::vector<std::string>& items, const char* separator) {
    std::string out;
    for (const auto& item : items) out += (out.empty() ? "" : separator) + item;
    return out;
}

std::string IndexOptions(const IndexInfo& index) {
    std::vector<std::string> options;
    if (index.def.primary)
        options.push_back("primary key");
    else
        options.push_back(index.def.caseInsensitive ? "case-insensitive" : "case-sensitive");
    if (index.def.descending) options.push_back("descending");
    if (index.def.unique) options.push_back("unique");
    if (!index.maintained) options.push_back("not maintained");
    return Join(options, ", ");
}

// Prints the primary key and secondary indexes of a table. Returns false when an
// index file cannot be read.
bool PrintIndexes(const TableFile& t) {
    std::vector<IndexInfo> indexes;
    try {
        indexes = DiscoverIndexes(t);
    } catch (const EngineError& e) {
        std::printf("%sindexes: cannot be read\n", kIndent);
        std::fprintf(stderr, "ter5tool info: %s\n", e.what());
        return false;
    }
    if (indexes.empty()) {
        std::printf("%sindexes: none\n", kIndent);
        return true;
    }
    std::vector<std::vector<std::string>> rows{{"name", "fields", "options", "files"}};
    for (const auto& index : indexes) {
        std::vector<std::string> files;
        for (const auto& f : index.files) files.push_back(engine::PathToUtf8(f.filename()));
        rows.push_back({index.def.primary ? std::string("(primary)") : index.def.name, Join(index.def.fields, "; "),
                        IndexOptions(index), files.empty() ? std::string("(no file)") : Join(files, ", ")});
    }
    std::printf("%sindexes\n", kIndent);
    PrintTable(rows);
    return true;
}

// Prints one table. Returns false when it could not be read at all.
bool PrintTableInfo(const fs::path& path) {
    std::printf("%s\n", engine::PathToUtf8(path).c_str());
    std::shared_ptr<TableFile> table;
    std::unique_ptr<TableLock> lock;
    try {
        lock = std::make_unique<TableLock>(path, TableLock::Mode::Shared);
        table = TableFile::Load(path);
    } catch (const EngineError& e) {
        std::fprintf(stderr, "ter5tool info: %s\n", e.what());
        std::printf("\n");
        return false;
    }
    const auto& h = table->Header();
    PrintHeaderLines(h, table->Codec().CodePage());
    if (!h.tableName.empty()) Line("table name", table->Codec().Decode(h.tableName));
    if (h.IsSecondaryIndex() && !h.indexName.empty()) Line("index name", table->Codec().Decode(h.indexName));
    if (h.IsEncrypted()) Line("protection", kProtectedText);
    Line("records", std::to_string(table->RecordCount()));
    if (h.fileType == FileType::KeyedDb) Line("key fields", std::to_string(h.numKeyFields));
    if (h.IsTable() && std::any_of(table->Fields().begin(), table->Fields().end(),
                                   [](const FieldDesc& f) { return f.type == FieldType::AutoInc; }))
        Line("next auto-inc", std::to_string(h.autoIncrement));
    for (const auto& note : table->Notes()) Line("note", note);
    for (const FileHolder& holder : HeldEngineLockFiles(table->Path().parent_path()))
        Line("held", engine::PathToUtf8(holder.file.filename()) + " by " +
                         (holder.program.empty() ? std::string("another program") : holder.program) +
                         (holder.pid ? " (process " + std::to_string(holder.pid) + ")" : std::string()) +
                         ": the original table engine works here");
    PrintFields(*table);
    const bool indexesRead = !h.IsTable() || PrintIndexes(*table);
    std::printf("\n");
    return indexesRead;
}

// The .DB files of a directory, sorted by name.
std::vector<fs::path> TablesIn(const fs::path& dir) {
    std::vector<fs::path> tables;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (!entry.is_regular_file()) continue;
        if (EqualsNoCase(engine::PathToUtf8(entry.path().extension()), ".db")) tables.push_back(entry.path());
    }
    std::sort(tables.begin(), tables.end());
    return tables;
}

int RunInfo(const std::vector<std::string>& args) {
    RejectOptions(args);
    if (args.empty()) Fail("", "no table or directory given (usage: info PATH...)");
    bool allRead = true;
    for (const auto& arg : args) {
        const fs::path path = engine::PathFromUtf8(arg);
        std::error_code ec;
        if (fs::is_directory(path, ec)) {
            const auto tables = TablesIn(path);
            if (tables.empty()) std::fprintf(stderr, "ter5tool info: %s: no .DB tables in this directory\n", arg.c_str());
            for (const auto& t : tables) allRead = PrintTableInfo(t) && allRead;
        } else {
            allRead = PrintTableInfo(path) && allRead;
        }
    }
    std::fflush(stdout);
    return allRead ? 0 : 2;
}

const CommandRegistration kInfo("info", "PATH...  header, fields and indexes of tables (a directory: every .DB in it)",
                                RunInfo,
                                "PATH is a table (.DB), an index file (.PX, .Xnn, .Ynn) or a directory.\n"
                                "Exit 0: every table read; 2: a table could not be read (the others are shown).\n");

}  // namespace
}  // namespace ter5::tool
