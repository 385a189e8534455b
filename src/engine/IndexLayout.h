#pragma once
// What the records of index files hold for a table, independent of how the files
// are laid out in blocks: the X record of a secondary index, the key order, and the
// entries of the B-tree levels (.PX, .Y) over a file's data blocks.
//
// X record on a keyed table:   index fields, the whole primary key, Blk Num (S).
// X record on an unkeyed table: index fields, Tup No (I, 1-based record ordinal),
//                               Blk Num (S), Tup Offset (S, position × record size).
// Case-insensitive indexes store their alpha index fields as the table's language
// driver has it (KeyRules: upper-cased or unchanged). Records sort by the X key
// fields as raw bytes; the index fields of a descending index sort in reverse.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "FieldDesc.h"
#include "IndexCatalog.h"
#include "TableFile.h"

namespace ter5::engine {

// Names of the fields an X record adds after the index fields.
inline constexpr char kBlockNumberField[] = "Blk Num";
inline constexpr char kTupleNumberField[] = "Tup No";
inline constexpr char kTupleOffsetField[] = "Tup Offset";

// Offsets of the three sign-flipped shorts that follow the key in a B-tree entry.
inline constexpr std::size_t kEntryChild = 0;     // block number below
inline constexpr std::size_t kEntryCount = 2;     // records under it
inline constexpr std::size_t kEntryReserved = 4;  // always 0 in real files

// The X record layout of a secondary index on a table.
struct SecondaryLayout {
    std::vector<int> indexFields;             // positions in the table's fields
    std::vector<FieldDesc> fields;            // X fields; names as raw code-page bytes
    std::vector<std::uint16_t> fieldNumbers;  // the X header's field-number array
    std::size_t keyFields = 0;                // leading X fields that form its key
    std::size_t keySize = 0;                  // bytes of those fields
    std::size_t recordSize = 0;
    bool keyedTable = false;
    bool caseInsensitive = false;
    bool descending = false;
    bool unique = false;
    std::size_t indexKeySize = 0;             // bytes of the index fields alone
    // Byte ranges [first, second) of an X record that are hints (Blk Num, Tup Offset):
    // they name where the table record lies and may be stale in real files.
    std::vector<std::pair<std::size_t, std::size_t>> hintRanges;
};

// Raw records of equal size in one buffer.
struct RecordBuffer {
    std::size_t recordSize = 0;
    std::vector<std::uint8_t> bytes;

    std::size_t Count() const { return recordSize ? bytes.size() / recordSize : 0; }
    const std::uint8_t* At(std::size_t i) const { return bytes.data() + i * recordSize; }
};

// One entry of a B-tree level: the key of the first record of a block below,
// that block's number, and the records under it.
struct TreeEntry {
    std::string key;
    std::uint16_t child = 0;
    std::uint32_t count = 0;
};

// The X layout for `def` on `table`. Throws EngineError naming the table for
// unknown fields, a blob field in the index, or an X record too large for a block.
SecondaryLayout MakeSecondaryLayout(const TableFile& table, const IndexDef& def);

// The records of a table in chain order, as its indexes are built from them:
// walk calls its visitor with each record's bytes, its block number and its
// place in that block.
struct RecordSource {
    using Visitor = std::function<void(const std::uint8_t* record, std::uint16_t block, std::size_t place)>;
    std::size_t count = 0;
    std::function<void(const Visitor&)> walk;
};

// The records of the loaded `table` (which must outlive the source).
RecordSource RecordsOf(const TableFile& table);

// The X records `table` calls for, in index order, with true hints. Throws
// EngineError ("Key violation") when the layout is unique and two records share
// the index fields' key. The buffer's bytes reserve at least `capacity` bytes, so
// that a caller can grow them into the X file's image without a second copy.
RecordBuffer MakeSecondaryRecords(const TableFile& table, const SecondaryLayout& layout, std::size_t capacity = 0);
// The same for `records`, those of a table whose header `table` holds (the records
// `table` itself holds, if any, are not read).
RecordBuffer MakeSecondaryRecords(const TableFile& table, const SecondaryLayout& layout, const RecordSource& records,
                                  std::size_t capacity = 0);

// Orders two X records by the layout's key fields: <0, 0 or >0.
int CompareSecondaryKeys(const SecondaryLayout& layout, const std::uint8_t* a, const std::uint8_t* b);

// True when two X records agree outside the hint ranges.
bool SameIgnoringHints(const SecondaryLayout& layout, const std::uint8_t* a, const std::uint8_t* b);

class KeyRules;
// True when `a` and `b` hold the same X records in any order: equal outside the
// hint ranges, the alpha index fields of a case-insensitive index compared in
// their loose upper-case form (KeyRules::LooseCaseKey), so that an index whose
// writer stored or ordered its keys by rules of its own still matches its table.
bool SameRecordSet(const SecondaryLayout& layout, const KeyRules& rules, const RecordBuffer& a, const RecordBuffer& b);

// The leaf entries of a B-tree over `file` (a .DB or an X file), one per non-empty
// data block in chain order: the leading `keySize` bytes of its first record, the
// block number and its record count.
std::vector<TreeEntry> LeafEntries(const TableFile& file, std::size_t keySize);

// The size in bytes of the leading `count` fields of `fields`.
std::size_t LeadingSize(const std::vector<FieldDesc>& fields, std::size_t count);

}  // namespace ter5::engine
