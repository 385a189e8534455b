#include "TableHeader.h"

#include <algorithm>
#include <cstring>

#include "ByteIo.h"
#include "EngineError.h"

namespace ter5::engine {
namespace {

using namespace format;

// Block sizes a header may declare, in kilobytes.
constexpr std::uint8_t kValidBlockSizes[] = {1, 2, 3, 4, 8, 16, 32};
// Field info starts right after the fixed header, or after the 4.x+ extension.
constexpr std::size_t kMaxFields = 255;
// A BCD field's size byte gives its decimals: at most all 32 of its digits.
constexpr int kMaxBcdDecimals = 32;

bool KindHasExtension(FileType type, std::uint8_t ver) {
    if (ver < version::k4First) return false;
    switch (type) {
        case FileType::KeyedDb:
        case FileType::UnkeyedDb:
        case FileType::SecondaryIndex:
        case FileType::SecondaryIndexMaint:
        case FileType::CompositeIndex:
        case FileType::CompositeIndexMaint:
            return true;
        default:
            return false;
    }
}

int FieldLength(FieldType type, int sizeByte) {
    if (type == FieldType::Bcd) return 17;
    return sizeByte;
}

// Fixed storage sizes by type; 0 where the header's size byte decides.
int ExpectedFixedSize(FieldType type) {
    switch (type) {
        case FieldType::Short: return 2;
        case FieldType::Long:
        case FieldType::Date:
        case FieldType::Time:
        case FieldType::AutoInc: return 4;
        case FieldType::Number:
        case FieldType::Money:
        case FieldType::Timestamp: return 8;
        case FieldType::Logical: return 1;
        default: return 0;
    }
}

class Cursor {
public:
    Cursor(const std::uint8_t* data, std::size_t end, const std::string& file) : data_(data), end_(end), file_(file) {}
    void Need(std::size_t pos, std::size_t n, const char* what) const {
        if (pos > end_ || n > end_ - pos) Fail(file_, std::string("corrupt header: ") + what + " lies beyond the header");
    }
    std::string CString(std::size_t& pos, const char* what) const {
        Need(pos, 1, what);
        const void* nul = std::memchr(data_ + pos, 0, end_ - pos);
        if (!nul) Fail(file_, std::string("corrupt header: unterminated ") + what);
        const std::size_t len = static_cast<const std::uint8_t*>(nul) - (data_ + pos);
        std::string s(reinterpret_cast<const char*>(data_ + pos), len);
        pos += len + 1;
        return s;
    }

private:
    const std::uint8_t* data_;
    std::size_t end_;
    const std::string& file_;
};

}  // namespace

std::size_t TableNameSize(std::uint8_t ver) { return ver >= version::k7 ? kTableNameSize7 : kTableNameSizeOld; }

TableHeader ParseHeader(const std::uint8_t* data, std::size_t size, const std::string& fileName) {
    if (size < kFixedHeaderEnd) Fail(fileName, "not a Paradox file: too short for a header (" + std::to_string(size) + " bytes)");
    TableHeader h;
    h.recordSize = ReadU16(data + kRecordSize);
    h.headerSize = ReadU16(data + kHeaderSize);
    const std::uint8_t kind = data[kFileType];
    if (kind > static_cast<std::uint8_t>(FileType::CompositeIndexMaint))
        Fail(fileName, "not a Paradox file: unknown file kind " + std::to_string(kind));
    h.fileType = static_cast<FileType>(kind);
    h.blockSizeKb = data[kBlockSizeKb];
    if (std::find(std::begin(kValidBlockSizes), std::end(kValidBlockSizes), h.blockSizeKb) == std::end(kValidBlockSizes))
        Fail(fileName, "corrupt header: block size " + std::to_string(h.blockSizeKb) + " KB");
    h.numRecords = ReadU32(data + kNumRecords);
    h.blocksInUse = ReadU16(data + kBlocksInUse);
    h.fileBlocks = ReadU16(data + kFileBlocks);
    h.firstBlock = ReadU16(data + kFirstBlock);
    h.lastBlock = ReadU16(data + kLastBlock);
    h.indexFieldNumber = data[kIndexFieldNumber];
    h.indexRoot = ReadU16(data + kIndexRoot);
    h.indexLevels = data[kIndexLevels];
    const std::size_t numFields = ReadU16(data + kNumFields);
    h.numKeyFields = ReadU16(data + kNumKeyFields);
    h.sortOrder = data[kSortOrder];
    h.version = data[kVersion];
    if (h.version < version::k30 || h.version > version::k7)
        Fail(fileName, "unsupported Paradox version byte " + std::to_string(h.version));
    h.autoIncrement = ReadU32(data + kAutoIncrement);
    h.firstFreeBlock = ReadU16(data + kFirstFreeBlock);
    h.flags = data[kRefIntegrityOrIndexFlags];
    h.hasExtension = KindHasExtension(h.fileType, h.version);

    if (h.headerSize < kFixedHeaderEnd) Fail(fileName, "corrupt header: header size " + std::to_string(h.headerSize));
    if (h.headerSize > size) Fail(fileName, "truncated file: header of " + std::to_string(h.headerSize) + " bytes, file has " + std::to_string(size));
    if (numFields == 0 || numFields > kMaxFields) Fail(fileName, "corrupt header: " + std::to_string(numFields) + " fields");
    if (h.recordSize == 0 || h.recordSize + kBlockHeaderSize > h.BlockSize())
        Fail(fileName, "corrupt header: record size " + std::to_string(h.recordSize) + " does not fit a " + std::to_string(h.blockSizeKb) + " KB block");
    if (h.numKeyFields > numFields)
        Fail(fileName, "corrupt header: " + std::to_string(h.numKeyFields) + " key fields for " + std::to_string(numFields) + " fields");
    // Block numbers in the header name blocks of the file; a tree file with no
    // levels is empty and names block 1 as its root all the same.
    const auto checkBlock = [&](std::uint16_t n, const char* what) {
        if (n > h.fileBlocks)
            Fail(fileName, std::string("corrupt header: ") + what + " " + std::to_string(n) + " lies beyond the " +
                               std::to_string(h.fileBlocks) + " blocks of the file");
    };
    checkBlock(h.blocksInUse, "blocks in use count");
    checkBlock(h.firstBlock, "first block");
    checkBlock(h.lastBlock, "last block");
    checkBlock(h.firstFreeBlock, "first free block");
    if (h.IsTreeFile() && h.indexLevels > 0) checkBlock(h.indexRoot, "index root block");
    if ((h.firstBlock == 0) != (h.lastBlock == 0))
        Fail(fileName, "corrupt header: first block " + std::to_string(h.firstBlock) + " and last block " +
                           std::to_string(h.lastBlock) + " disagree about whether the file has data blocks");

    const std::uint32_t enc1 = ReadU32(data + kEncryption1);
    h.encryption = enc1;
    Cursor cur(data, h.headerSize, fileName);
    if (h.hasExtension) {
        cur.Need(kExtensionBase, kDataHeaderEnd - kExtensionBase, "4.x header extension");
        const std::uint32_t enc2 = ReadU32(data + kEncryption2);
        h.encryption = (enc1 == kEncryptionSeeExtension || enc1 == 0) ? enc2 : enc1;
        h.codePage = ReadU16(data + kCodePage);
    }
    h.raw.assign(data, data + h.headerSize);

    std::size_t pos = h.hasExtension ? kDataHeaderEnd : kFixedHeaderEnd;
    cur.Need(pos, numFields * kFieldInfoSize, "field list");
    int offset = 0;
    for (std::size_t i = 0; i < numFields; ++i) {
        const std::uint8_t typeByte = data[pos + 2 * i];
        const int sizeByte = data[pos + 2 * i + 1];
        if (!IsKnownFieldType(typeByte))
            Fail(fileName, "corrupt header: field " + std::to_string(i + 1) + " has unknown type 0x" + std::to_string(typeByte));
        FieldDesc f;
        f.type = static_cast<FieldType>(typeByte);
        f.size = sizeByte;
        f.length = FieldLength(f.type, sizeByte);
        const int fixed = ExpectedFixedSize(f.type);
        if ((fixed && f.length != fixed) || f.length <= 0 || (IsBlobType(f.type) && f.length < 10) ||
            (f.type == FieldType::Bcd && sizeByte > kMaxBcdDecimals))
            Fail(fileName, "corrupt header: field " + std::to_string(i + 1) + " of type " +
                               std::string(FieldTypeName(f.type)) + " has size " + std::to_string(sizeByte));
        f.offset = offset;
        f.fieldNumber = static_cast<int>(i + 1);
        offset += f.length;
        h.fields.push_back(std::move(f));
    }
    pos += numFields * kFieldInfoSize;
    if (h.IsTable())
        for (std::size_t i = 0; i < h.numKeyFields; ++i)
            if (IsBlobType(h.fields[i].type))
                Fail(fileName, "corrupt header: key field " + std::to_string(i + 1) + " is of type " +
                                   std::string(FieldTypeName(h.fields[i].type)) + ", which cannot be a key");
    const int expected = offset + (h.IsTreeFile() ? static_cast<int>(kIndexEntryTail) : 0);
    if (expected != h.recordSize)
        Fail(fileName, "corrupt header: fields take " + std::to_string(expected) + " bytes, record size is " + std::to_string(h.recordSize));

    pos += kPointerSize;                                   // table-name pointer
    if (!h.IsTreeFile()) pos += numFields * kPointerSize;  // field-name pointers
    const std::size_t nameSize = TableNameSize(h.version);
    cur.Need(pos, nameSize, "table name");
    {
        const char* p = reinterpret_cast<const char*>(data + pos);
        h.tableName.assign(p, strnlen(p, nameSize));
    }
    pos += nameSize;
    if (!h.IsTreeFile()) {
        for (auto& f : h.fields) f.name = cur.CString(pos, "field name");
    }
    if (h.hasExtension) {
        std::size_t numbersPos = ReadU16(data + kFieldNumbersOffset) + kExtensionBase;
        if (numbersPos < pos || numbersPos + numFields * 2 > h.headerSize) numbersPos = pos;  // trust the layout
        cur.Need(numbersPos, numFields * 2, "field numbers");
        for (std::size_t i = 0; i < numFields; ++i) h.fieldNumbers.push_back(ReadU16(data + numbersPos + 2 * i));
        std::size_t sortPos = numbersPos + numFields * 2;
        if (sortPos < h.headerSize) h.sortOrderId = cur.CString(sortPos, "sort order id");
        if (h.fileType == FileType::CompositeIndex || h.fileType == FileType::CompositeIndexMaint) {
            std::size_t namePos = ReadU16(data + kIndexNameOffset) + kExtensionBase;
            if (namePos < sortPos || namePos >= h.headerSize) namePos = sortPos;
            h.indexName = cur.CString(namePos, "index name");
        }
    }
    return h;
}

void PatchHeaderCounters(std::vector<std::uint8_t>& raw, const TableHeader& h) {
    if (raw.size() < kFixedHeaderEnd) throw EngineError("header too short to update");
    raw[kFileType] = static_cast<std::uint8_t>(h.fileType);
    WriteU32(raw.data() + kNumRecords, h.numRecords);
    WriteU16(raw.data() + kBlocksInUse, h.blocksInUse);
    WriteU16(raw.data() + kFileBlocks, h.fileBlocks);
    WriteU16(raw.data() + kFirstBlock, h.firstBlock);
    WriteU16(raw.data() + kLastBlock, h.lastBlock);
    WriteU16(raw.data() + kIndexRoot, h.indexRoot);
    raw[kIndexLevels] = h.indexLevels;
    WriteU16(raw.data() + kNumKeyFields, h.numKeyFields);
    WriteU32(raw.data() + kAutoIncrement, h.autoIncrement);
    WriteU16(raw.data() + kFirstFreeBlock, h.firstFreeBlock);
}

}  // namespace ter5::engine

namespace ter5::engine {
namespace {

using namespace format;

// Observed constant bytes of headers written by the Paradox engine.
constexpr std::size_t kMaxBlocksWord = 0x3A;        // u16, 1 in fresh files
constexpr std::size_t kUnknown3E = 0x3E;            // 0x1F 0x0F in .DB and .X files
constexpr std::uint8_t kUnknown3EValue[2] = {0x1F, 0x0F};
constexpr std::size_t kUnknown56 = 0x56;            // 0x20 in 4.x+ .DB and .X files
constexpr std::uint8_t kUnknown56Value = 0x20;
constexpr std::size_t kUnknown6C = 0x6C;            // 0x01 0x01
constexpr std::size_t kSortOrderIdOffset = 0x6E;    // u16: sort order id − 0x58
constexpr std::uint16_t kVersionWordBase = 0x0100;  // 0x58/0x5A hold 0x0100 | version

}  // namespace

std::vector<std::uint8_t> BuildHeader(TableHeader& h) {
    h.hasExtension = KindHasExtension(h.fileType, h.version);
    const std::size_t n = h.fields.size();
    if (n == 0 || n > kMaxFields) throw EngineError("a table needs 1 to 255 fields");
    const bool tree = h.IsTreeFile();
    const std::size_t nameSize = TableNameSize(h.version);

    std::vector<std::uint8_t> b(kHeaderUnit * 8, 0);
    auto ensure = [&](std::size_t need) {
        if (need > b.size()) b.resize((need / kHeaderUnit + 1) * kHeaderUnit, 0);
    };
    std::size_t pos = h.hasExtension ? kDataHeaderEnd : kFixedHeaderEnd;
    int recordSize = 0;
    for (std::size_t i = 0; i < n; ++i) {
        auto& f = h.fields[i];
        f.offset = recordSize;
        f.length = FieldLength(f.type, f.size);
        recordSize += f.length;
        b[pos + 2 * i] = static_cast<std::uint8_t>(f.type);
        b[pos + 2 * i + 1] = static_cast<std::uint8_t>(f.size);
    }
    if (tree) recordSize += static_cast<int>(kIndexEntryTail);
    h.recordSize = static_cast<std::uint16_t>(recordSize);
    pos += n * kFieldInfoSize + kPointerSize;
    if (!tree) pos += n * kPointerSize;
    std::memcpy(b.data() + pos, h.tableName.data(), std::min(h.tableName.size(), nameSize - 1));
    pos += nameSize;
    if (!tree) {
        for (const auto& f : h.fields) {
            ensure(pos + f.name.size() + 1);
            std::memcpy(b.data() + pos, f.name.data(), f.name.size());
            pos += f.name.size() + 1;
        }
    }
    if (h.hasExtension) {
        ensure(pos + n * 2 + h.sortOrderId.size() + h.indexName.size() + 2);
        WriteU16(b.data() + kFieldNumbersOffset, static_cast<std::uint16_t>(pos - kExtensionBase));
        if (h.fieldNumbers.size() != n) {
            h.fieldNumbers.clear();
            for (std::size_t i = 0; i < n; ++i) h.fieldNumbers.push_back(static_cast<std::uint16_t>(i + 1));
        }
        for (std::size_t i = 0; i < n; ++i) WriteU16(b.data() + pos + 2 * i, h.fieldNumbers[i]);
        pos += n * 2;
        WriteU16(b.data() + kSortOrderIdOffset, static_cast<std::uint16_t>(pos - kExtensionBase));
        std::memcpy(b.data() + pos, h.sortOrderId.data(), h.sortOrderId.size());
        pos += h.sortOrderId.size() + 1;
        if (h.fileType == FileType::CompositeIndex || h.fileType == FileType::CompositeIndexMaint) {
            WriteU16(b.data() + kIndexNameOffset, static_cast<std::uint16_t>(pos - kExtensionBase));
            std::memcpy(b.data() + pos, h.indexName.data(), h.indexName.size());
            pos += h.indexName.size() + 1;
        }
    }
    const std::size_t realSize = pos;
    const std::size_t headerSize =
        h.version <= version::k30 ? realSize : ((realSize + kHeaderUnit - 1) / kHeaderUnit) * kHeaderUnit;
    if (headerSize > 0xFFFF) throw EngineError("table header too large");
    b.resize(headerSize);
    h.headerSize = static_cast<std::uint16_t>(headerSize);

    WriteU16(b.data() + kRecordSize, h.recordSize);
    WriteU16(b.data() + kHeaderSize, h.headerSize);
    b[kBlockSizeKb] = h.blockSizeKb;
    b[kIndexFieldNumber] = h.indexFieldNumber;
    WriteU16(b.data() + kNumFields, static_cast<std::uint16_t>(n));
    b[kSortOrder] = h.sortOrder;
    b[kVersion] = h.version;
    WriteU16(b.data() + kMaxBlocksWord, 1);
    WriteU16(b.data() + kRealHeaderSize, static_cast<std::uint16_t>(realSize));
    b[kRefIntegrityOrIndexFlags] = h.flags;
    if (!tree) {
        b[kUnknown3E] = kUnknown3EValue[0];
        b[kUnknown3E + 1] = kUnknown3EValue[1];
    }
    if (h.hasExtension) {
        WriteU32(b.data() + kEncryption1, kEncryptionSeeExtension);
        b[kUnknown56] = kUnknown56Value;
        WriteU16(b.data() + kVersionWord1, kVersionWordBase | h.version);
        WriteU16(b.data() + kVersionWord2, kVersionWordBase | h.version);
        WriteU16(b.data() + kHighFieldId,
                 static_cast<std::uint16_t>(*std::max_element(h.fieldNumbers.begin(), h.fieldNumbers.end()) + 1));
        WriteU16(b.data() + kCodePage, h.codePage);
        b[kUnknown6C] = 1;
        b[kUnknown6C + 1] = 1;
    }
    PatchHeaderCounters(b, h);
    h.raw = b;
    return b;
}

}  // namespace ter5::engine
