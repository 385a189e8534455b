#pragma once
// Checks of a table that guard against losing records silently, for `ter5tool
// verify` and for every write (which refuses a table failing them, since a rewrite
// would drop or cross-link what they find):
// - records on blocks outside the block chain: a block unlinked from the chain,
//   or put on the free list, with records still in it (a reader skips them, and
//   the next rewrite drops them for good);
// - blob references that do not hold: a record naming a .MB block outside the
//   file, of the wrong kind, a free slot, another length or modification number,
//   or a blob another record names too (an older .MB copied back: new blobs would
//   be written over blocks the earlier records still name).

#include <string>
#include <vector>

namespace ter5::engine {

class TableFile;

// Blocks of a .DB or X file outside its chain that hold records, one line each
// (a few, then how many more). Empty when there are none.
std::vector<std::string> OffChainRecordErrors(const TableFile& file);

// Blob references of a table's records that do not hold against its .MB file,
// one line each (a few, then how many more). Empty for a table without blob
// fields or whose references all hold.
std::vector<std::string> BlobReferenceErrors(const TableFile& table);

}  // namespace ter5::engine
