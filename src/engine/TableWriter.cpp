#include "TableWriter.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "ByteIo.h"
#include "EngineError.h"
#include "FileUtil.h"
#include "TextCodec.h"

namespace ter5::engine {
namespace {

// Block numbers are 16-bit.
constexpr std::size_t kMaxBlocks = 0xFFFF;
// Field names are limited to 25 characters by the Paradox engine.
constexpr std::size_t kMaxFieldName = 25;
// The header's field count is a 16-bit value, but the table engine allows 255 fields.
constexpr std::size_t kMaxFields = 255;
// A BCD field has 32 digits; its size byte gives how many are decimals.
constexpr int kMaxBcdDecimals = 32;

}  // namespace

int CheckFieldDef(const std::string& tableName, const FieldDef& def, int codePage) {
    if (def.name.empty()) Fail(tableName, "a field has no name");
    std::string encoded;
    try {
        encoded = TextCodec(codePage).Encode(def.name);
    } catch (const EngineError& e) {
        Fail(tableName, "field name '" + def.name + "': " + e.what());
    }
    if (encoded.size() > kMaxFieldName)
        Fail(tableName, "field name '" + def.name + "' is longer than " + std::to_string(kMaxFieldName) + " characters");
    if (def.type == FieldType::Bcd && (def.size < 0 || def.size > kMaxBcdDecimals))
        Fail(tableName, "field '" + def.name + "': BCD decimals " + std::to_string(def.size) + " out of range 0.." +
                            std::to_string(kMaxBcdDecimals));
    try {
        return FieldStorageSize(def.type, def.size);
    } catch (const EngineError& e) {
        Fail(tableName, "field '" + def.name + "': " + e.what());
    }
}

TableHeader MakeTableHeader(const std::string& fileName, const std::vector<FieldDef>& fields, int numKeyFields,
                            const TableFormat& format) {
    if (fields.empty()) Fail(fileName, "a table needs at least one field");
    if (numKeyFields < 0 || numKeyFields > static_cast<int>(fields.size()))
        Fail(fileName, "key of " + std::to_string(numKeyFields) + " fields does not fit the field list");
    const TextCodec codec(format.codePage);
    TableHeader h;
    h.version = format.version;
    h.blockSizeKb = format.blockSizeKb;
    h.codePage = static_cast<std::uint16_t>(format.codePage);
    h.sortOrderId = format.sortOrderId;
    h.sortOrder = format.sortOrder;
    h.fileType = numKeyFields > 0 ? FileType::KeyedDb : FileType::UnkeyedDb;
    h.numKeyFields = static_cast<std::uint16_t>(numKeyFields);
    h.tableName = codec.Encode(fileName);
    if (fields.size() > kMaxFields)
        Fail(fileName, std::to_string(fields.size()) + " fields: a table has at most " + std::to_string(kMaxFields));
    std::set<std::string> names;
    std::size_t recordSize = 0;
    for (const auto& def : fields) {
        const int length = CheckFieldDef(fileName, def, format.codePage);
        std::string folded = codec.Encode(def.name);
        codec.UpperInPlace(folded);  // "Код" and "КОД" are one name, as for the table engine
        if (!names.insert(folded).second) Fail(fileName, "field '" + def.name + "' is defined twice (ignoring case)");
        FieldDesc f;
        f.name = codec.Encode(def.name);
        f.type = def.type;
        f.size = def.type == FieldType::Bcd ? def.size : length;
        recordSize += static_cast<std::size_t>(length);
        h.fields.push_back(std::move(f));
    }
    if (recordSize + format::kBlockHeaderSize > h.BlockSize())
        Fail(fileName, "records of " + std::to_string(recordSize) + " bytes do not fit a " +
                           std::to_string(format.blockSizeKb) + " KB block");
    BuildHeader(h);
    return h;
}

std::vector<std::uint8_t> BuildTableImage(TableHeader& header, const std::vector<std::string>& records) {
    for (const std::string& r : records)
        if (r.size() != header.recordSize)
            throw EngineError("record of " + std::to_string(r.size()) + " bytes, table needs " + std::to_string(header.recordSize));
    return BuildTableImage(header, records.size(), [&records](std::size_t i) {
        return reinterpret_cast<const std::uint8_t*>(records[i].data());
    });
}

std::vector<std::uint8_t> BuildTableImage(TableHeader& header, std::size_t count,
                                          const std::function<const std::uint8_t*(std::size_t)>& record) {
    std::vector<std::uint8_t> image;
    BuildTableImageInPlace(header, image, count, record);
    return image;
}

void BuildTableImageInPlace(TableHeader& header, std::vector<std::uint8_t>& image, std::size_t count,
                            const std::function<const std::uint8_t*(std::size_t)>& record) {
    const std::size_t blockSize = header.BlockSize();
    const std::size_t recordSize = header.recordSize;
    const std::size_t perBlock = (blockSize - format::kBlockHeaderSize) / recordSize;
    const std::size_t blocks = (count + perBlock - 1) / perBlock;
    if (blocks > kMaxBlocks)
        throw EngineError("table full: " + std::to_string(count) + " records need more than 65535 blocks of " +
                          std::to_string(header.blockSizeKb) + " KB");
    header.numRecords = static_cast<std::uint32_t>(count);
    header.fileBlocks = header.blocksInUse = static_cast<std::uint16_t>(blocks);
    header.firstBlock = blocks ? 1 : 0;
    header.lastBlock = static_cast<std::uint16_t>(blocks);
    header.firstFreeBlock = 0;
    if (header.raw.size() != header.headerSize) header.raw = BuildHeader(header);
    PatchHeaderCounters(header.raw, header);

    const std::size_t size = header.headerSize + blocks * blockSize;
    image.resize(std::max(image.size(), size), 0);
    for (std::size_t b = 0; b < blocks; ++b) {
        std::uint8_t* block = image.data() + header.headerSize + b * blockSize;
        const std::size_t first = b * perBlock;
        const std::size_t n = std::min(perBlock, count - first);
        std::uint8_t* out = block + format::kBlockHeaderSize;
        for (std::size_t i = 0; i < n; ++i) std::memmove(out + i * recordSize, record(first + i), recordSize);
        // The block header and the slots after the last record are written once the
        // records of the block have left them.
        WriteU16(block + format::kBlockNext, b + 1 < blocks ? static_cast<std::uint16_t>(b + 2) : 0);
        WriteU16(block + format::kBlockPrev, static_cast<std::uint16_t>(b));
        WriteU16(block + format::kBlockAddDataSize, static_cast<std::uint16_t>((n - 1) * recordSize));
        std::memset(out + n * recordSize, 0, blockSize - format::kBlockHeaderSize - n * recordSize);
    }
    image.resize(size);
    std::memcpy(image.data(), header.raw.data(), header.headerSize);
}

}  // namespace ter5::engine
