#include "RecordOrder.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "EngineError.h"
#include "FieldCodec.h"
#include "ValueConversion.h"

namespace ter5::engine {
namespace {

// Bytes of a key compared as one 64-bit number before the rest is looked at.
constexpr std::size_t kPrefixBytes = 8;
// Byte values of a single-byte code page.
constexpr int kByteValues = 256;

struct SortEntry {
    std::uint64_t prefix;
    std::uint32_t record;
};

std::uint64_t BigEndianPrefix(const std::uint8_t* key, std::size_t length) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < kPrefixBytes; ++i) v = (v << 8) | (i < length ? key[i] : 0);
    return v;
}

}  // namespace

RecordOrder::RecordOrder(std::vector<FieldDesc> fields, std::vector<int> keyFields, bool caseInsensitive,
                         bool descending, TextCodec codec)
    : caseInsensitive_(caseInsensitive), descending_(descending), codec_(std::move(codec)) {
    for (int k : keyFields) {
        const FieldDesc& f = fields.at(static_cast<std::size_t>(k));
        if (IsBlobType(f.type)) Fail("", "field '" + f.name + "' is a blob field and cannot be an index field");
        keyFields_.push_back(f);
        keyLength_ += static_cast<std::size_t>(f.length);
    }
    if (caseInsensitive_ && codec_.IsSingleByte()) {
        std::string all(kByteValues, '\0');
        for (int b = 0; b < kByteValues; ++b) all[b] = static_cast<char>(b);
        codec_.UpperInPlace(all);
        upper_.assign(all.begin(), all.end());
    }
}

void RecordOrder::NormaliseAlpha(std::uint8_t* bytes, std::size_t length) const {
    // Bytes after the terminating NUL are not part of the value, whatever they hold.
    auto* end = static_cast<std::uint8_t*>(std::memchr(bytes, 0, length));
    const std::size_t size = end ? static_cast<std::size_t>(end - bytes) : length;
    std::memset(bytes + size, 0, length - size);
    if (!caseInsensitive_) return;
    if (!upper_.empty()) {
        for (std::size_t i = 0; i < size; ++i) bytes[i] = upper_[bytes[i]];
        return;
    }
    std::string text(reinterpret_cast<const char*>(bytes), size);
    codec_.UpperInPlace(text);
    std::memcpy(bytes, text.data(), std::min(size, text.size()));
}

void RecordOrder::MakeKey(const std::uint8_t* record, std::uint8_t* out) const {
    std::uint8_t* p = out;
    for (const FieldDesc& f : keyFields_) {
        const auto length = static_cast<std::size_t>(f.length);
        std::memcpy(p, record + f.offset, length);
        if (f.type == FieldType::Alpha) NormaliseAlpha(p, length);
        p += length;
    }
    if (descending_)
        for (std::uint8_t* q = out; q != p; ++q) *q = static_cast<std::uint8_t>(~*q);
}

bool RecordOrder::Less(std::uint32_t a, std::uint32_t b) const {
    const int c = std::memcmp(KeyOf(a), KeyOf(b), keyLength_);
    return c != 0 ? c < 0 : a < b;
}

void RecordOrder::Build(std::size_t count, const RecordAccess& record) {
    order_.resize(count);
    std::iota(order_.begin(), order_.end(), std::uint32_t{0});
    keys_.assign(count * keyLength_, 0);
    if (keyLength_ == 0) return;
    for (std::size_t i = 0; i < count; ++i)
        MakeKey(record(static_cast<std::uint32_t>(i)), keys_.data() + i * keyLength_);

    // Tables are often stored in the order of their index already (keyed tables
    // always are by their key): then one pass over the keys is all it takes.
    bool sorted = true;
    for (std::size_t i = 1; i < count && sorted; ++i)
        sorted = std::memcmp(KeyOf(static_cast<std::uint32_t>(i - 1)), KeyOf(static_cast<std::uint32_t>(i)),
                             keyLength_) <= 0;
    if (sorted) return;

    // Sort compact entries: the first key bytes as a number decide most comparisons
    // without touching the key array.
    std::vector<SortEntry> entries(count);
    for (std::size_t i = 0; i < count; ++i)
        entries[i] = {BigEndianPrefix(KeyOf(static_cast<std::uint32_t>(i)), keyLength_), static_cast<std::uint32_t>(i)};
    const std::size_t rest = keyLength_ > kPrefixBytes ? keyLength_ - kPrefixBytes : 0;
    std::sort(entries.begin(), entries.end(), [this, rest](const SortEntry& a, const SortEntry& b) {
        if (a.prefix != b.prefix) return a.prefix < b.prefix;
        if (rest) {
            const int c = std::memcmp(KeyOf(a.record) + kPrefixBytes, KeyOf(b.record) + kPrefixBytes, rest);
            if (c != 0) return c < 0;
        }
        return a.record < b.record;
    });
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

std::pair<std::size_t, std::size_t> RecordOrder::EqualRange(std::string_view prefix) const {
    const std::size_t n = std::min(prefix.size(), keyLength_);
    const auto* p = reinterpret_cast<const std::uint8_t*>(prefix.data());
    const auto first = std::lower_bound(order_.begin(), order_.end(), p, [this, n](std::uint32_t r, const std::uint8_t* k) {
        return std::memcmp(KeyOf(r), k, n) < 0;
    });
    const auto last = std::upper_bound(first, order_.end(), p, [this, n](const std::uint8_t* k, std::uint32_t r) {
        return std::memcmp(k, KeyOf(r), n) < 0;
    });
    return {static_cast<std::size_t>(first - order_.begin()), static_cast<std::size_t>(last - order_.begin())};
}

}  // namespace ter5::engine
