#pragma once
// The structure of a table to repair: its own header when that can be read;
// otherwise the field definitions of a source the user names (another table of the
// same structure, or the field rows of a table template), checked against the key
// and index fields the table's readable index files hold. Where only the field
// list of the damaged header is broken, the rest of its bytes (driver, code page,
// block size, version) are kept and the field list alone is written anew.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "IndexCatalog.h"
#include "Salvage.h"
#include "TableHeader.h"
#include "TableWriter.h"

namespace ter5::engine {

// Where the structure of a table whose header cannot be read comes from.
struct StructureSource {
    std::string description;            // for the report: "template group 'TER v.5'", "table …"
    std::filesystem::path table;        // a table of the same structure; empty: `fields` below
    std::vector<FieldDef> fields;       // a table template's field rows, in order
    std::vector<IndexDef> indexes;      // its index rows (a primary index makes the table keyed)

    bool Empty() const { return table.empty() && fields.empty(); }
};

// The structure salvage reads the table by and the repaired table gets.
struct RepairStructure {
    TableHeader header;                 // header of the repaired table (raw bytes built), counters still the old ones
    BlockLayout layout;                 // where the blocks of the damaged file lie
    std::string from;                   // what it was taken from, for the report
    bool own = false;                   // the table's own header, as it was
    std::vector<IndexDef> sourceIndexes;  // the indexes the source describes
};

// The error of a table that cannot be repaired: nothing of it is changed.
class NotRepairable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Works out the structure of the table `path` whose file is `image`. Throws
// NotRepairable when the header cannot be read and `source` is null or empty, when
// the source does not fit the table's index files, or for a file that is no table.
// A password-protected table keeps its protection word in the header (the damaged
// header's own, where only its field list is written anew).
RepairStructure ResolveStructure(const std::filesystem::path& path, const std::vector<std::uint8_t>& image,
                                 const StructureSource* source, int codePage);

}  // namespace ter5::engine
