#pragma once
// Building index files from a loaded table whose records are final: the .PX of a
// keyed table and the .X/.Y pair of a secondary index, as complete file images.
// Blocks are packed full and numbered in order; the B-tree root is block 1, the
// levels follow it top-down, and all blocks form one chain (as pxlib writes .PX
// files). Blk Num hints are the true block numbers.
//
// Header bytes come from the table (version, sort order, sort order id, code page).
// The change counters that tie an index to its table are written as observed in
// real files (see doc/paradox-indexes.md): tree byte 0x2C and X byte 0x2F are the
// table's byte 0x2D plus an offset that depends on the sort order; X byte 0x2E is
// the table's byte 0x2E.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "IndexCatalog.h"
#include "IndexLayout.h"
#include "TableFile.h"

namespace ter5::engine {

// Header bytes of index files known only from real files (doc/paradox-indexes.md).
namespace indexheader {
// u16 that rises by one per file of a table family: .DB n, .PX n+1, X n+2 (n+1 on an
// unkeyed table), its tree file one more.
inline constexpr std::size_t kFamilySequence = 0x12;
// Tree files: the indexed file's change counter (0x2D) plus IndexCounterOffset().
inline constexpr std::size_t kTreeCounterLink = 0x2C;
// X files: the value the table's .PX holds at kTreeCounterLink.
inline constexpr std::size_t kXTableLink = 0x2F;
}  // namespace indexheader

// The two images of a secondary index.
struct SecondaryImages {
    std::vector<std::uint8_t> x;
    std::vector<std::uint8_t> y;
};

// The .PX image of a keyed table. Throws EngineError naming the table for an
// unkeyed table or an index too large for a Paradox file.
std::vector<std::uint8_t> BuildPrimaryIndex(const TableFile& table);
// The same, for a .PX that is to be stored as `pxFile` (its name goes into the header).
std::vector<std::uint8_t> BuildPrimaryIndex(const TableFile& table, const std::filesystem::path& pxFile);

// The .X and .Y images of `def` on `table`, named as `files` says (the names go
// into the headers; files.composite picks .XGn). Maintained kinds on keyed tables,
// non-maintained kinds on unkeyed ones, as real files have them. Throws
// EngineError naming the table for bad definitions or oversized indexes. With
// `records` the index is built over them instead of the records `table` holds
// (which then only gives the header: a table read back a block at a time).
SecondaryImages BuildSecondaryIndex(const TableFile& table, const IndexDef& def, const IndexFiles& files,
                                    const RecordSource* records = nullptr);

// The tree file (.Ynn/.YGn) named `yFile` over the X file `x` of `table`, as
// BuildSecondaryIndex builds it.
std::vector<std::uint8_t> BuildSecondaryTree(const TableFile& table, const TableFile& x, const std::filesystem::path& yFile);

// A B-tree file (.PX, .Ynn, .YGn) of kind `type` named `fileName` over `leaves`
// (one entry per data block of the indexed file, in key order). `indexed` is the
// header of the indexed file's table, for version, sort order and counters;
// `keyFields` are the key fields (type and size). Throws EngineError when the tree
// needs more blocks than a file can address.
std::vector<std::uint8_t> BuildTreeFile(const TableHeader& indexed, FileType type,
                                        const std::vector<FieldDesc>& keyFields,
                                        const std::vector<TreeEntry>& leaves, const std::string& fileName);

// Block size in KB of a B-tree file: 2 KB (as real files have, whatever the table's
// block size), the table's own size for 3.0 tables, more when an entry of
// `entrySize` bytes leaves fewer than two entries to a block.
std::uint8_t TreeBlockSizeKb(std::uint8_t tableVersion, std::uint8_t tableBlockSizeKb, std::size_t entrySize);

// What real files add to the table's change counter in the counters of their
// indexes, by the table's sort order.
std::uint8_t IndexCounterOffset(const TableHeader& table);

}  // namespace ter5::engine
