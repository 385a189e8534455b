#pragma once
// The tables of what a repair could not keep, written beside the backup of the
// original files: KEYVIOL.DB, the records whose primary key repeats an earlier
// kept one (the table's fields), and PROBLEMS.DB, the records with failing fields
// (the table's fields, the failing ones NULL, then the record's block, its file
// offset, the names of its failing fields and its bytes as hexadecimal text). Both
// are unkeyed, take the table's version, block size (larger where a record needs
// it), driver and code page, and carry the readable blobs of their records in a
// memo file of their own.

#include <cstdint>
#include <string>
#include <vector>

#include "BlobSalvage.h"
#include "Salvage.h"
#include "TableHeader.h"

namespace ter5::engine {

// File names of the two tables.
inline constexpr char kKeyViolationsTable[] = "KEYVIOL.DB";
inline constexpr char kProblemsTable[] = "PROBLEMS.DB";

// A table's files as images.
struct SideTable {
    std::string fileName;           // "KEYVIOL.DB"
    std::vector<std::uint8_t> db;
    std::vector<std::uint8_t> mb;   // empty: no memo file
};

// KEYVIOL.DB for the records at `offsets` of the salvaged `image`.
SideTable BuildKeyViolations(const TableHeader& structure, const std::vector<std::uint8_t>& image,
                             const std::vector<std::uint64_t>& offsets, const BlobMap& blobs);

// PROBLEMS.DB for `problems` of the salvaged `image`.
SideTable BuildProblems(const TableHeader& structure, const std::vector<std::uint8_t>& image,
                        const std::vector<ProblemRecord>& problems, const BlobMap& blobs);

}  // namespace ter5::engine
