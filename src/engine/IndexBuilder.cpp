#include "IndexBuilder.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "ByteIo.h"
#include "EngineError.h"
#include "FileUtil.h"
#include "LanguageDriver.h"

namespace ter5::engine {
namespace {

using namespace format;

using namespace indexheader;

// What the X file adds to the table's kFamilySequence: a keyed table's .PX takes +1.
constexpr std::uint16_t kXSequenceKeyed = 2;
constexpr std::uint16_t kXSequenceUnkeyed = 1;
// X files hold this at kTreeCounterLink.
constexpr std::uint8_t kXCounterLinkValue = 0xFF;
// Tree files carry 1 in the auto-increment slot (pxlib's .PX files and AREACODES.PX).
constexpr std::uint32_t kTreeAutoIncrement = 1;

// Sort order ids and the offset real files show between the table's counter at
// 0x2D and its indexes' counters (AREACODES, C, fk4, GENERAL, KOMMENT and others;
// ANSIINTL from pxlib, which writes 2 and 102).
struct CounterOffset {
    const char* sortOrderId;
    std::uint8_t offset;
};
constexpr CounterOffset kCounterOffsets[] = {
    {"ascii", 0}, {"ANSII850", 19}, {"DBWINUS0", 78}, {"ANSIINTL", 100}, {"china", 5}, {"nordan40", 233},
};
// For other sort orders: the sort byte plus this, which fits four of the five
// non-ascii drivers above.
constexpr std::uint8_t kUnknownCounterOffset = 2;

// Block sizes in KB a tree file may take, smallest first.
constexpr std::uint8_t kTreeBlockSizes[] = {2, 4, 8, 16, 32};
constexpr std::uint8_t kDefaultTreeBlockKb = 2;
// A B-tree level must shrink: at least two entries per block.
constexpr std::size_t kMinTreeFanout = 2;
// Block sizes an X file may grow to when a record does not fit the table's size.
constexpr std::uint8_t kDataBlockSizes[] = {1, 2, 3, 4, 8, 16, 32};
// Block numbers are 16-bit.
constexpr std::size_t kMaxBlocks = 0xFFFF;

std::string FileNameBytes(const std::filesystem::path& p) { return PathToUtf8(p.filename()); }

std::vector<std::uint8_t> BlocksImage(std::vector<std::uint8_t> header, std::size_t blockSize, std::size_t blocks) {
    header.resize(header.size() + blocks * blockSize, 0);
    return header;
}

// Writes a block header at `p` for block `number` of `total` chained in order.
void WriteBlockHeader(std::uint8_t* p, std::size_t number, std::size_t total, std::size_t count, std::size_t recordSize) {
    WriteU16(p + kBlockNext, static_cast<std::uint16_t>(number < total ? number + 1 : 0));
    WriteU16(p + kBlockPrev, static_cast<std::uint16_t>(number - 1));
    WriteU16(p + kBlockAddDataSize, static_cast<std::uint16_t>((count - 1) * recordSize));
}

// The blocks of an X file holding `records` in their order, packed full and
// chained in order after `headerSize` bytes left for the header. The records'
// own buffer becomes the image: each record only moves towards the end, so they
// move from the last to the first and the index is never held twice.
std::vector<std::uint8_t> PackRecordsInPlace(RecordBuffer records, std::size_t headerSize, std::size_t blockSize) {
    const std::size_t size = records.recordSize;
    const std::size_t n = records.Count();
    const std::size_t perBlock = (blockSize - kBlockHeaderSize) / size;
    const std::size_t blocks = (n + perBlock - 1) / perBlock;
    std::vector<std::uint8_t> image = std::move(records.bytes);
    image.resize(headerSize + blocks * blockSize, 0);
    for (std::size_t i = n; i-- > 0;)
        std::memmove(image.data() + headerSize + (i / perBlock) * blockSize + kBlockHeaderSize + (i % perBlock) * size,
                     image.data() + i * size, size);
    for (std::size_t b = 0; b < blocks; ++b) {
        std::uint8_t* p = image.data() + headerSize + b * blockSize;
        const std::size_t count = std::min(perBlock, n - b * perBlock);
        WriteBlockHeader(p, b + 1, blocks, count, size);
        std::uint8_t* end = p + kBlockHeaderSize + count * size;
        std::fill(end, p + blockSize, 0);
    }
    std::fill(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(headerSize), 0);
    return image;
}

void SetBlockCounters(TableHeader& h, std::size_t blocks) {
    h.blocksInUse = h.fileBlocks = static_cast<std::uint16_t>(blocks);
    h.firstBlock = blocks ? 1 : 0;
    h.lastBlock = static_cast<std::uint16_t>(blocks);
}

std::uint16_t TableSequence(const TableHeader& table) { return ReadU16(table.raw.data() + kFamilySequence); }

std::uint8_t TreeLink(const TableHeader& table) {
    return static_cast<std::uint8_t>(table.raw[kChangeCount1] + IndexCounterOffset(table));
}

}  // namespace

std::uint8_t IndexCounterOffset(const TableHeader& table) {
    for (const auto& c : kCounterOffsets)
        if (table.sortOrderId == c.sortOrderId) return c.offset;
    if (table.sortOrder == 0) return 0;
    return static_cast<std::uint8_t>(table.sortOrder + kUnknownCounterOffset);
}

std::uint8_t TreeBlockSizeKb(std::uint8_t tableVersion, std::uint8_t tableBlockSizeKb, std::size_t entrySize) {
    const std::uint8_t first = tableVersion <= version::k30 ? tableBlockSizeKb : kDefaultTreeBlockKb;
    if ((first * kBlockUnit - kBlockHeaderSize) / entrySize >= kMinTreeFanout) return first;
    for (std::uint8_t kb : kTreeBlockSizes)
        if ((kb * kBlockUnit - kBlockHeaderSize) / entrySize >= kMinTreeFanout) return kb;
    throw EngineError("index key of " + std::to_string(entrySize) + " bytes is too large for an index block");
}

std::vector<std::uint8_t> BuildTreeFile(const TableHeader& indexed, FileType type, const std::vector<FieldDesc>& keyFields,
                                        const std::vector<TreeEntry>& leaves, const std::string& fileName) {
    TableHeader h;
    h.fileType = type;
    h.version = indexed.version;
    h.sortOrder = indexed.sortOrder;
    for (const auto& f : keyFields) {
        FieldDesc k;
        k.type = f.type;
        k.size = f.size;
        h.fields.push_back(k);
    }
    h.tableName = fileName;
    h.autoIncrement = kTreeAutoIncrement;
    const std::size_t keySize = LeadingSize(keyFields, keyFields.size());
    const std::size_t entrySize = keySize + kIndexEntryTail;
    h.blockSizeKb = TreeBlockSizeKb(indexed.version, indexed.blockSizeKb, entrySize);
    const std::size_t blockSize = h.BlockSize();
    const std::size_t perBlock = (blockSize - kBlockHeaderSize) / entrySize;

    // Levels bottom-up (levels[0] = leaves); each upper level has one entry per block below.
    std::vector<std::vector<TreeEntry>> levels;
    if (!leaves.empty()) levels.push_back(leaves);
    while (!levels.empty() && levels.back().size() > perBlock) {
        const auto& below = levels.back();
        std::vector<TreeEntry> upper;
        for (std::size_t i = 0; i < below.size(); i += perBlock) {
            TreeEntry e{below[i].key, 0, 0};
            for (std::size_t j = i; j < std::min(below.size(), i + perBlock); ++j) e.count += below[j].count;
            upper.push_back(std::move(e));
        }
        levels.push_back(std::move(upper));
    }
    // Block numbers top-down: the root is block 1, each level's blocks follow in key order.
    std::vector<std::size_t> firstBlockOfLevel(levels.size());
    std::size_t total = 0;
    for (std::size_t k = levels.size(); k-- > 0;) {
        firstBlockOfLevel[k] = total + 1;
        total += (levels[k].size() + perBlock - 1) / perBlock;
    }
    if (total > kMaxBlocks) throw EngineError(fileName + ": the index needs more blocks than a file can address");
    for (std::size_t k = 1; k < levels.size(); ++k)
        for (std::size_t j = 0; j < levels[k].size(); ++j)
            levels[k][j].child = static_cast<std::uint16_t>(firstBlockOfLevel[k - 1] + j);

    std::size_t entries = 0;
    for (const auto& level : levels) entries += level.size();
    h.numRecords = static_cast<std::uint32_t>(entries);
    SetBlockCounters(h, total);
    h.indexRoot = 1;
    h.indexLevels = static_cast<std::uint8_t>(levels.size());
    std::vector<std::uint8_t> header = BuildHeader(h);
    WriteU16(header.data() + kFamilySequence, static_cast<std::uint16_t>(TableSequence(indexed) + 1));
    header[kTreeCounterLink] = TreeLink(indexed);
    const std::size_t headerSize = header.size();
    std::vector<std::uint8_t> image = BlocksImage(std::move(header), blockSize, total);

    for (std::size_t k = levels.size(); k-- > 0;) {
        const auto& level = levels[k];
        for (std::size_t i = 0, block = firstBlockOfLevel[k]; i < level.size(); i += perBlock, ++block) {
            std::uint8_t* p = image.data() + headerSize + (block - 1) * blockSize;
            const std::size_t count = std::min(perBlock, level.size() - i);
            WriteBlockHeader(p, block, total, count, entrySize);
            std::uint8_t* e = p + kBlockHeaderSize;
            for (std::size_t j = i; j < i + count; ++j, e += entrySize) {
                std::memcpy(e, level[j].key.data(), std::min(keySize, level[j].key.size()));
                WriteFlippedU16(e + keySize + kEntryChild, level[j].child);
                WriteFlippedU16(e + keySize + kEntryCount, static_cast<std::uint16_t>(level[j].count));  // sums wrap
                WriteFlippedU16(e + keySize + kEntryReserved, 0);
            }
        }
    }
    return image;
}

std::vector<std::uint8_t> BuildPrimaryIndex(const TableFile& table) {
    const std::filesystem::path px = table.Path().empty()
                                         ? PathFromUtf8(PathToUtf8(PathFromUtf8(table.Name()).stem()) + ".PX")
                                         : ChooseIndexFiles(table, IndexDef{{}, {}, true}).x;
    return BuildPrimaryIndex(table, px);
}

std::vector<std::uint8_t> BuildPrimaryIndex(const TableFile& table, const std::filesystem::path& pxFile) {
    const TableHeader& th = table.Header();
    if (th.fileType != FileType::KeyedDb || th.numKeyFields == 0) Fail(table.Name(), "the table has no primary key");
    const std::vector<FieldDesc> keyFields(th.fields.begin(), th.fields.begin() + th.numKeyFields);
    return BuildTreeFile(th, FileType::PrimaryIndex, keyFields, LeafEntries(table, LeadingSize(keyFields, keyFields.size())),
                         FileNameBytes(pxFile));
}

SecondaryImages BuildSecondaryIndex(const TableFile& table, const IndexDef& def, const IndexFiles& files,
                                    const RecordSource* records) {
    const RecordSource source = records ? *records : RecordsOf(table);
    const TableHeader& th = table.Header();
    const SecondaryLayout layout = MakeSecondaryLayout(table, def);
    if (!files.composite && !IsFieldNamedIndex(def))
        Fail(table.Name(), "index '" + def.name + "' must be kept in an .XGn file");
    if (files.composite && th.version < version::k4First)
        Fail(table.Name(), "a named, composite or case-insensitive index needs a 4.x or later table");
    const bool maintained = layout.keyedTable;

    TableHeader h;
    h.fileType = files.composite ? (maintained ? FileType::CompositeIndexMaint : FileType::CompositeIndex)
                                 : (maintained ? FileType::SecondaryIndexMaint : FileType::SecondaryIndex);
    h.version = th.version;
    h.sortOrder = th.sortOrder;
    h.sortOrderId = th.sortOrderId;
    h.codePage = th.codePage;
    h.fields = layout.fields;
    h.fieldNumbers = layout.fieldNumbers;
    h.numKeyFields = static_cast<std::uint16_t>(layout.keyFields);
    h.indexFieldNumber = static_cast<std::uint8_t>(layout.fieldNumbers.front() & ~kDescendingFieldBit);
    h.flags = KeyRules::IndexFlags(def.caseInsensitive, def.descending, def.unique);
    h.tableName = FileNameBytes(files.x);
    if (files.composite) h.indexName = table.Codec().Encode(def.name);
    h.blockSizeKb = th.blockSizeKb;
    for (std::uint8_t kb : kDataBlockSizes)
        if (h.BlockSize() < layout.recordSize + kBlockHeaderSize && kb > h.blockSizeKb) h.blockSizeKb = kb;
    if (h.BlockSize() < layout.recordSize + kBlockHeaderSize) Fail(table.Name(), "index record too large for a block");

    const std::size_t blockSize = h.BlockSize();
    const std::size_t perBlock = (blockSize - kBlockHeaderSize) / layout.recordSize;
    const std::size_t n = source.count;
    const std::size_t blocks = (n + perBlock - 1) / perBlock;
    if (blocks > kMaxBlocks) Fail(table.Name(), "the index needs more blocks than a file can address");
    h.numRecords = static_cast<std::uint32_t>(n);
    SetBlockCounters(h, blocks);

    std::vector<std::uint8_t> header = BuildHeader(h);
    if (h.hasExtension) {
            // The highest field id: the largest number of the field-number array (descending bit
        // cleared) plus one, as in multiple.X04 ([4, 2, 3] → 5) and indexed.xg0 ([0x8001, 2, 3, 4] → 5).
        std::uint16_t highest = 0;
        for (std::uint16_t number : h.fieldNumbers)
            highest = std::max<std::uint16_t>(highest, static_cast<std::uint16_t>(number & ~kDescendingFieldBit));
        WriteU16(header.data() + kHighFieldId, static_cast<std::uint16_t>(highest + 1));
    }
    const std::uint16_t sequence = static_cast<std::uint16_t>(TableSequence(th) + (maintained ? kXSequenceKeyed : kXSequenceUnkeyed));
    WriteU16(header.data() + kFamilySequence, sequence);
    header[kTreeCounterLink] = kXCounterLinkValue;
    header[kChangeCount1] = th.raw[kChangeCount1];
    header[kChangeCount2] = th.raw[kChangeCount2];
    header[kXTableLink] = TreeLink(th);
    const std::size_t headerSize = header.size();
    SecondaryImages out;
    out.x = PackRecordsInPlace(MakeSecondaryRecords(table, layout, source, headerSize + blocks * blockSize), headerSize, blockSize);
    std::memcpy(out.x.data(), header.data(), headerSize);
    // The tree over the X file: one leaf a block, its first key, number and count.
    std::vector<TreeEntry> leaves;
    leaves.reserve(blocks);
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::uint8_t* first = out.x.data() + headerSize + b * blockSize + kBlockHeaderSize;
        const std::size_t count = std::min(perBlock, n - b * perBlock);
        leaves.push_back({std::string(reinterpret_cast<const char*>(first), layout.keySize), static_cast<std::uint16_t>(b + 1),
                          static_cast<std::uint32_t>(count)});
    }
    TableHeader yBase = th;
    yBase.raw.assign(out.x.begin(), out.x.begin() + static_cast<std::ptrdiff_t>(headerSize));  // the X's family sequence and counter
    const std::vector<FieldDesc> keyFields(layout.fields.begin(), layout.fields.begin() + static_cast<std::ptrdiff_t>(layout.keyFields));
    out.y = BuildTreeFile(yBase, files.composite ? FileType::CompositeTree : FileType::SecondaryTree, keyFields, leaves,
                          FileNameBytes(files.y));
    return out;
}

std::vector<std::uint8_t> BuildSecondaryTree(const TableFile& table, const TableFile& x, const std::filesystem::path& yFile) {
    const TableHeader& xh = x.Header();
    const bool composite = xh.fileType == FileType::CompositeIndex || xh.fileType == FileType::CompositeIndexMaint;
    const std::vector<FieldDesc> keyFields(xh.fields.begin(), xh.fields.begin() + xh.numKeyFields);
    TableHeader yBase = table.Header();
    yBase.raw = xh.raw;  // the X's own family sequence and change counter
    return BuildTreeFile(yBase, composite ? FileType::CompositeTree : FileType::SecondaryTree, keyFields,
                         LeafEntries(x, LeadingSize(keyFields, keyFields.size())), FileNameBytes(yFile));
}

}  // namespace ter5::engine
