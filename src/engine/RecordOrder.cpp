#include "RecordOrder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <numeric>
#include <utility>

#include "EngineError.h"
#include "FieldCodec.h"
#include "FreshMemory.h"
#include "ValueConversion.h"

namespace ter5::engine {
namespace {

// Key bytes held in a sort entry as two 64-bit numbers; the rest is compared in place.
constexpr std::size_t kWordBytes = 8;
constexpr std::size_t kEntryBytes = 2 * kWordBytes;
// Below this many entries a comparison sort beats the radix sort's bucket passes.
constexpr std::size_t kRadixThreshold = 4096;
// Records in sorted runs must average this many for merging the runs to be tried.
constexpr std::size_t kLongRun = 8;
constexpr int kDigitBits = 16;
constexpr std::size_t kBuckets = std::size_t{1} << kDigitBits;
constexpr int kDigitsPerWord = 64 / kDigitBits;

struct SortEntry {
    std::uint64_t hi;  // key bytes 0-7, big-endian
    std::uint64_t lo;  // key bytes 8-15
    std::uint32_t record;
};

// The key bytes [from, from + 8) of a key of `length` bytes as a big-endian
// number, zero padded past the key's end.
std::uint64_t Word(const std::uint8_t* key, std::size_t length, std::size_t from) {
    std::uint64_t v = 0;
    if (from + kWordBytes <= length) {
        std::memcpy(&v, key + from, kWordBytes);
        if constexpr (std::endian::native == std::endian::little) {
#if defined(__GNUC__) || defined(__clang__)
            v = __builtin_bswap64(v);
#else
            std::uint64_t r = 0;
            for (std::size_t i = 0; i < kWordBytes; ++i, v >>= 8) r = (r << 8) | (v & 0xFF);
            v = r;
#endif
        }
        return v;
    }
    for (std::size_t i = from; i < from + kWordBytes; ++i) v = (v << 8) | (i < length ? key[i] : 0);
    return v;
}

// Sorts by (hi, lo) keeping the order of equal entries: a least-significant-digit
// radix sort that skips the digits every entry shares.
void RadixSort(std::vector<SortEntry>& entries) {
    const std::size_t n = entries.size();
    const auto less = [](const SortEntry& a, const SortEntry& b) { return a.hi != b.hi ? a.hi < b.hi : a.lo < b.lo; };
    if (n < kRadixThreshold) {
        std::stable_sort(entries.begin(), entries.end(), less);
        return;
    }
    constexpr int kDigits = 2 * kDigitsPerWord;  // digit d < 4 is in lo, the rest in hi
    const auto digit = [](const SortEntry& e, int d) {
        const std::uint64_t word = d < kDigitsPerWord ? e.lo : e.hi;
        return static_cast<std::size_t>((word >> ((d % kDigitsPerWord) * kDigitBits)) & (kBuckets - 1));
    };
    std::vector<std::uint32_t> counts(kDigits * kBuckets, 0);
    for (const SortEntry& e : entries)
        for (int d = 0; d < kDigits; ++d) ++counts[d * kBuckets + digit(e, d)];
    std::vector<SortEntry> buffer(n);
    for (int d = 0; d < kDigits; ++d) {
        std::uint32_t* c = counts.data() + d * kBuckets;
        if (c[digit(entries[0], d)] == n) continue;  // one value: order unchanged
        std::uint32_t sum = 0;
        for (std::size_t b = 0; b < kBuckets; ++b) sum += std::exchange(c[b], sum);
        for (const SortEntry& e : entries) buffer[c[digit(e, d)]++] = e;
        entries.swap(buffer);
    }
}

}  // namespace

RecordOrder::RecordOrder(std::vector<FieldDesc> fields, std::vector<int> keyFields, bool caseInsensitive,
                         bool descending, KeyRules rules, TextCodec codec)
    : caseInsensitive_(caseInsensitive), descending_(descending), rules_(std::move(rules)), codec_(std::move(codec)) {
    for (int k : keyFields) {
        const FieldDesc& f = fields.at(static_cast<std::size_t>(k));
        if (IsBlobType(f.type)) Fail("", "field '" + f.name + "' is a blob field and cannot be an index field");
        keyFields_.push_back(f);
        parts_.push_back({static_cast<std::uint32_t>(f.offset), static_cast<std::uint32_t>(f.length),
                          f.type == FieldType::Alpha});
        keyLength_ += static_cast<std::size_t>(f.length);
    }
}

void RecordOrder::NormaliseAlpha(std::uint8_t* bytes, std::size_t length) const {
    // Bytes after the terminating NUL are not part of the value, whatever they hold.
    auto* end = static_cast<std::uint8_t*>(std::memchr(bytes, 0, length));
    const std::size_t size = end ? static_cast<std::size_t>(end - bytes) : length;
    std::memset(bytes + size, 0, length - size);
    if (caseInsensitive_) rules_.CaseInsensitiveKey(bytes, size);
}

void RecordOrder::MakeKey(const std::uint8_t* record, std::uint8_t* out) const {
    std::uint8_t* p = out;
    for (const KeyPart& part : parts_) {
        const std::uint8_t* from = record + part.offset;
        switch (part.length) {  // fixed sizes copy without a library call
            case 2: std::memcpy(p, from, 2); break;
            case 4: std::memcpy(p, from, 4); break;
            case kWordBytes: std::memcpy(p, from, kWordBytes); break;
            default: std::memcpy(p, from, part.length); break;
        }
        if (part.alpha) NormaliseAlpha(p, part.length);
        p += part.length;
    }
    if (descending_)
        for (std::uint8_t* q = out; q != p; ++q) *q = static_cast<std::uint8_t>(~*q);
}

bool RecordOrder::Less(std::uint32_t a, std::uint32_t b) const {
    if (keyLength_ == 0) return a < b;  // record order
    const int c = std::memcmp(KeyOf(a), KeyOf(b), keyLength_);
    return c != 0 ? c < 0 : a < b;
}

void RecordOrder::Reset(std::size_t count) {
    ResizeFresh(order_, count);
    std::iota(order_.begin(), order_.end(), std::uint32_t{0});
    ResizeFresh(keys_, count * keyLength_);
    directoryStale_ = true;
}

void RecordOrder::Sort() {
    const std::size_t count = order_.size();
    if (keyLength_ == 0 || count == 0) return;

    // Tables are often stored in the order of their index already (keyed tables
    // always are by their key), or in groups that are: the vertices of a parcel,
    // appended together. Groups are sorted runs sharing their first 8 key bytes;
    // when they do not overlap, ordering the groups is all it takes.
    // Keys of up to 16 bytes compare as two numbers.
    const bool shortKey = keyLength_ <= kEntryBytes;
    std::vector<std::uint32_t> groups{0};
    bool sorted = true;
    std::uint64_t previousHi = Word(KeyOf(0), keyLength_, 0);
    std::uint64_t previousLo = Word(KeyOf(0), keyLength_, kWordBytes);
    for (std::size_t i = 1; i < count; ++i) {
        const auto r = static_cast<std::uint32_t>(i);
        const std::uint64_t hi = Word(KeyOf(r), keyLength_, 0);
        const std::uint64_t lo = Word(KeyOf(r), keyLength_, kWordBytes);
        if (hi != previousHi) {
            groups.push_back(r);
            sorted = sorted && hi > previousHi;
        } else if (shortKey ? lo < previousLo
                            : std::memcmp(KeyOf(r - 1) + kWordBytes, KeyOf(r) + kWordBytes, keyLength_ - kWordBytes) > 0) {
            groups.push_back(r);
            sorted = false;
        }
        previousHi = hi;
        previousLo = lo;
    }
    if (sorted) return;
    if (groups.size() <= count / kLongRun && OrderGroups(groups)) return;
    SortAll();
}

bool RecordOrder::OrderGroups(const std::vector<std::uint32_t>& groups) {
    struct Span {
        std::uint64_t hi, lo;  // the first record's key as numbers
        std::uint32_t first, end;
    };
    const auto count = static_cast<std::uint32_t>(order_.size());
    std::vector<Span> spans;
    spans.reserve(groups.size());
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const std::uint8_t* key = KeyOf(groups[g]);
        spans.push_back({Word(key, keyLength_, 0), Word(key, keyLength_, kWordBytes), groups[g],
                         g + 1 < groups.size() ? groups[g + 1] : count});
    }
    std::sort(spans.begin(), spans.end(), [this](const Span& a, const Span& b) {
        if (a.hi != b.hi) return a.hi < b.hi;
        if (a.lo != b.lo) return a.lo < b.lo;
        return Less(a.first, b.first);
    });
    // The groups concatenated are in order when each ends before the next begins.
    for (std::size_t g = 1; g < spans.size(); ++g)
        if (!Less(spans[g - 1].end - 1, spans[g].first)) return false;
    // The groups give the directory of leading key bytes as well.
    directoryHi_.clear();
    directoryStart_.clear();
    std::size_t at = 0;
    for (const Span& span : spans) {
        if (directoryHi_.empty() || span.hi != directoryHi_.back()) {
            directoryHi_.push_back(span.hi);
            directoryStart_.push_back(static_cast<std::uint32_t>(at));
        }
        for (std::uint32_t i = span.first; i < span.end; ++i) order_[at++] = i;
    }
    directoryStart_.push_back(count);
    directoryStale_ = false;
    return true;
}

void RecordOrder::SortAll() {
    // Sort compact entries by their first 16 key bytes as numbers (a radix sort,
    // stable, so equal keys keep record order), then runs of equal first bytes by
    // the rest of the key.
    const std::size_t count = order_.size();
    std::vector<SortEntry> entries(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* key = KeyOf(static_cast<std::uint32_t>(i));
        entries[i] = {Word(key, keyLength_, 0), Word(key, keyLength_, kWordBytes), static_cast<std::uint32_t>(i)};
    }
    RadixSort(entries);
    if (keyLength_ > kEntryBytes) {
        const std::size_t rest = keyLength_ - kEntryBytes;
        const auto byRest = [this, rest](const SortEntry& a, const SortEntry& b) {
            const int c = std::memcmp(KeyOf(a.record) + kEntryBytes, KeyOf(b.record) + kEntryBytes, rest);
            return c != 0 ? c < 0 : a.record < b.record;
        };
        for (std::size_t first = 0; first < count;) {
            std::size_t last = first + 1;
            while (last < count && entries[last].hi == entries[first].hi && entries[last].lo == entries[first].lo) ++last;
            if (last - first > 1) std::sort(entries.begin() + first, entries.begin() + last, byRest);
            first = last;
        }
    }
    for (std::size_t i = 0; i < count; ++i) order_[i] = entries[i].record;
}

void RecordOrder::Add(const std::uint8_t* record) {
    const auto number = static_cast<std::uint32_t>(order_.size());
    keys_.resize(keys_.size() + keyLength_);
    MakeKey(record, keys_.data() + static_cast<std::size_t>(number) * keyLength_);
    // The new record has the highest number, so it goes after every equal key.
    const auto at = std::upper_bound(order_.begin(), order_.end(), number,
                                     [this](std::uint32_t a, std::uint32_t b) { return Less(a, b); });
    order_.insert(at, number);
    directoryStale_ = true;
}

std::optional<std::string> RecordOrder::EncodePrefix(const std::vector<Value>& values) const {
    if (values.size() > keyFields_.size())
        Fail("", std::to_string(values.size()) + " key values given for an index of " +
                     std::to_string(keyFields_.size()) + " fields");
    std::string prefix;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const FieldDesc& f = keyFields_[i];
        const std::optional<Value> v = CoerceForCompare(f, values[i]);
        if (!v) return std::nullopt;
        std::string bytes(static_cast<std::size_t>(f.length), '\0');
        auto* p = reinterpret_cast<std::uint8_t*>(bytes.data());
        try {
            EncodeField(f, *v, p, codec_);
        } catch (const EngineError&) {
            return std::nullopt;  // too long or out of the field's range: no stored value equals it
        }
        if (f.type == FieldType::Alpha) NormaliseAlpha(p, bytes.size());
        if (descending_)
            for (char& c : bytes) c = static_cast<char>(~c);
        prefix += bytes;
    }
    return prefix;
}

void RecordOrder::BuildDirectory() const {
    directoryHi_.clear();
    directoryStart_.clear();
    for (std::size_t i = 0; i < order_.size(); ++i) {
        const std::uint64_t hi = Word(KeyOf(order_[i]), keyLength_, 0);
        if (i > 0 && hi == directoryHi_.back()) continue;
        directoryHi_.push_back(hi);
        directoryStart_.push_back(static_cast<std::uint32_t>(i));
    }
    directoryStart_.push_back(static_cast<std::uint32_t>(order_.size()));
    directoryStale_ = false;
}

std::pair<std::size_t, std::size_t> RecordOrder::EqualRange(std::string_view prefix) const {
    if (directoryStale_) BuildDirectory();
    const std::size_t n = std::min(prefix.size(), keyLength_);
    const auto* p = reinterpret_cast<const std::uint8_t*>(prefix.data());
    // First by the leading 8 bytes in the directory of their distinct values (small
    // enough to stay in cache), then by the rest of the key in place.
    const std::size_t head = std::min(n, kWordBytes);
    const std::uint64_t mask = head == kWordBytes ? ~std::uint64_t{0} : ~(~std::uint64_t{0} >> (head * 8));
    const std::uint64_t want = Word(p, head, 0);
    const auto first = std::lower_bound(directoryHi_.begin(), directoryHi_.end(), want,
                                        [mask](std::uint64_t h, std::uint64_t w) { return (h & mask) < w; });
    const auto last = std::upper_bound(first, directoryHi_.end(), want,
                                       [mask](std::uint64_t w, std::uint64_t h) { return w < (h & mask); });
    auto lo = order_.begin() + directoryStart_[static_cast<std::size_t>(first - directoryHi_.begin())];
    auto hi = order_.begin() + directoryStart_[static_cast<std::size_t>(last - directoryHi_.begin())];
    if (n > kWordBytes) {
        const std::size_t rest = n - kWordBytes;
        lo = std::lower_bound(lo, hi, p, [this, rest](std::uint32_t r, const std::uint8_t* k) {
            return std::memcmp(KeyOf(r) + kWordBytes, k + kWordBytes, rest) < 0;
        });
        hi = std::upper_bound(lo, hi, p, [this, rest](const std::uint8_t* k, std::uint32_t r) {
            return std::memcmp(k + kWordBytes, KeyOf(r) + kWordBytes, rest) < 0;
        });
    }
    return {static_cast<std::size_t>(lo - order_.begin()), static_cast<std::size_t>(hi - order_.begin())};
}

}  // namespace ter5::engine
