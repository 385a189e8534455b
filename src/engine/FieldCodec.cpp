#include "FieldCodec.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

#include "EngineError.h"

namespace ter5::engine {
namespace {

using namespace storedvalue;

// Record sizes of the fixed-size types.
constexpr int kShortSize = 2;
constexpr int kLongSize = 4;
constexpr int kDoubleSize = 8;
constexpr int kLogicalSize = 1;
// Blob reference after the leader, little-endian: .MB offset with the index as its
// low byte (4), length (4), modification number (2).
constexpr int kBlobTailSize = 10;
constexpr int kBlobOffsetAt = 0;
constexpr int kBlobLengthAt = 4;
constexpr int kBlobModAt = 8;
constexpr std::uint32_t kBlobIndexMask = 0xFF;
// Largest magnitudes integer fields hold; the most negative two's-complement value
// would encode as all zeros, i.e. NULL.
constexpr std::int64_t kShortMax = 32767;
constexpr std::int64_t kLongMax = 2147483647;
// Integral doubles are clamped to this before conversion to int64 (which overflows at 2^63).
constexpr double kClampLimit = 1e18;
// Sign bits of the stored integers and doubles.
constexpr std::uint16_t kShortSign = 0x8000;
constexpr std::uint32_t kLongSign = 0x8000'0000;
constexpr std::uint64_t kDoubleSign = 0x8000'0000'0000'0000;
// BCD: the last `decimals` of the 32 digits lie after the point.
constexpr int kBcdFirstNibble = 2;
// Characters of the longest shortest-fixed-notation double (about 330, for 5e-324).
constexpr std::size_t kMaxFixedDoubleChars = 400;
// 0001-01-01 (day 1) lies 306 days after 0000-03-01, where the date arithmetic counts from.
constexpr std::int64_t kMarchZeroOffset = 305;
constexpr std::int64_t kDaysPer400Years = 146097;
// Day numbers whose date arithmetic cannot overflow.
constexpr std::int64_t kMaxDayMagnitude = std::int64_t{1} << 53;

[[noreturn]] void FailField(const FieldDesc& field, const std::string& problem) {
    Fail("", "field '" + field.name + "': " + problem);
}

[[noreturn]] void FailMismatch(const FieldDesc& field, const Value& value) {
    // Kind names in the order of Value::Kind.
    static constexpr const char* kKindNames[] = {"NULL", "integer", "number", "logical", "text", "bytes", "decimal"};
    const auto kind = static_cast<std::size_t>(value.kind);
    FailField(field, "type mismatch: " + std::string(FieldTypeName(field.type)) + " field given a " +
                         (kind < std::size(kKindNames) ? kKindNames[kind] : "unknown") + " value");
}

void CheckLength(const FieldDesc& field, int expected) {
    if (field.length != expected)
        FailField(field, std::string(FieldTypeName(field.type)) + " field length " + std::to_string(field.length) +
                             ", expected " + std::to_string(expected));
}

// An unsigned integer of `size` bytes: record values are big-endian, blob references little-endian.
std::uint64_t Load(const std::uint8_t* p, int size, std::endian order = std::endian::big) {
    std::uint64_t v = 0;
    for (int i = 0; i < size; ++i) v = (v << 8) | p[order == std::endian::big ? i : size - 1 - i];
    return v;
}

void Store(std::uint64_t v, std::uint8_t* p, int size, std::endian order = std::endian::big) {
    for (int i = size - 1; i >= 0; --i, v >>= 8)
        p[order == std::endian::big ? i : size - 1 - i] = static_cast<std::uint8_t>(v);
}

bool AllZero(const std::uint8_t* p, int size) {
    return std::all_of(p, p + size, [](std::uint8_t b) { return b == 0; });
}

void SetNull(Value& out) { out.kind = Value::Kind::Null; }

// Stored two-byte or four-byte integer → value; 0 = NULL.
void DecodeInteger(const std::uint8_t* p, int size, Value& out) {
    const auto raw = Load(p, size);
    if (raw == 0) return SetNull(out);
    out.kind = Value::Kind::Int;
    out.integer = size == kShortSize ? std::int64_t{static_cast<std::int16_t>(raw ^ kShortSign)}
                                     : std::int64_t{static_cast<std::int32_t>(raw ^ kLongSign)};
}

void DecodeDouble(const std::uint8_t* p, Value& out) {
    auto raw = Load(p, kDoubleSize);
    if (raw == 0) return SetNull(out);
    raw = (raw & kDoubleSign) ? raw ^ kDoubleSign : ~raw;
    out.kind = Value::Kind::Float;
    out.number = std::bit_cast<double>(raw);
}

// Digits after the first invalid nibble (above 9, seen in real files) read as zero.
void DecodeBcd(const FieldDesc& field, const std::uint8_t* p, Value& out) {
    if (AllZero(p, kBcdSize)) return SetNull(out);
    const bool negative = !(p[0] & kBcdPositive);
    const std::uint8_t flip = negative ? kBcdNegativeFlip : 0;
    const int decimals = field.size;
    char buf[kBcdDigits + 2];
    char* w = buf;
    bool valid = true, leading = true, nonZero = false;
    for (int k = kBcdFirstNibble; k < kBcdFirstNibble + kBcdDigits; ++k) {
        const int position = k - kBcdFirstNibble;
        if (position == kBcdDigits - decimals) {
            if (leading) *w++ = '0';
            *w++ = '.';
            leading = false;
        }
        std::uint8_t nibble = ((k & 1) ? p[k / 2] & 0x0F : p[k / 2] >> 4) ^ flip;
        valid = valid && nibble <= 9;
        nibble = valid ? nibble : 0;
        nonZero = nonZero || nibble != 0;
        if (leading && nibble == 0) continue;
        leading = false;
        *w++ = static_cast<char>('0' + nibble);
    }
    if (leading) *w++ = '0';
    out.kind = Value::Kind::Decimal;
    out.text.clear();
    if (negative && nonZero) out.text.push_back('-');
    out.text.append(buf, w);
}

// Writes a decimal string ("-12.345", "7") rounded half away from zero to the
// field's decimals.
void EncodeBcd(const FieldDesc& field, std::string_view text, std::uint8_t* out) {
    const int decimals = field.size;
    bool negative = false;
    std::string_view s = text;
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    const auto point = s.find('.');
    std::string_view whole = s.substr(0, point);
    std::string_view fraction = point == std::string_view::npos ? std::string_view{} : s.substr(point + 1);
    auto isDigits = [](std::string_view v) {
        return std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    auto fail = [&](const char* problem) {
        FailField(field, "'" + std::string(text) + "' " + problem + " for " + std::to_string(decimals) + " decimals");
    };
    if ((whole.empty() && fraction.empty()) || !isDigits(whole) || !isDigits(fraction)) fail("is not a decimal number");
    while (!whole.empty() && whole[0] == '0') whole.remove_prefix(1);
    if (static_cast<int>(whole.size()) > kBcdDigits - decimals) fail("out of range");
    // All 32 digits, the point fixed before the last `decimals`.
    std::uint8_t digits[kBcdDigits] = {};
    const int intStart = kBcdDigits - decimals - static_cast<int>(whole.size());
    for (std::size_t i = 0; i < whole.size(); ++i) digits[intStart + i] = static_cast<std::uint8_t>(whole[i] - '0');
    for (int i = 0; i < decimals && i < static_cast<int>(fraction.size()); ++i)
        digits[kBcdDigits - decimals + i] = static_cast<std::uint8_t>(fraction[i] - '0');
    if (static_cast<int>(fraction.size()) > decimals && fraction[decimals] >= '5') {
        int i = kBcdDigits - 1;
        for (; i >= 0 && digits[i] == 9; --i) digits[i] = 0;
        if (i < 0) fail("out of range");
        ++digits[i];
    }
    if (std::all_of(digits, digits + kBcdDigits, [](std::uint8_t d) { return d == 0; })) negative = false;
    const std::uint8_t flip = negative ? kBcdNegativeFlip : 0;
    out[0] = static_cast<std::uint8_t>((negative ? 0 : kBcdPositive) | kBcdFlag | decimals);
    for (int i = 0; i < kBcdDigits; i += 2)
        out[1 + i / 2] = static_cast<std::uint8_t>(((digits[i] ^ flip) << 4) | (digits[i + 1] ^ flip));
}

// The integer an integer field is given: Int, or a Float with no fraction.
std::int64_t IntegerOf(const FieldDesc& field, const Value& value, std::int64_t max) {
    std::int64_t v = 0;
    if (value.kind == Value::Kind::Int) {
        v = value.integer;
    } else if (value.kind == Value::Kind::Float && value.number == std::trunc(value.number)) {
        // Clamped into int64 range first; anything that large fails the range check below.
        v = static_cast<std::int64_t>(std::clamp(value.number, -kClampLimit, kClampLimit));
    } else {
        FailMismatch(field, value);
    }
    if (v > max || v < -max) FailField(field, "value " + std::to_string(v) + " out of range ±" + std::to_string(max));
    return v;
}

double DoubleOf(const FieldDesc& field, const Value& value) {
    if (value.kind != Value::Kind::Float && value.kind != Value::Kind::Int) FailMismatch(field, value);
    const double d = value.kind == Value::Kind::Float ? value.number : static_cast<double>(value.integer);
    if (!std::isfinite(d)) FailField(field, "infinite or NaN number cannot be stored");
    return d;
}

void CheckBcdSize(const FieldDesc& field) {
    CheckLength(field, kBcdSize);
    if (field.size < 0 || field.size > kBcdDigits)
        FailField(field, "BCD decimals " + std::to_string(field.size) + " out of range 0..32");
}

void CheckBlobField(const FieldDesc& field) {
    if (!IsBlobType(field.type) || field.length < kBlobTailSize)
        FailField(field, std::string(FieldTypeName(field.type)) + " field of length " + std::to_string(field.length) +
                             " holds no blob reference");
}

}  // namespace

// The civil-date conversions are Howard Hinnant's civil_from_days / days_from_civil,
// counted from 0000-03-01 so that leap days fall at the end of each year.
CivilDate DayNumberToDate(std::int64_t dayNumber) {
    if (dayNumber > kMaxDayMagnitude || dayNumber < -kMaxDayMagnitude)
        Fail("", "day number " + std::to_string(dayNumber) + " out of range");
    const std::int64_t z = dayNumber + kMarchZeroOffset;
    const std::int64_t era = (z >= 0 ? z : z - (kDaysPer400Years - 1)) / kDaysPer400Years;
    const std::int64_t doe = z - era * kDaysPer400Years;                          // [0, 146096]
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;  // [0, 399]
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);                // [0, 365], from 1 March
    const std::int64_t mp = (5 * doy + 2) / 153;                                     // [0, 11], March = 0
    CivilDate date;
    date.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    date.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    date.year = yoe + era * 400 + (date.month <= 2 ? 1 : 0);
    return date;
}

std::int64_t DateToDayNumber(std::int64_t year, int month, int day) {
    const std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * kDaysPer400Years + doe - kMarchZeroOffset;
}

bool IsValidDate(std::int64_t year, int month, int day) {
    static constexpr int kDaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1) return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDaysInMonth[month - 1] + (month == 2 && leap ? 1 : 0);
}

Value DecodeField(const FieldDesc& field, const std::uint8_t* p, const TextCodec& codec) {
    Value v;
    DecodeFieldInto(field, p, codec, v);
    return v;
}

void DecodeFieldInto(const FieldDesc& field, const std::uint8_t* p, const TextCodec& codec, Value& out) {
    if (field.length < 1) CheckLength(field, 1);
    switch (field.type) {
        case FieldType::Alpha: {
            const auto length = static_cast<std::size_t>(field.length);
            const auto* end = static_cast<const std::uint8_t*>(std::memchr(p, 0, length));
            const auto size = end ? static_cast<std::size_t>(end - p) : length;
            if (size == 0) return SetNull(out);
            out.kind = Value::Kind::Text;
            codec.DecodeInto(std::string_view(reinterpret_cast<const char*>(p), size), out.text);
            return;
        }
        case FieldType::Bytes:
            if (AllZero(p, field.length)) return SetNull(out);
            out.kind = Value::Kind::Bytes;
            out.text.assign(reinterpret_cast<const char*>(p), static_cast<std::size_t>(field.length));
            return;
        case FieldType::Short:
            CheckLength(field, kShortSize);
            return DecodeInteger(p, kShortSize, out);
        case FieldType::Long:
        case FieldType::AutoInc:
        case FieldType::Date:
        case FieldType::Time:
            CheckLength(field, kLongSize);
            return DecodeInteger(p, kLongSize, out);
        case FieldType::Number:
        case FieldType::Money:
        case FieldType::Timestamp:
            CheckLength(field, kDoubleSize);
            return DecodeDouble(p, out);
        case FieldType::Logical:
            CheckLength(field, kLogicalSize);
            if (p[0] == 0) return SetNull(out);
            out.kind = Value::Kind::Bool;
            out.boolean = p[0] != kFalseByte;
            return;
        case FieldType::Bcd:
            CheckBcdSize(field);
            return DecodeBcd(field, p, out);
        default:
            FailField(field, std::string(FieldTypeName(field.type)) + " fields are read through their blob reference");
    }
}

void EncodeField(const FieldDesc& field, const Value& value, std::uint8_t* out, const TextCodec& codec) {
    if (IsBlobType(field.type) || !IsKnownFieldType(static_cast<std::uint8_t>(field.type)))
        FailField(field, std::string(FieldTypeName(field.type)) + " fields are written through their blob reference");
    if (field.length < 1) CheckLength(field, 1);
    if (value.IsNull()) {
        std::memset(out, 0, static_cast<std::size_t>(field.length));
        return;
    }
    switch (field.type) {
        case FieldType::Alpha:
        case FieldType::Bytes: {
            const Value::Kind kind = field.type == FieldType::Alpha ? Value::Kind::Text : Value::Kind::Bytes;
            if (value.kind != kind) FailMismatch(field, value);
            const std::string bytes = kind == Value::Kind::Text ? codec.Encode(value.text) : value.text;
            if (bytes.size() > static_cast<std::size_t>(field.length))
                FailField(field, "value of " + std::to_string(bytes.size()) + " bytes does not fit in " +
                                     std::to_string(field.length));
            std::memcpy(out, bytes.data(), bytes.size());
            std::memset(out + bytes.size(), 0, static_cast<std::size_t>(field.length) - bytes.size());
            return;
        }
        case FieldType::Short:
        case FieldType::Long:
        case FieldType::AutoInc:
        case FieldType::Date:
        case FieldType::Time: {
            const bool isShort = field.type == FieldType::Short;
            CheckLength(field, isShort ? kShortSize : kLongSize);
            const std::int64_t v = IntegerOf(field, value, isShort ? kShortMax : kLongMax);
            if (field.type == FieldType::Time && (v < 0 || v >= kMsPerDay))
                FailField(field, "time " + std::to_string(v) + " ms outside one day");
            // Store keeps the low bytes: the two's complement of negatives.
            Store(static_cast<std::uint64_t>(v) ^ (isShort ? kShortSign : kLongSign), out, field.length);
            return;
        }
        case FieldType::Number:
        case FieldType::Money:
        case FieldType::Timestamp: {
            CheckLength(field, kDoubleSize);
            double d = DoubleOf(field, value);
            if (d == 0) d = 0.0;  // −0.0 is stored as +0.0
            auto raw = std::bit_cast<std::uint64_t>(d);
            raw = (raw & kDoubleSign) ? ~raw : raw | kDoubleSign;
            Store(raw, out, kDoubleSize);
            return;
        }
        case FieldType::Logical:
            CheckLength(field, kLogicalSize);
            if (value.kind != Value::Kind::Bool) FailMismatch(field, value);
            out[0] = value.boolean ? kTrueByte : kFalseByte;
            return;
        case FieldType::Bcd: {
            CheckBcdSize(field);
            if (value.kind == Value::Kind::Decimal) return EncodeBcd(field, value.text, out);
            if (value.kind == Value::Kind::Int) return EncodeBcd(field, std::to_string(value.integer), out);
            const double d = DoubleOf(field, value);
            char buf[kMaxFixedDoubleChars];
            const auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed);
            return EncodeBcd(field, std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)), out);
        }
        default:
            FailMismatch(field, value);
    }
}

BlobRef DecodeBlobRef(const FieldDesc& field, const std::uint8_t* p) {
    CheckBlobField(field);
    const int leader = field.length - kBlobTailSize;
    const std::uint8_t* tail = p + leader;
    const auto offsetAndIndex = static_cast<std::uint32_t>(Load(tail + kBlobOffsetAt, 4, std::endian::little));
    BlobRef ref;
    ref.leader.assign(reinterpret_cast<const char*>(p), static_cast<std::size_t>(leader));
    ref.offset = offsetAndIndex & ~kBlobIndexMask;
    ref.index = static_cast<std::uint8_t>(offsetAndIndex & kBlobIndexMask);
    ref.length = static_cast<std::uint32_t>(Load(tail + kBlobLengthAt, 4, std::endian::little));
    ref.modNumber = static_cast<std::uint16_t>(Load(tail + kBlobModAt, 2, std::endian::little));
    return ref;
}

void EncodeBlobRef(const FieldDesc& field, const BlobRef& ref, std::uint8_t* out) {
    CheckBlobField(field);
    const auto leader = static_cast<std::size_t>(field.length - kBlobTailSize);
    if (ref.leader.size() > leader)
        FailField(field, "blob leader of " + std::to_string(ref.leader.size()) + " bytes exceeds " +
                             std::to_string(leader));
    if (ref.offset & kBlobIndexMask)
        FailField(field, "blob offset " + std::to_string(ref.offset) + " is not a multiple of 256");
    std::memcpy(out, ref.leader.data(), ref.leader.size());
    std::memset(out + ref.leader.size(), 0, leader - ref.leader.size());
    std::uint8_t* tail = out + leader;
    Store(ref.offset | ref.index, tail + kBlobOffsetAt, 4, std::endian::little);
    Store(ref.length, tail + kBlobLengthAt, 4, std::endian::little);
    Store(ref.modNumber, tail + kBlobModAt, 2, std::endian::little);
}

}  // namespace ter5::engine
