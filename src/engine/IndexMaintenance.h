#pragma once
// Table-level operations that write index files: creating a table with its
// indexes, adding an index to a closed table, and rebuilding every index of a
// table after its records changed.

#include <filesystem>
#include <vector>

#include "IndexCatalog.h"
#include "TableWriter.h"

namespace ter5::engine {

// Creates `path` with `fields` and `indexes` (a primary index first makes the
// table keyed; its fields must be the leading fields). An existing table of that
// name is replaced together with its index and blob files.
void CreateTable(const std::filesystem::path& path, const std::vector<FieldDef>& fields,
                 const std::vector<IndexDef>& indexes, const TableFormat& format = {});

// Adds `index` to the closed table `path`, holding it exclusively meanwhile.
// Primary: the fields must be the table's leading fields; the records are sorted
// by key and the table becomes keyed (also when its .PX was deleted). Secondary:
// writes .Xnn/.Ynn or .XGn/.YGn; an index of the same name is replaced.
void AddIndex(const std::filesystem::path& path, const IndexDef& index, int codePage = 0);

// Rewrites the .PX of a keyed table and the files of every secondary index found
// next to it from the table's current records.
void RebuildIndexes(const std::filesystem::path& path, int codePage = 0);

}  // namespace ter5::engine
