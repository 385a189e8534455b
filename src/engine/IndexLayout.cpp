#include "IndexLayout.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "ByteIo.h"
#include "EngineError.h"
#include "LanguageDriver.h"

namespace ter5::engine {
namespace {

// Sizes of the fields an X record adds (their types' storage sizes).
constexpr int kShortSize = 2;
constexpr int kLongSize = 4;

FieldDesc MakeField(const char* name, FieldType type, int size) {
    FieldDesc f;
    f.name = name;
    f.type = type;
    f.size = size;
    f.length = size;
    return f;
}

}  // namespace

std::size_t LeadingSize(const std::vector<FieldDesc>& fields, std::size_t count) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < count && i < fields.size(); ++i) n += static_cast<std::size_t>(fields[i].length);
    return n;
}

SecondaryLayout MakeSecondaryLayout(const TableFile& table, const IndexDef& def) {
    SecondaryLayout l;
    l.indexFields = ResolveFields(table, def.fields);
    if (l.indexFields.empty()) Fail(table.Name(), "an index needs at least one field");
    const TableHeader& th = table.Header();
    l.keyedTable = th.fileType == FileType::KeyedDb && th.numKeyFields > 0;
    l.caseInsensitive = def.caseInsensitive;
    l.descending = def.descending;
    l.unique = def.unique;

    for (int i : l.indexFields) {
        const FieldDesc& f = th.fields[static_cast<std::size_t>(i)];
        if (IsBlobType(f.type))
            Fail(table.Name(), "field '" + table.Fields()[static_cast<std::size_t>(i)].name + "' of type " +
                                   std::string(FieldTypeName(f.type)) + " cannot be indexed");
        l.fields.push_back(f);
        const auto number = static_cast<std::uint16_t>(table.Fields()[static_cast<std::size_t>(i)].fieldNumber);
        l.fieldNumbers.push_back(def.descending ? static_cast<std::uint16_t>(number | kDescendingFieldBit) : number);
    }
    if (l.keyedTable) {
        for (std::size_t i = 0; i < th.numKeyFields; ++i) l.fields.push_back(th.fields[i]);
        l.keyFields = l.fields.size();
        l.fields.push_back(MakeField(kBlockNumberField, FieldType::Short, kShortSize));
    } else {
        l.fields.push_back(MakeField(kTupleNumberField, FieldType::Long, kLongSize));
        l.fields.push_back(MakeField(kBlockNumberField, FieldType::Short, kShortSize));
        l.keyFields = l.fields.size();  // Tup No and Blk Num belong to the key
        l.fields.push_back(MakeField(kTupleOffsetField, FieldType::Short, kShortSize));
    }
    // X fields after the index fields are numbered by their own position.
    for (std::size_t i = l.indexFields.size(); i < l.fields.size(); ++i)
        l.fieldNumbers.push_back(static_cast<std::uint16_t>(i + 1));

    int offset = 0;
    for (auto& f : l.fields) {
        f.offset = offset;
        offset += f.length;
    }
    l.recordSize = static_cast<std::size_t>(offset);
    l.keySize = LeadingSize(l.fields, l.keyFields);
    l.indexKeySize = LeadingSize(l.fields, l.indexFields.size());
    const std::size_t blockNumberAt = l.keyedTable ? l.keySize : l.recordSize - kShortSize - kShortSize;
    l.hintRanges.push_back({blockNumberAt, blockNumberAt + kShortSize});
    if (!l.keyedTable) l.hintRanges.push_back({l.recordSize - kShortSize, l.recordSize});
    return l;
}

RecordSource RecordsOf(const TableFile& table) {
    RecordSource source;
    source.count = table.RecordCount();
    source.walk = [&table](const RecordSource::Visitor& visit) {
        std::size_t ordinal = 0;
        for (const auto& block : table.Blocks())
            for (std::size_t pos = 0; pos < block.count; ++pos) visit(table.Record(ordinal++), block.number, pos);
    };
    return source;
}

RecordBuffer MakeSecondaryRecords(const TableFile& table, const SecondaryLayout& layout, std::size_t capacity) {
    return MakeSecondaryRecords(table, layout, RecordsOf(table), capacity);
}

RecordBuffer MakeSecondaryRecords(const TableFile& table, const SecondaryLayout& layout, const RecordSource& records,
                                  std::size_t capacity) {
    const std::size_t n = records.count;
    const std::size_t size = layout.recordSize;
    const TableHeader& th = table.Header();
    RecordBuffer unsorted{size, {}};
    unsorted.bytes.reserve(std::max(capacity, n * size));
    unsorted.bytes.resize(n * size, 0);
    const std::size_t primaryKeySize = LeadingSize(th.fields, th.numKeyFields);
    const KeyRules rules(th);
    std::size_t ordinal = 0;
    records.walk([&](const std::uint8_t* rec, std::uint16_t blockNumber, std::size_t pos) {
        if (ordinal >= n) Fail(table.Name(), "more records than the table counts");
        std::uint8_t* out = unsorted.bytes.data() + ordinal++ * size;
        std::size_t at = 0;
        for (int i : layout.indexFields) {
            const FieldDesc& f = th.fields[static_cast<std::size_t>(i)];
            const auto len = static_cast<std::size_t>(f.length);
            std::memcpy(out + at, rec + f.offset, len);
            if (layout.caseInsensitive && f.type == FieldType::Alpha) rules.CaseInsensitiveKey(out + at, len);
            at += len;
        }
        if (layout.keyedTable) {
            std::memcpy(out + at, rec, primaryKeySize);
            at += primaryKeySize;
            WriteFlippedU16(out + at, blockNumber);
        } else {
            WriteFlippedU32(out + at, static_cast<std::uint32_t>(ordinal));
            WriteFlippedU16(out + at + kLongSize, blockNumber);
            WriteFlippedU16(out + at + kLongSize + kShortSize, static_cast<std::uint16_t>(pos * th.recordSize));
        }
    });
    if (ordinal != n) Fail(table.Name(), "fewer records than the table counts");
    const auto less = [&](std::uint32_t a, std::uint32_t b) { return CompareSecondaryKeys(layout, unsorted.At(a), unsorted.At(b)) < 0; };
    bool inOrder = true;
    for (std::size_t i = 1; i < n && inOrder; ++i) inOrder = !less(static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(i - 1));
    if (!inOrder) {
        std::vector<std::uint32_t> order(n);
        std::iota(order.begin(), order.end(), 0u);
        std::stable_sort(order.begin(), order.end(), less);
        // The records move into their places along the cycles of the permutation, so
        // that the index is not held twice; a record moved is marked by order[j] = j.
        std::vector<std::uint8_t> held(size);
        for (std::size_t i = 0; i < n; ++i) {
            if (order[i] == i) continue;
            std::memcpy(held.data(), unsorted.At(i), size);
            std::size_t j = i;
            for (std::size_t k = order[j]; k != i; j = k, k = order[j]) {
                std::memcpy(unsorted.bytes.data() + j * size, unsorted.At(k), size);
                order[j] = static_cast<std::uint32_t>(j);
            }
            std::memcpy(unsorted.bytes.data() + j * size, held.data(), size);
            order[j] = static_cast<std::uint32_t>(j);
        }
    }
    RecordBuffer sorted = std::move(unsorted);
    if (layout.unique)
        for (std::size_t i = 1; i < n; ++i)
            if (std::memcmp(sorted.At(i - 1), sorted.At(i), layout.indexKeySize) == 0)
                Fail(table.Name(), "Key violation: two records share the key of a unique index (entries " +
                                       std::to_string(i) + " and " + std::to_string(i + 1) + " in index order)");
    return sorted;
}

int CompareSecondaryKeys(const SecondaryLayout& layout, const std::uint8_t* a, const std::uint8_t* b) {
    for (std::size_t i = 0; i < layout.keyFields; ++i) {
        const FieldDesc& f = layout.fields[i];
        const int c = std::memcmp(a + f.offset, b + f.offset, static_cast<std::size_t>(f.length));
        if (c != 0) return (layout.descending && i < layout.indexFields.size()) ? -c : c;
    }
    return 0;
}

bool SameIgnoringHints(const SecondaryLayout& layout, const std::uint8_t* a, const std::uint8_t* b) {
    std::size_t at = 0;
    for (const auto& [first, last] : layout.hintRanges) {
        if (std::memcmp(a + at, b + at, first - at) != 0) return false;
        at = last;
    }
    return std::memcmp(a + at, b + at, layout.recordSize - at) == 0;
}

namespace {

// The records of `buffer` as comparable strings: hints zeroed, case-insensitive
// alpha index fields loosely upper-cased; sorted.
std::vector<std::string> Normalised(const SecondaryLayout& layout, const KeyRules& rules, const RecordBuffer& buffer) {
    std::vector<std::string> out;
    out.reserve(buffer.Count());
    for (std::size_t i = 0; i < buffer.Count(); ++i) {
        std::string r(reinterpret_cast<const char*>(buffer.At(i)), layout.recordSize);
        auto* p = reinterpret_cast<std::uint8_t*>(r.data());
        for (const auto& [first, last] : layout.hintRanges) std::memset(p + first, 0, last - first);
        for (std::size_t k = 0; layout.caseInsensitive && k < layout.indexFields.size(); ++k)
            if (layout.fields[k].type == FieldType::Alpha)
                rules.LooseCaseKey(p + layout.fields[k].offset, static_cast<std::size_t>(layout.fields[k].length));
        out.push_back(std::move(r));
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

bool SameRecordSet(const SecondaryLayout& layout, const KeyRules& rules, const RecordBuffer& a, const RecordBuffer& b) {
    if (a.recordSize != layout.recordSize || b.recordSize != layout.recordSize || a.Count() != b.Count()) return false;
    return Normalised(layout, rules, a) == Normalised(layout, rules, b);
}

std::vector<TreeEntry> LeafEntries(const TableFile& file, std::size_t keySize) {
    std::vector<TreeEntry> entries;
    for (const auto& block : file.Blocks()) {
        if (block.count == 0) continue;
        const std::uint8_t* first = file.Record(block.firstRecord);
        entries.push_back({std::string(reinterpret_cast<const char*>(first), keySize), block.number, block.count});
    }
    return entries;
}

}  // namespace ter5::engine
