#pragma once
// Writing whole table files: headers for new tables and the packing of records
// into data blocks. Every file is written to a temporary name and renamed over
// the original, so a failure leaves the old file as it was.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "FieldType.h"
#include "Format.h"
#include "TableHeader.h"

namespace ter5::engine {

// A field of a table to create. `size` is the template width: characters for A,
// bytes for Y, decimals for #, the leader for M B G O F; ignored for other types.
struct FieldDef {
    std::string name;  // UTF-8
    FieldType type = FieldType::Alpha;
    int size = 0;
    bool required = false;
};

// File format of new tables: 7.x with the Pdox ANSI Cyrillic driver unless told otherwise.
struct TableFormat {
    std::uint8_t version = version::k7;
    std::uint8_t blockSizeKb = 4;
    int codePage = 1251;
    std::string sortOrderId = "ancyrr";  // Pdox ANSI Cyrillic
    std::uint8_t sortOrder = 0x8F;        // sort byte of that driver in real tables
};

// Checks one field definition against what the table engine accepts: a name of 1
// to 25 characters in the code page, an alpha or bytes size of 1 to 255, a blob
// leader of 1 to 240, BCD decimals 0 to 32. Returns the bytes the field takes in a
// record. Throws EngineError naming `tableName` and the field.
int CheckFieldDef(const std::string& tableName, const FieldDef& def, int codePage = 1251);

// The header of a new empty table named `fileName` ("POLIGON.DB"). Names are
// encoded in the format's code page. Throws EngineError for bad definitions
// (CheckFieldDef, names equal ignoring case, more than 255 fields, a record too
// large for a block).
TableHeader MakeTableHeader(const std::string& fileName, const std::vector<FieldDef>& fields, int numKeyFields,
                            const TableFormat& format = {});

// The complete .DB image for `records` (each header.recordSize bytes) packed into
// full blocks in the given order; updates the header's counters to match.
// Throws EngineError when the records need more blocks than a table can address.
std::vector<std::uint8_t> BuildTableImage(TableHeader& header, const std::vector<std::string>& records);

// The same for `count` records that `record(i)` gives, each header.recordSize
// bytes (records kept elsewhere, such as in the image they were salvaged from).
std::vector<std::uint8_t> BuildTableImage(TableHeader& header, std::size_t count,
                                          const std::function<const std::uint8_t*(std::size_t)>& record);

// The same, built in `image` itself, which may be the one the records lie in: a
// record may be read from the image as long as it lies at or after the place it
// is packed to and no record read later lies before it (records taken in the
// order of their offsets, from an image whose header is as long and whose blocks
// are as large). `image` ends up exactly as long as the table.
void BuildTableImageInPlace(TableHeader& header, std::vector<std::uint8_t>& image, std::size_t count,
                            const std::function<const std::uint8_t*(std::size_t)>& record);

// Raw key bytes of a record: its leading key fields.
inline std::size_t KeyLength(const TableHeader& header) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < header.numKeyFields && i < header.fields.size(); ++i) n += header.fields[i].length;
    return n;
}

}  // namespace ter5::engine
