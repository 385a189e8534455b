#pragma once
// The indexes of a table: the primary key (.PX) and the secondary indexes found by
// their file names next to the table (.Xnn/.Ynn and .XGn/.YGn, any letter case).
// Also the rules that name the files of a new or replaced index.
//
// File names: a single-field, case-sensitive, ascending index named after its field
// (or unnamed) is .Xnn/.Ynn with nn the field number in two hex digits; every
// other index is .XGn/.YGn, n = 0-9 then A-Z, and its name is kept in the .XGn header.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TableFile.h"

namespace ter5::engine {

// What an index is over. Field names are UTF-8 as TableFile::Fields() has them.
struct IndexDef {
    std::string name;                 // empty for the primary key
    std::vector<std::string> fields;  // index fields in order (primary: the key fields)
    bool primary = false;
    bool caseInsensitive = false;
    bool descending = false;
    bool unique = false;              // no two records share the index fields' key
};

// An index as found on disk.
struct IndexInfo {
    IndexDef def;
    bool maintained = true;                   // .X kinds 5/8; kinds 3/6 are not kept up to date
    std::vector<std::filesystem::path> files; // .PX, or .X then .Y when present
    int fileNumber = -1;                      // nn of .Xnn or n of .XGn; -1 for the primary key
    bool composite = false;                   // kept as .XGn/.YGn
};

// The index files of one secondary index next to a table, before reading them.
struct IndexFileSet {
    std::filesystem::path x;
    std::filesystem::path y;  // empty when the tree file is missing
    bool composite = false;   // .XGn rather than .Xnn
    int fileNumber = -1;
};

// The files to write for an index, and the files of a replaced index to delete.
struct IndexFiles {
    std::filesystem::path x;                   // .PX for the primary key
    std::filesystem::path y;                   // empty for the primary key
    bool composite = false;                    // written as .XGn
    int fileNumber = -1;
    std::vector<std::filesystem::path> obsolete;  // old files not overwritten by x and y
};

// Every index of `table`: the primary key first when the table is keyed (with its
// .PX when present), then one entry per .Xnn/.XGn file in file-name order.
// Throws EngineError naming the file when an index file cannot be read or does
// not fit the table.
std::vector<IndexInfo> DiscoverIndexes(const TableFile& table);

// The secondary index files next to `table` (matched ignoring case), unread.
std::vector<IndexFileSet> ListIndexFiles(const TableFile& table);

// Reads the header of one secondary index and describes it. Throws EngineError
// naming the file when it is not an index of this table.
IndexInfo DescribeIndex(const TableFile& table, const IndexFileSet& set);

// The primary key of a keyed table (fields = its leading key fields, files = its
// .PX when present). Throws EngineError for an unkeyed table.
IndexInfo DescribePrimaryIndex(const TableFile& table);

// Parses "F1; F2" into the table's field names (blanks trimmed, names matched
// ignoring case, Cyrillic included). Throws EngineError naming the table for an
// empty list, an unknown field or a field named twice.
std::vector<std::string> ParseFieldList(const TableFile& table, std::string_view list);

// Positions in table.Fields() of `names`, matched like ParseFieldList. Throws
// EngineError naming the table for an unknown or repeated field.
std::vector<int> ResolveFields(const TableFile& table, const std::vector<std::string>& names);

// True when `def` is kept as .Xnn: one field, case-sensitive, ascending, and named
// after its field or unnamed.
bool IsFieldNamedIndex(const IndexDef& def);

// The secondary indexes a table has, or will have once a write commits, and the
// file names in use beside it: what the files of another index are chosen against.
struct IndexPlan {
    std::vector<IndexInfo> secondary;                        // each with its files
    std::function<bool(const std::string& fileName)> taken;  // a file of that name (ignoring case) is in use
    std::function<std::optional<std::filesystem::path>(const std::string& fileName)> existing;  // its spelling on disk
};

// The plan of the table as it is on disk: its readable secondary indexes and the
// files beside it.
IndexPlan PlanFromDisk(const TableFile& table);

// The files to write for `def` on `table`. An existing index of the same name
// (ignoring case) is replaced: its files are reused when the kind matches, else
// listed in `obsolete`. New .XGn files take the lowest free n. Throws EngineError
// for unknown fields, a name that is another field's name, or no free number.
IndexFiles ChooseIndexFiles(const TableFile& table, const IndexDef& def, const IndexPlan& plan);
IndexFiles ChooseIndexFiles(const TableFile& table, const IndexDef& def);

// True when `a` and `b` name the same index (names compared ignoring case in the
// table's code page; the primary key matches only the primary key).
bool SameIndexName(const TableFile& table, const IndexDef& a, const IndexDef& b);

}  // namespace ter5::engine
