#include "RecordMatcher.h"

#include <algorithm>
#include <cstring>

#include "Collation.h"
#include "EngineError.h"
#include "FieldCodec.h"
#include "ValueConversion.h"

namespace ter5::engine {

RecordMatcher::RecordMatcher(const std::vector<FieldDesc>& fields, const std::vector<int>& positions,
                             const std::vector<Value>& values, LocateOptions options, const TextCodec& codec)
    : options_(options), codec_(codec) {
    if (positions.size() != values.size())
        Fail("", "Locate got " + std::to_string(values.size()) + " values for " + std::to_string(positions.size()) +
                     " fields");
    for (std::size_t i = 0; i < positions.size(); ++i) {
        Test t;
        t.position = positions[i];
        t.field = fields.at(static_cast<std::size_t>(t.position));
        const std::optional<Value> v = CoerceForCompare(t.field, values[i]);
        if (!v) {
            possible_ = false;
            continue;
        }
        t.isNull = v->IsNull() || (v->kind == Value::Kind::Text && v->text.empty() && !options_.partialKey);
        if (t.field.type == FieldType::Alpha) {
            t.alpha = true;
            try {
                t.bytes = v->IsNull() ? std::string() : codec_.Encode(v->text);
            } catch (const EngineError&) {
                possible_ = false;  // a character the table's code page cannot hold
            }
            if (options_.caseInsensitive) codec_.UpperInPlace(t.bytes);
        } else if (IsTextType(t.field.type)) {
            t.memo = true;
            const std::string text = v->IsNull() ? std::string() : v->text;
            t.folded = options_.caseInsensitive ? FoldedText(text) : DecodeUtf8(text);
        } else if (!t.isNull) {
            if (IsBlobType(t.field.type)) Fail("", "field '" + t.field.name + "': Locate cannot compare blob fields");
            t.bytes.assign(static_cast<std::size_t>(t.field.length), '\0');
            try {
                EncodeField(t.field, *v, reinterpret_cast<std::uint8_t*>(t.bytes.data()), codec_);
            } catch (const EngineError&) {
                possible_ = false;  // out of the field's range
            }
        }
        tests_.push_back(std::move(t));
    }
}

bool RecordMatcher::MatchAlpha(const Test& t, const std::uint8_t* p) const {
    const auto length = static_cast<std::size_t>(t.field.length);
    const auto* end = static_cast<const std::uint8_t*>(std::memchr(p, 0, length));
    const std::size_t size = end ? static_cast<std::size_t>(end - p) : length;
    if (t.isNull) return size == 0;
    if (options_.partialKey ? size < t.bytes.size() : size != t.bytes.size()) return false;
    const std::size_t n = t.bytes.size();
    if (!options_.caseInsensitive) return std::memcmp(p, t.bytes.data(), n) == 0;
    scratch_.assign(reinterpret_cast<const char*>(p), n);
    codec_.UpperInPlace(scratch_);
    return scratch_ == t.bytes;
}

bool RecordMatcher::MatchMemo(const Test& t, const Value& v) const {
    if (v.IsNull()) return t.isNull || (options_.partialKey && t.folded.empty());
    if (t.isNull) return false;
    const std::u32string text = options_.caseInsensitive ? FoldedText(v.text) : DecodeUtf8(v.text);
    if (options_.partialKey) return text.compare(0, t.folded.size(), t.folded) == 0 && text.size() >= t.folded.size();
    return text == t.folded;
}

bool RecordMatcher::Matches(const std::uint8_t* record, const BlobReader& blob) const {
    if (!possible_) return false;
    for (const Test& t : tests_) {
        const std::uint8_t* p = record + t.field.offset;
        if (t.alpha) {
            if (!MatchAlpha(t, p)) return false;
        } else if (t.memo) {
            if (!MatchMemo(t, blob(t.position))) return false;
        } else if (t.isNull) {
            if (!std::all_of(p, p + t.field.length, [](std::uint8_t b) { return b == 0; })) return false;
        } else if (std::memcmp(p, t.bytes.data(), t.bytes.size()) != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace ter5::engine
