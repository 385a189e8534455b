#pragma once
// The header of a Paradox table or index file: parsing with full bounds checks,
// and building new headers. Names are kept as raw code-page bytes; the table
// layer decodes them with the table's text codec.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FieldDesc.h"
#include "Format.h"

namespace ter5::engine {

struct TableHeader {
    std::uint16_t recordSize = 0;
    std::uint16_t headerSize = 0;
    FileType fileType = FileType::UnkeyedDb;
    std::uint8_t blockSizeKb = 0;
    std::uint32_t numRecords = 0;
    std::uint16_t blocksInUse = 0;
    std::uint16_t fileBlocks = 0;
    std::uint16_t firstBlock = 0;
    std::uint16_t lastBlock = 0;
    std::uint8_t indexFieldNumber = 0;
    std::uint16_t indexRoot = 0;
    std::uint8_t indexLevels = 0;
    std::uint16_t numKeyFields = 0;
    std::uint32_t encryption = 0;       // effective value (the 4.x+ marker resolved)
    std::uint8_t sortOrder = 0;
    std::uint8_t version = version::k7;
    std::uint32_t autoIncrement = 0;
    std::uint16_t firstFreeBlock = 0;
    std::uint8_t flags = 0;             // .DB: referential integrity; .X: index flags
    bool hasExtension = false;          // 4.x+ .DB/.X header with code page and field ids
    std::uint16_t codePage = 0;         // 0: none recorded
    std::vector<FieldDesc> fields;      // names as raw code-page bytes
    std::vector<std::uint16_t> fieldNumbers;  // field-number array (4.x+ .DB/.X)
    std::string tableName;              // raw bytes
    std::string sortOrderId;            // language driver id, e.g. "DBWINUS0", "ancyrr"
    std::string indexName;              // .XGn: the index name (raw bytes)
    std::vector<std::uint8_t> raw;      // header bytes as read (headerSize of them)

    // Bytes per data block.
    std::size_t BlockSize() const { return static_cast<std::size_t>(blockSizeKb) * format::kBlockUnit; }
    // True for .DB kinds (keyed or unkeyed).
    bool IsTable() const { return fileType == FileType::KeyedDb || fileType == FileType::UnkeyedDb; }
    // True for .PX, .Ynn and .YGn: B-tree files without field names.
    bool IsTreeFile() const {
        return fileType == FileType::PrimaryIndex || fileType == FileType::SecondaryTree ||
               fileType == FileType::CompositeTree;
    }
    // True for .Xnn and .XGn files.
    bool IsSecondaryIndex() const {
        return fileType == FileType::SecondaryIndex || fileType == FileType::SecondaryIndexMaint ||
               fileType == FileType::CompositeIndex || fileType == FileType::CompositeIndexMaint;
    }
    bool IsEncrypted() const { return encryption != 0; }
};

// Parses a header from the start of a file. `fileName` names the file in errors.
// Throws EngineError for anything inconsistent (sizes, counts, offsets, field types).
TableHeader ParseHeader(const std::uint8_t* data, std::size_t size, const std::string& fileName);

// True when `data` begins with a complete header of a table (.DB, keyed or not) that
// ParseHeader accepts: a quick test of what a file is, without an error.
bool IsTableHeader(const std::uint8_t* data, std::size_t size);

// Builds header bytes for `h` from scratch: fixed part, 4.x+ extension where the
// version and kind call for it, field info, names, field numbers, sort order id
// and index name. Sets h.headerSize (padded to format::kHeaderUnit for 3.5+) and
// returns exactly that many bytes.
std::vector<std::uint8_t> BuildHeader(TableHeader& h);

// Writes the counters that change with the data (records, blocks, first/last/free
// block, auto-increment, index root/levels, key fields, file type) into `raw`,
// keeping every other byte as it was.
void PatchHeaderCounters(std::vector<std::uint8_t>& raw, const TableHeader& h);

// Length of the table-name area for a version.
std::size_t TableNameSize(std::uint8_t version);

}  // namespace ter5::engine
