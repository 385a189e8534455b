#pragma once
// Salvage: the records of a damaged .DB, read without trusting what damage can
// break. Every block is read at its place (header size + k × block size) as far as
// the file reaches, whatever the chain, the free list or the header's counts say;
// in each block the records its fill offset admits, within the file. A block whose
// fill offset cannot be (or is past the block) keeps its slots to PROBLEMS, since
// slots beyond a block's records hold deleted ones. Records are taken in the order
// of the block chain as far as the blocks' own links rebuild it. Each record is
// checked field by field (RecordCheck, BlobMap): one whose fields all pass is kept;
// a blob that cannot be read is made NULL in the kept record and reported.
// doc/repair.md has the rules.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "BlobSalvage.h"
#include "TableHeader.h"

namespace ter5::engine {

// Where the blocks of a .DB lie.
struct BlockLayout {
    std::size_t headerSize = 0;
    std::size_t blockSize = 0;
};

// A block that gave fewer records than it held, or none: its number and why.
struct DamagedBlock {
    std::uint32_t number = 0;
    std::string what;
};

// A record that is not kept: its block, its file offset, the fields that failed
// (positions in the structure) and why.
struct ProblemRecord {
    std::uint32_t block = 0;
    std::uint64_t offset = 0;
    std::vector<std::size_t> failing;
    std::string why;
};

// A blob of a kept record that could not be read, now NULL.
struct LostBlob {
    std::uint64_t offset = 0;  // of the record
    std::size_t field = 0;
    std::string why;
};

struct SalvageResult {
    std::size_t foundInBlocks = 0;         // records and slots read from the blocks
    std::vector<std::uint64_t> kept;       // file offsets of the kept records, in chain order
    std::vector<ProblemRecord> problems;   // records with failing fields, slots of untrustworthy blocks
    std::vector<std::uint64_t> keyViolations;  // kept records whose primary key repeats an earlier one
    std::vector<LostBlob> lostBlobs;
    std::vector<DamagedBlock> damaged;     // in block order
    bool chainSound = false;               // the records are exactly those of a sound block chain
};

// Salvages the records of the .DB image `image` laid out as `layout`, whose fields
// are those of `structure` (recordSize, fields, numKeyFields). The fields of lost
// blobs are zeroed in `image` itself. Key violations are split off when the
// structure is keyed. `progress` (may be empty) gets the fraction of blocks read.
SalvageResult SalvageRecords(std::vector<std::uint8_t>& image, const BlockLayout& layout, const TableHeader& structure,
                             const BlobMap& blobs, const std::function<void(double)>& progress = {});

// The block an offset of the image lies in (1-based).
std::uint32_t BlockOfOffset(const BlockLayout& layout, std::uint64_t offset);

}  // namespace ter5::engine
