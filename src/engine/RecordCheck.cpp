#include "RecordCheck.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "FieldCodec.h"
#include "TextCodec.h"
#include "Value.h"

namespace ter5::engine {
namespace {

// Day numbers of 0001-01-01 and 9999-12-31: every date of the test data lies
// between them (3 945 values).
constexpr std::int64_t kFirstDay = 1;
constexpr std::int64_t kLastDay = 3'652'059;
using namespace storedvalue;

// BCD decimals in byte 0. bcd.db field C keeps stray nibbles after its 18th
// significant digit, so only the first 18 are required to be digits.
constexpr std::uint8_t kBcdDecimalsMask = 0x3F;
constexpr int kBcdCheckedDigits = 18;

// The number a date, time, auto-increment or floating field holds, as the codec reads it.
Value Decoded(const FieldDesc& field, const std::uint8_t* p) {
    static const TextCodec kUnused(1252);  // numbers carry no text
    Value v;
    DecodeFieldInto(field, p, kUnused, v);
    return v;
}

std::optional<std::string> BcdProblem(const FieldDesc& field, const std::uint8_t* p) {
    if ((p[0] & kBcdFlag) == 0 || (p[0] & kBcdDecimalsMask) != field.size)
        return "BCD sign byte " + std::to_string(p[0]) + " does not give the field's " + std::to_string(field.size) + " decimals";
    const std::uint8_t flip = (p[0] & kBcdPositive) ? 0 : kBcdNegativeFlip;
    int significant = 0;
    for (int k = 2; k < 2 + kBcdDigits && significant < kBcdCheckedDigits; ++k) {
        const std::uint8_t nibble = static_cast<std::uint8_t>(((k & 1) ? p[k / 2] & 0x0F : p[k / 2] >> 4) ^ flip);
        if (nibble > 9) return std::string("BCD digit is no decimal digit");
        if (nibble != 0 || significant > 0) ++significant;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> FieldValueProblem(const FieldDesc& field, const std::uint8_t* p) {
    const auto length = static_cast<std::size_t>(field.length);
    if (std::all_of(p, p + length, [](std::uint8_t b) { return b == 0; })) return std::nullopt;
    switch (field.type) {
        case FieldType::Alpha: {
            // Text is padded with zero bytes (14 370 values of the test data).
            const auto* nul = static_cast<const std::uint8_t*>(std::memchr(p, 0, length));
            if (nul && std::any_of(nul, p + length, [](std::uint8_t b) { return b != 0; }))
                return std::string("text goes on after its end");
            return std::nullopt;
        }
        case FieldType::Date: {
            const std::int64_t day = Decoded(field, p).integer;
            if (day < kFirstDay || day > kLastDay) return "day number " + std::to_string(day) + " is no date of years 1 to 9999";
            return std::nullopt;
        }
        case FieldType::Time: {
            const std::int64_t ms = Decoded(field, p).integer;
            if (ms < 0 || ms >= kMsPerDay) return "time " + std::to_string(ms) + " ms lies outside one day";
            return std::nullopt;
        }
        case FieldType::AutoInc:
            // The engine numbers records from 1 (637 values of the test data).
            if (Decoded(field, p).integer < 1) return std::string("auto-increment value below 1");
            return std::nullopt;
        case FieldType::Number:
        case FieldType::Money:
            if (!std::isfinite(Decoded(field, p).number)) return std::string("number is infinite or not a number");
            return std::nullopt;
        case FieldType::Timestamp: {
            const double ms = Decoded(field, p).number;
            if (!std::isfinite(ms) || ms < 0 || ms >= static_cast<double>(kLastDay + 1) * kMsPerDay)
                return std::string("timestamp lies outside years 1 to 9999");
            return std::nullopt;
        }
        case FieldType::Logical:
            if (p[0] != kFalseByte && p[0] != kTrueByte) return "logical byte " + std::to_string(p[0]);
            return std::nullopt;
        case FieldType::Bcd:
            if (field.length != kBcdSize) return std::string("BCD field of another length");
            return BcdProblem(field, p);
        default:
            return std::nullopt;  // short, long, bytes: every bit pattern is a value
    }
}

}  // namespace ter5::engine
