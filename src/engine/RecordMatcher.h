#pragma once
// The test behind Locate: do a record's fields hold the given values?
//
// Values are first brought to each field's kind (ValueConversion.h), so a number
// matches a number field whether it comes as an integer or a float. Non-text
// fields then compare as their stored bytes. Alpha fields compare in the table's
// code page: exactly, or ignoring case (upper-casing both sides by the code page,
// Cyrillic included), or as a prefix with the partial-key option. Memo fields are
// decoded and compare by the case folding of Collation.h.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "FieldDesc.h"
#include "TextCodec.h"
#include "Value.h"

namespace ter5::engine {

// How Locate compares text.
struct LocateOptions {
    bool caseInsensitive = false;  // ignore letter case
    bool partialKey = false;       // the field begins with the value
};

class RecordMatcher {
public:
    // Decodes a blob field of the record being tested.
    using BlobReader = std::function<Value(int field)>;

    // Prepares the test of `values` against `fields[positions[i]]`. Throws
    // EngineError naming the field for a value of an incompatible kind.
    RecordMatcher(const std::vector<FieldDesc>& fields, const std::vector<int>& positions,
                  const std::vector<Value>& values, LocateOptions options, const TextCodec& codec);

    // False when some value can never match (text the code page lacks, 12.5 for an integer field).
    bool Possible() const { return possible_; }

    // True when the raw record holds every value.
    bool Matches(const std::uint8_t* record, const BlobReader& blob) const;

private:
    struct Test {
        FieldDesc field;
        int position = 0;
        bool isNull = false;       // the value is NULL: the field must be empty
        bool alpha = false;        // compare code-page text
        bool memo = false;         // compare decoded text
        std::string bytes;         // encoded value (alpha: code-page text, upper-cased if asked)
        std::u32string folded;     // memo: folded or plain code points
    };

    bool MatchAlpha(const Test& t, const std::uint8_t* p) const;
    bool MatchMemo(const Test& t, const Value& v) const;

    LocateOptions options_;
    TextCodec codec_;
    std::vector<Test> tests_;
    bool possible_ = true;
    mutable std::string scratch_;
};

}  // namespace ter5::engine
