#include "Salvage.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "ByteIo.h"
#include "FieldType.h"
#include "Format.h"
#include "RecordCheck.h"
#include "TableWriter.h"

namespace ter5::engine {
namespace {

using namespace format;

// Progress is reported once per this many blocks.
constexpr std::size_t kProgressStep = 256;

enum class BlockState { Records, Empty, Zeroed, BadFill, Garbage };

struct Block {
    std::uint16_t next = 0;
    std::uint16_t prev = 0;
    BlockState state = BlockState::Empty;
    std::size_t count = 0;      // records the fill offset admits
    std::size_t available = 0;  // of them within the file
    int fill = 0;
};

bool AllZero(const std::uint8_t* p, std::size_t n) {
    return std::all_of(p, p + n, [](std::uint8_t b) { return b == 0; });
}

// Reads the block header of every block the file reaches (blocks[0] stands for block 1).
std::vector<Block> ScanBlocks(const std::vector<std::uint8_t>& image, const BlockLayout& layout, std::size_t recordSize,
                              const TableHeader& structure) {
    std::vector<Block> blocks;
    const std::size_t size = image.size();
    if (size <= layout.headerSize) return blocks;
    const std::size_t total = (size - layout.headerSize + layout.blockSize - 1) / layout.blockSize;
    const std::size_t maxPerBlock = (layout.blockSize - kBlockHeaderSize) / recordSize;
    for (std::size_t k = 0; k < total; ++k) {
        Block b;
        const std::size_t offset = layout.headerSize + k * layout.blockSize;
        const std::size_t end = std::min(size, offset + layout.blockSize);
        if (offset + kBlockHeaderSize > size) {
            b.state = BlockState::Garbage;
            blocks.push_back(b);
            continue;
        }
        const std::uint8_t* p = image.data() + offset;
        b.next = ReadU16(p + kBlockNext);
        b.prev = ReadU16(p + kBlockPrev);
        b.fill = ReadS16(p + kBlockAddDataSize);
        const auto links = [&](std::uint16_t n) { return n <= total && n != k + 1; };
        const bool sole = structure.firstBlock == k + 1 && structure.lastBlock == k + 1 && structure.numRecords == 1;
        if (AllZero(p, end - offset) && !sole) {
            b.state = BlockState::Zeroed;
        } else if (b.fill < 0 && b.fill >= -static_cast<int>(recordSize)) {
            b.state = BlockState::Empty;
        } else if (b.fill >= 0 && static_cast<std::size_t>(b.fill) % recordSize == 0 &&
                   static_cast<std::size_t>(b.fill) / recordSize + 1 <= maxPerBlock) {
            b.state = BlockState::Records;
            b.count = static_cast<std::size_t>(b.fill) / recordSize + 1;
        } else {
            // Links that lead to blocks of the file tell a block whose fill offset alone
            // is damaged from one overwritten with other data.
            b.state = links(b.next) && links(b.prev) ? BlockState::BadFill : BlockState::Garbage;
            b.count = maxPerBlock;
        }
        const std::size_t room = end > offset + kBlockHeaderSize ? (end - offset - kBlockHeaderSize) / recordSize : 0;
        b.available = std::min(b.count, room);
        blocks.push_back(b);
    }
    return blocks;
}

// The blocks in the order of the chain as their links rebuild it: runs of blocks
// linked both ways (next names the block whose previous names it back), each run
// followed by the one its last block or its first block points to; a run starting
// after block 0 comes first. The header's first and last block are not trusted.
std::vector<std::uint16_t> ChainOrder(const std::vector<Block>& blocks) {
    const std::size_t total = blocks.size();
    const auto valid = [&](std::size_t n) {
        return n >= 1 && n <= total && (blocks[n - 1].state == BlockState::Records || blocks[n - 1].state == BlockState::Empty);
    };
    std::vector<std::uint16_t> succ(total + 1, 0), pred(total + 1, 0);
    for (std::size_t n = 1; n <= total; ++n) {
        const std::uint16_t next = blocks[n - 1].next;
        if (valid(n) && valid(next) && blocks[next - 1].prev == n && next != n && pred[next] == 0) {
            succ[n] = next;
            pred[next] = static_cast<std::uint16_t>(n);
        }
    }
    std::vector<std::uint16_t> order;
    std::vector<bool> seen(total + 1, false);
    const auto run = [&](std::uint16_t head) {
        std::uint16_t n = head;
        for (; n != 0 && !seen[n]; n = succ[n]) {
            seen[n] = true;
            order.push_back(n);
        }
        return order.back();
    };
    const auto nextHead = [&](std::uint16_t tail) -> std::uint16_t {
        const std::uint16_t byLink = blocks[tail - 1].next;
        if (valid(byLink) && !seen[byLink] && pred[byLink] == 0) return byLink;
        for (std::size_t n = 1; n <= total; ++n)
            if (valid(n) && !seen[n] && pred[n] == 0 && blocks[n - 1].prev == tail) return static_cast<std::uint16_t>(n);
        return 0;
    };
    for (int pass = 0; pass < 3; ++pass)
        for (std::size_t n = 1; n <= total; ++n) {
            // First runs that start the chain (previous 0), then other runs, then loops.
            if (!valid(n) || seen[n] || (pass < 2 && pred[n] != 0) || (pass == 0 && blocks[n - 1].prev != 0)) continue;
            for (std::uint16_t head = static_cast<std::uint16_t>(n); head != 0;) head = nextHead(run(head));
        }
    return order;
}

// The blocks of the chain the header describes, as the strict reader walks it.
std::vector<std::uint16_t> HeaderChain(const std::vector<Block>& blocks, std::uint16_t first) {
    std::vector<std::uint16_t> chain;
    std::unordered_set<std::uint16_t> seen;
    for (std::uint16_t n = first; n != 0 && n <= blocks.size() && seen.insert(n).second; n = blocks[n - 1].next)
        chain.push_back(n);
    return chain;
}

std::string BlockWhat(const Block& b, std::size_t recordSize, std::size_t lostInBlock) {
    switch (b.state) {
        case BlockState::Zeroed: return "all zero";
        case BlockState::Garbage:
            return b.fill == 0 && b.next == 0 && b.prev == 0 ? "cut off by the end of the file"
                                                             : "overwritten: its header is no block header";
        case BlockState::BadFill:
            return "fill offset " + std::to_string(b.fill) + " does not fit " + std::to_string(recordSize) +
                   "-byte records in the block: its slots went to PROBLEMS";
        default:
            return "cut short by the end of the file: " + std::to_string(lostInBlock) + " record(s) lost";
    }
}

// Checks one record; kept when every field passes (lost blobs zeroed in place).
void TakeRecord(std::vector<std::uint8_t>& image, std::uint64_t offset, std::uint32_t block, const TableHeader& structure,
                const BlobMap& blobs, bool trusted, SalvageResult& result) {
    std::uint8_t* record = image.data() + offset;
    ProblemRecord problem{block, offset, {}, trusted ? std::string() : "the block's fill offset is damaged"};
    std::vector<LostBlob> lost;
    for (std::size_t i = 0; i < structure.fields.size(); ++i) {
        const FieldDesc& f = structure.fields[i];
        if (IsBlobType(f.type)) {
            if (auto why = blobs.Check(f, record + f.offset)) lost.push_back({offset, i, std::move(*why)});
        } else if (auto why = FieldValueProblem(f, record + f.offset)) {
            problem.failing.push_back(i);
            if (problem.why.empty()) problem.why = "field '" + f.name + "': " + *why;
        }
    }
    if (!trusted || !problem.failing.empty()) {
        result.problems.push_back(std::move(problem));
        return;
    }
    for (LostBlob& l : lost) {
        const FieldDesc& f = structure.fields[l.field];
        std::memset(record + f.offset, 0, static_cast<std::size_t>(f.length));
        result.lostBlobs.push_back(std::move(l));
    }
    result.kept.push_back(offset);
}

// Moves every kept record whose key repeats an earlier kept one to the key violations.
void SplitKeyViolations(const std::vector<std::uint8_t>& image, const TableHeader& structure, SalvageResult& result) {
    if (structure.fileType != FileType::KeyedDb || structure.numKeyFields == 0) return;
    const std::size_t keySize = KeyLength(structure);
    bool ascending = true;  // the usual case: no key can repeat
    for (std::size_t i = 1; i < result.kept.size() && ascending; ++i)
        ascending = std::memcmp(image.data() + result.kept[i - 1], image.data() + result.kept[i], keySize) < 0;
    if (ascending) return;
    std::vector<std::size_t> byKey(result.kept.size());
    for (std::size_t i = 0; i < byKey.size(); ++i) byKey[i] = i;
    const auto key = [&](std::size_t i) { return image.data() + result.kept[i]; };
    std::stable_sort(byKey.begin(), byKey.end(),
                     [&](std::size_t a, std::size_t b) { return std::memcmp(key(a), key(b), keySize) < 0; });
    std::vector<bool> repeated(result.kept.size(), false);
    for (std::size_t i = 1; i < byKey.size(); ++i)
        if (std::memcmp(key(byKey[i - 1]), key(byKey[i]), keySize) == 0) repeated[byKey[i]] = true;
    std::vector<std::uint64_t> kept;
    kept.reserve(result.kept.size());
    for (std::size_t i = 0; i < result.kept.size(); ++i)
        (repeated[i] ? result.keyViolations : kept).push_back(result.kept[i]);
    result.kept = std::move(kept);
}

}  // namespace

std::uint32_t BlockOfOffset(const BlockLayout& layout, std::uint64_t offset) {
    return static_cast<std::uint32_t>((offset - layout.headerSize) / layout.blockSize + 1);
}

SalvageResult SalvageRecords(std::vector<std::uint8_t>& image, const BlockLayout& layout, const TableHeader& structure,
                             const BlobMap& blobs, const std::function<void(double)>& progress) {
    SalvageResult result;
    const std::size_t recordSize = structure.recordSize;
    const std::vector<Block> blocks = ScanBlocks(image, layout, recordSize, structure);
    const std::vector<std::uint16_t> order = ChainOrder(blocks);
    const std::size_t total = blocks.size();
    std::vector<std::uint16_t> visit = order;
    std::vector<bool> inOrder(total + 1, false);
    for (std::uint16_t n : order) inOrder[n] = true;
    for (std::size_t n = 1; n <= total; ++n)
        if (!inOrder[n]) visit.push_back(static_cast<std::uint16_t>(n));  // damaged blocks, for PROBLEMS and the report

    std::size_t done = 0;
    for (std::uint16_t n : visit) {
        const Block& b = blocks[n - 1];
        if (progress && ++done % kProgressStep == 0) progress(static_cast<double>(done) / static_cast<double>(total));
        const std::size_t start = layout.headerSize + (n - 1) * layout.blockSize + kBlockHeaderSize;
        if (b.state == BlockState::Records || b.state == BlockState::BadFill) {
            const bool trusted = b.state == BlockState::Records;
            for (std::size_t i = 0; i < b.available; ++i) {
                const std::uint64_t offset = start + i * recordSize;
                if (!trusted && AllZero(image.data() + offset, recordSize)) continue;  // an unused slot
                ++result.foundInBlocks;
                TakeRecord(image, offset, n, structure, blobs, trusted, result);
            }
        }
        const bool cut = b.state == BlockState::Records && b.available < b.count;
        if (b.state == BlockState::Zeroed || b.state == BlockState::Garbage || b.state == BlockState::BadFill || cut)
            result.damaged.push_back({n, BlockWhat(b, recordSize, b.count - b.available)});
    }
    // Blocks the header counts that the file no longer reaches (cut at a block
    // boundary), when records are missing: some files end short of free blocks.
    for (std::size_t n = total + 1; structure.numRecords > result.foundInBlocks && n <= structure.fileBlocks; ++n)
        result.damaged.push_back({static_cast<std::uint32_t>(n), "beyond the end of the file"});
    std::sort(result.damaged.begin(), result.damaged.end(),
              [](const DamagedBlock& a, const DamagedBlock& b) { return a.number < b.number; });
    SplitKeyViolations(image, structure, result);

    // Sound: the header's chain holds exactly the blocks with records, in the rebuilt
    // order, and nothing was lost or set aside.
    std::vector<std::uint16_t> withRecords, chained;
    for (std::uint16_t n : order)
        if (blocks[n - 1].count > 0) withRecords.push_back(n);
    for (std::uint16_t n : HeaderChain(blocks, structure.firstBlock))
        if (blocks[n - 1].count > 0 || (blocks[n - 1].state != BlockState::Records && blocks[n - 1].state != BlockState::Empty))
            chained.push_back(n);
    result.chainSound = result.damaged.empty() && result.problems.empty() && result.lostBlobs.empty() &&
                        result.keyViolations.empty() && withRecords == chained;
    if (progress) progress(1.0);
    return result;
}

}  // namespace ter5::engine
