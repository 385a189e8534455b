#pragma once
// Table-level operations that write index files: creating a table with its
// indexes, adding an index to a closed table, rebuilding a table's indexes
// (reindex) and rebuilding every index after the records changed. Each holds the
// table exclusively and writes all of its files at once (TableRewrite): when it
// fails, every file of the table is as it was.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "IndexCatalog.h"
#include "TableWriter.h"

namespace ter5::engine {

// How a write that rebuilds indexes treats existing index files whose order
// follows rules this program does not know (IndexOrderGuard): kept, with a note,
// unless `force`.
struct IndexKeeping {
    bool force = false;              // rebuild them anyway
    std::vector<std::string> notes;  // filled by the write: one line per file or table kept
};

// Creates `path` with `fields` and `indexes` (a primary index first makes the
// table keyed; its fields must be the leading fields). An existing table of that
// name is replaced together with its index and blob files, once the new table is
// complete. Throws EngineError for bad definitions, a busy or read-only table,
// or a table of the same stem under another extension.
void CreateTable(const std::filesystem::path& path, const std::vector<FieldDef>& fields,
                 const std::vector<IndexDef>& indexes, const TableFormat& format = {});

// Adds `index` to the closed table `path`, holding it exclusively meanwhile.
// Primary: the fields must be the table's leading fields; the records are sorted
// by key and the table becomes keyed (also when its .PX was deleted), and every
// secondary index is rebuilt with its fields. Secondary: writes .Xnn/.Ynn or
// .XGn/.YGn; an index of the same name is replaced. Returns the files written for
// `index`. An existing index of that name whose order this program cannot
// reproduce is kept (see IndexKeeping).
IndexFiles AddIndex(const std::filesystem::path& path, const IndexDef& index, int codePage = 0,
                    IndexKeeping* keeping = nullptr);

// Rebuilds the indexes of `path`: the index files `dropped` (existing or not) go,
// then `indexes` are added in order as AddIndex adds them, all in one write; the
// other index files are kept (rebuilt when the records are re-sorted). `built` is
// called with each index of `indexes` once it is built. Nothing changes unless
// every step succeeds. Existing indexes (and a keyed table's record order) that
// follow rules this program does not know are kept (see IndexKeeping).
void ReplaceIndexes(const std::filesystem::path& path, const std::vector<std::filesystem::path>& dropped,
                    const std::vector<IndexDef>& indexes, const std::function<void(std::size_t done)>& built = {},
                    int codePage = 0, IndexKeeping* keeping = nullptr);

// Rewrites the .PX of a keyed table and the files of every secondary index found
// next to it from the table's current records.
void RebuildIndexes(const std::filesystem::path& path, int codePage = 0);

// Adds `def` to the table `table` was read from (AddIndex on its path).
IndexFiles WriteIndex(const TableFile& table, const IndexDef& def);

}  // namespace ter5::engine
