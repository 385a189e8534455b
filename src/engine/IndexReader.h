#pragma once
// Reading index files back. B-tree files (.PX, .Ynn, .YGn) are read from the root
// down, level by level; every block number is checked against the file and every
// block may be reached once only, so corrupt or hostile files end in EngineError,
// never in a crash or an endless loop. X files are keyed tables and are read with
// TableFile; ReadIndexRecords copies their records in chain order.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "IndexLayout.h"
#include "TableFile.h"
#include "TableHeader.h"

namespace ter5::engine {

// One block of a B-tree file and its entries in stored order.
struct TreeBlock {
    std::uint16_t number = 0;
    std::vector<TreeEntry> entries;
    std::vector<std::uint16_t> reserved;  // each entry's third short (0 in real files)
};

// A B-tree file as read. levels[0] holds the root block; levels.back() the leaf
// blocks (header level 1), whose entries point to blocks of the indexed file.
struct IndexTree {
    std::string name;
    TableHeader header;
    std::size_t keySize = 0;
    std::vector<std::vector<TreeBlock>> levels;

    // The leaf entries in key order.
    std::vector<TreeEntry> Leaves() const;
    // Entries on all levels (what the header's record count should say).
    std::size_t EntryCount() const;
};

// Parses a B-tree file image as stored (decrypted when its header holds a key);
// `name` stands for the file in errors. Throws EngineError for another file kind,
// any block or pointer outside the file, a block reached twice, an empty block
// inside the tree, or a plain block in an encrypted file.
IndexTree ReadIndexTree(const std::vector<std::uint8_t>& bytes, const std::string& name);

// Reads and parses a B-tree file.
IndexTree LoadIndexTree(const std::filesystem::path& path);

// The records of an X file in chain order. Throws EngineError when `x` is not a
// secondary index file.
RecordBuffer ReadIndexRecords(const TableFile& x);

}  // namespace ter5::engine
