#pragma once
// The order of a table's records by the fields of an index, as the index keeps
// them: each record gets a key of its index fields' raw bytes (alpha fields of a
// case-insensitive index stored as the table's language driver has them, see
// KeyRules; every byte inverted for a descending one), so that comparing keys byte by byte gives the
// index order; equal keys keep record order. The field encodings are built for
// this: numbers, dates and times compare numerically, NULL first.
//
// The order is computed once per load of the table. A master–detail link then
// finds the detail rows of a master key with two binary searches on the leading
// key fields (EqualRange), so moving the master costs O(log n).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "FieldDesc.h"
#include "LanguageDriver.h"
#include "TextCodec.h"
#include "Value.h"

namespace ter5::engine {

class RecordOrder {
public:
    // The key layout: `keyFields` are positions in `fields`; none means record order.
    // `rules` are the table's key rules; `codec` encodes the values EncodePrefix gets.
    RecordOrder(std::vector<FieldDesc> fields, std::vector<int> keyFields, bool caseInsensitive, bool descending,
                KeyRules rules, TextCodec codec);

    // Computes the keys and the order of `count` records; forEach(visit) calls
    // visit(i, bytes) with the raw bytes of every record i.
    template <typename ForEach>
    void Build(std::size_t count, const ForEach& forEach) {
        Reset(count);
        forEach([this](std::size_t i, const std::uint8_t* record) { MakeKey(record, keys_.data() + i * keyLength_); });
        Sort();
    }

    // Adds record number Size() (appended since Build) at its place in the order.
    void Add(const std::uint8_t* record);

    // Record numbers in index order.
    const std::vector<std::uint32_t>& Order() const { return order_; }
    std::size_t Size() const { return order_.size(); }
    std::size_t KeyFieldCount() const { return keyFields_.size(); }

    // The key bytes of the leading `values.size()` key fields holding `values`;
    // nullopt when a value cannot occur in its field. Throws EngineError naming the
    // field for a value of an incompatible kind.
    std::optional<std::string> EncodePrefix(const std::vector<Value>& values) const;

    // The positions [first, last) in Order() of the records whose key starts with `prefix`.
    std::pair<std::size_t, std::size_t> EqualRange(std::string_view prefix) const;

private:
    // Sizes the keys and the order for `count` records.
    void Reset(std::size_t count);
    // Orders the records by their keys.
    void Sort();
    void MakeKey(const std::uint8_t* record, std::uint8_t* out) const;
    void NormaliseAlpha(std::uint8_t* bytes, std::size_t length) const;
    const std::uint8_t* KeyOf(std::uint32_t record) const { return keys_.data() + record * keyLength_; }
    bool Less(std::uint32_t a, std::uint32_t b) const;
    // Orders records whose file order is sorted within `groups` (their first
    // records); false, leaving order_ partly written, when the groups overlap.
    bool OrderGroups(const std::vector<std::uint32_t>& groups);
    // The distinct first 8 key bytes in order and where each begins in order_.
    void BuildDirectory() const;
    // Orders all records by their keys.
    void SortAll();

    // Where a key field lies in the record; compact for the per-record loop.
    struct KeyPart {
        std::uint32_t offset;
        std::uint32_t length;
        bool alpha;
    };

    std::vector<FieldDesc> keyFields_;
    std::vector<KeyPart> parts_;
    bool caseInsensitive_;
    bool descending_;
    KeyRules rules_;
    TextCodec codec_;
    std::size_t keyLength_ = 0;
    std::vector<std::uint8_t> keys_;   // keyLength_ bytes per record, by record number
    std::vector<std::uint32_t> order_;
    mutable std::vector<std::uint64_t> directoryHi_;     // distinct first 8 key bytes, big-endian
    mutable std::vector<std::uint32_t> directoryStart_;  // their first positions in order_, then Size()
    mutable bool directoryStale_ = true;
};

}  // namespace ter5::engine
