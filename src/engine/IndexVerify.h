#pragma once
// Consistency checks of a table and its index files, for `ter5tool verify`.
//
// Errors: the header disagrees with the blocks (records, blocks in use, last block,
// free list), a keyed table out of key order, a .PX or .Y whose entries, counts or
// tree shape do not match the blocks they index, a maintained secondary index whose
// entries differ from the table's records, and index files that cannot be read.
// Notes: stale Blk Num / Tup Offset hints, a non-maintained index lagging behind its
// table, a missing .PX or .Y, change counters that do not tie an index to its table
// as real files do, and a data file cut short after its last record.

#include <filesystem>
#include <string>
#include <vector>

namespace ter5::engine {

// One finding; `text` starts with the file it concerns.
struct VerifyProblem {
    bool isNote = false;
    std::string text;
};

// What is wrong with the blocks of a .DB or X file read into memory: header counts
// (blocks in use, last block, total) against the block chain and the free list, and
// a chain or free list that leaves the file. Empty when they add up.
class TableFile;
std::vector<std::string> BlockStructureErrors(const TableFile& file);

// Checks the table at `path` (codePage as for TableFile::Load) and every index file
// next to it. Throws EngineError only when the table itself cannot be read.
std::vector<VerifyProblem> VerifyTable(const std::filesystem::path& path, int codePage = 0);

}  // namespace ter5::engine
