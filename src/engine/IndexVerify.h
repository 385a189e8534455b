#pragma once
// Consistency checks of a table and its index files, for `ter5tool verify`.
//
// Errors: the header disagrees with the blocks (records, blocks in use, last block,
// free list), a keyed table out of key order, a keyed table without its .PX, a
// .PX or .Y whose entries, counts or tree shape do not match the blocks they index,
// a maintained secondary index without its .Y or whose fields or entries differ
// from the table's, and index files that cannot be read.
// Notes: stale Blk Num / Tup Offset hints, a non-maintained index lagging behind its
// table or without its .Y, change counters that do not tie an index to its table
// as real files do, a data file cut short after its last record, and temporary
// files left by an interrupted write.
//
// The table is held shared meanwhile (TableLock), so no writer changes it half-way.

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

// The same checks of a table already read by a caller that holds it (shared or
// exclusively), with its index files as they are on disk.
std::vector<VerifyProblem> VerifyHeldTable(const TableFile& table);

}  // namespace ter5::engine
