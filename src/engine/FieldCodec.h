#pragma once
// Field values as stored in a record and back. A field whose bytes are all zero
// is NULL, whatever its type.
//
// Integers (S I + D T) are big-endian with the sign bit flipped; doubles (N $ @)
// are big-endian with the sign bit set for positives and every bit inverted for
// negatives, so that unsigned byte order equals numeric order. BCD (#) holds a
// sign/decimals byte and 32 digit nibbles; the field's size byte gives the
// decimals. Blob fields (M B F O G) keep a leader plus a 10-byte reference into
// the .MB file; their data is read elsewhere.

#include <cstdint>
#include <string>

#include "FieldDesc.h"
#include "TextCodec.h"
#include "Value.h"

namespace ter5::engine {

// Milliseconds in a day: a timestamp is days × this + milliseconds since midnight.
inline constexpr std::int64_t kMsPerDay = 86'400'000;

// Stored bytes of logical and BCD fields, for the codec and the salvage checks.
namespace storedvalue {
// Logical bytes (60 values of the test data, no other byte seen).
inline constexpr std::uint8_t kFalseByte = 0x80;
inline constexpr std::uint8_t kTrueByte = 0x81;
// BCD: 17 bytes; byte 0 = sign (set for positive) | kBcdFlag | decimals; nibbles
// 2..33 are the 32 digits, complemented (XOR kBcdNegativeFlip) for negatives.
inline constexpr int kBcdSize = 17;
inline constexpr std::uint8_t kBcdPositive = 0x80;
inline constexpr std::uint8_t kBcdFlag = 0x40;
inline constexpr int kBcdDigits = 32;
inline constexpr std::uint8_t kBcdNegativeFlip = 0x0F;
}  // namespace storedvalue

// A calendar date of the proleptic Gregorian calendar.
struct CivilDate {
    std::int64_t year = 1;
    int month = 1;
    int day = 1;
};

// The date of a day number (1 = 0001-01-01); any number, years before 1 included.
CivilDate DayNumberToDate(std::int64_t dayNumber);

// The day number of a date (0001-01-01 = 1); the date is not checked.
std::int64_t DateToDayNumber(std::int64_t year, int month, int day);

// True when month and day exist in that year (29 February in leap years only).
bool IsValidDate(std::int64_t year, int month, int day);

// Decodes the field at `p` (field.length bytes) of any non-blob type. Text is
// converted with `codec`. Throws EngineError for a blob type or a field whose
// length does not fit its type; never reads beyond field.length bytes.
Value DecodeField(const FieldDesc& field, const std::uint8_t* p, const TextCodec& codec);

// Like DecodeField, but reuses `out` (and its string capacity); allocation-free
// for every type except text longer than the string's capacity.
void DecodeFieldInto(const FieldDesc& field, const std::uint8_t* p, const TextCodec& codec, Value& out);

// Writes exactly field.length bytes for `value` at `out` (any non-blob type): zeros
// for NULL, +0.0 for −0.0, BCD rounded half away from zero to the field's decimals.
// Besides its own kind a field takes Int for N $ @ #, an integral Float for
// S I + D T and a Float for #. Throws EngineError naming the field for a value of
// another kind ("type mismatch"), text or bytes longer than the field, a character
// the page lacks, or a number out of the type's range; `out` may then be partly written.
void EncodeField(const FieldDesc& field, const Value& value, std::uint8_t* out, const TextCodec& codec);

// The record part of a blob field (M B F O G).
struct BlobRef {
    std::string leader;           // the first field.length − 10 bytes: the blob's start, raw
    std::uint32_t offset = 0;     // .MB file offset of its block (low byte zero); 0: all in the leader
    std::uint8_t index = 0;       // 0xFF: a single-blob block; otherwise the slot in a small-blob block
    std::uint32_t length = 0;     // blob length in bytes; 0: NULL or empty
    std::uint16_t modNumber = 0;  // modification number
};

// Reads a blob field's leader and reference. Throws EngineError for a non-blob field
// or a length shorter than the reference.
BlobRef DecodeBlobRef(const FieldDesc& field, const std::uint8_t* p);

// Writes a blob field's leader (zero padded) and reference: field.length bytes.
// Throws EngineError for a leader longer than the field's or an offset whose low
// byte is not zero.
void EncodeBlobRef(const FieldDesc& field, const BlobRef& ref, std::uint8_t* out);

}  // namespace ter5::engine
