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

std::string UpperAscii(std::string s) {
    for (auto& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

}  // namespace

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
    std::set<std::string> names;
    std::size_t recordSize = 0;
    for (const auto& def : fields) {
        if (def.name.empty()) Fail(fileName, "a field has no name");
        if (def.name.size() > kMaxFieldName * 2 || codec.Encode(def.name).size() > kMaxFieldName)
            Fail(fileName, "field name '" + def.name + "' is longer than 25 characters");
        if (!names.insert(UpperAscii(def.name)).second) Fail(fileName, "field '" + def.name + "' is defined twice");
        FieldDesc f;
        f.name = codec.Encode(def.name);
        f.type = def.type;
        int length = 0;
        try {
            length = FieldStorageSize(def.type, def.size);
        } catch (const EngineError& e) {
            Fail(fileName, "field '" + def.name + "': " + e.what());
        }
        if (def.type == FieldType::Bcd) {
            if (def.size < 0 || def.size > 32) Fail(fileName, "field '" + def.name + "': BCD decimals must be 0..32");
            f.size = def.size;
        } else {
            f.size = length;
        }
        recordSize += length;
        h.fields.push_back(std::move(f));
    }
    if (recordSize + format::kBlockHeaderSize > h.BlockSize())
        Fail(fileName, "records of " + std::to_string(recordSize) + " bytes do not fit a " +
                           std::to_string(format.blockSizeKb) + " KB block");
    BuildHeader(h);
    return h;
}

std::vector<std::uint8_t> BuildTableImage(TableHeader& header, const std::vector<std::string>& records) {
    const std::size_t blockSize = header.BlockSize();
    const std::size_t recordSize = header.recordSize;
    const std::size_t perBlock = (blockSize - format::kBlockHeaderSize) / recordSize;
    const std::size_t blocks = (records.size() + perBlock - 1) / perBlock;
    if (blocks > kMaxBlocks)
        throw EngineError("table full: " + std::to_string(records.size()) + " records need more than 65535 blocks of " +
                          std::to_string(header.blockSizeKb) + " KB");
    header.numRecords = static_cast<std::uint32_t>(records.size());
    header.fileBlocks = header.blocksInUse = static_cast<std::uint16_t>(blocks);
    header.firstBlock = blocks ? 1 : 0;
    header.lastBlock = static_cast<std::uint16_t>(blocks);
    header.firstFreeBlock = 0;
    if (header.raw.size() != header.headerSize) header.raw = BuildHeader(header);
    PatchHeaderCounters(header.raw, header);

    std::vector<std::uint8_t> image(header.headerSize + blocks * blockSize, 0);
    std::memcpy(image.data(), header.raw.data(), header.headerSize);
    for (std::size_t b = 0; b < blocks; ++b) {
        std::uint8_t* block = image.data() + header.headerSize + b * blockSize;
        const std::size_t first = b * perBlock;
        const std::size_t count = std::min(perBlock, records.size() - first);
        WriteU16(block + format::kBlockNext, b + 1 < blocks ? static_cast<std::uint16_t>(b + 2) : 0);
        WriteU16(block + format::kBlockPrev, static_cast<std::uint16_t>(b));
        WriteU16(block + format::kBlockAddDataSize, static_cast<std::uint16_t>((count - 1) * recordSize));
        std::uint8_t* out = block + format::kBlockHeaderSize;
        for (std::size_t i = 0; i < count; ++i) {
            const std::string& r = records[first + i];
            if (r.size() != recordSize) throw EngineError("record of " + std::to_string(r.size()) + " bytes, table needs " + std::to_string(recordSize));
            std::memcpy(out + i * recordSize, r.data(), recordSize);
        }
    }
    return image;
}

}  // namespace ter5::engine
