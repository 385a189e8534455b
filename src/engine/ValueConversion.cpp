#include "ValueConversion.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "EngineError.h"
#include "ValueText.h"

namespace ter5::engine {
namespace {

// Doubles in [-2^63, 2^63) convert to int64 without overflow.
constexpr double kInt64Limit = 9223372036854775808.0;

[[noreturn]] void FailField(const FieldDesc& field, const std::string& problem) {
    Fail("", "field '" + field.name + "': " + problem);
}

bool IsIntegerType(FieldType type) {
    return type == FieldType::Short || type == FieldType::Long || type == FieldType::AutoInc ||
           type == FieldType::Date || type == FieldType::Time;
}

bool IsFloatType(FieldType type) {
    return type == FieldType::Number || type == FieldType::Money || type == FieldType::Timestamp;
}

// Reads a decimal number; nullopt when the whole text is not one.
std::optional<double> ReadNumber(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size()) return std::nullopt;
    return v;
}

std::int64_t RoundToInteger(const FieldDesc& field, double v) {
    const double r = std::nearbyint(v);  // the default rounding mode: to nearest, halves to even
    if (!(r >= -kInt64Limit && r < kInt64Limit)) FailField(field, "number " + FormatNumber(v) + " out of range");
    return static_cast<std::int64_t>(r);
}

// Text given for a non-text field, read as that field's type.
Value ParseForField(const FieldDesc& field, const std::string& text) {
    try {
        return ParseValueText(field.type, text);
    } catch (const EngineError& e) {
        FailField(field, e.what());
    }
}

[[noreturn]] void FailKind(const FieldDesc& field, const Value& value) {
    static constexpr const char* kKindNames[] = {"NULL", "integer", "number", "logical", "text", "bytes", "decimal"};
    FailField(field, "type mismatch: " + std::string(FieldTypeName(field.type)) + " field given a " +
                         kKindNames[static_cast<std::size_t>(value.kind)] + " value");
}

}  // namespace

bool IsTextType(FieldType type) {
    return type == FieldType::Alpha || type == FieldType::Memo || type == FieldType::FmtMemo;
}

std::int64_t ValueAsInteger(const FieldDesc& field, const Value& value) {
    switch (value.kind) {
        case Value::Kind::Null: return 0;
        case Value::Kind::Int: return value.integer;
        case Value::Kind::Float: return RoundToInteger(field, value.number);
        case Value::Kind::Bool: return value.boolean ? 1 : 0;
        case Value::Kind::Text:
        case Value::Kind::Decimal: {
            std::int64_t whole = 0;
            const auto& t = value.text;
            const auto r = std::from_chars(t.data(), t.data() + t.size(), whole);
            if (!t.empty() && r.ec == std::errc() && r.ptr == t.data() + t.size()) return whole;
            if (auto v = ReadNumber(t)) return RoundToInteger(field, *v);
            FailField(field, "'" + t + "' is not a valid integer value");
        }
        case Value::Kind::Bytes: break;
    }
    FailField(field, "bytes cannot be read as a number");
}

double ValueAsFloat(const FieldDesc& field, const Value& value) {
    switch (value.kind) {
        case Value::Kind::Null: return 0;
        case Value::Kind::Int: return static_cast<double>(value.integer);
        case Value::Kind::Float: return value.number;
        case Value::Kind::Bool: return value.boolean ? 1 : 0;
        case Value::Kind::Text:
        case Value::Kind::Decimal:
            if (auto v = ReadNumber(value.text)) return *v;
            FailField(field, "'" + value.text + "' is not a valid floating point value");
        case Value::Kind::Bytes: break;
    }
    FailField(field, "bytes cannot be read as a number");
}

std::string ValueAsString(const FieldDesc& field, const Value& value) { return FormatValueText(field.type, value); }

std::optional<Value> CoerceForCompare(const FieldDesc& field, const Value& value) {
    if (value.IsNull()) return value;
    if (IsTextType(field.type)) {
        switch (value.kind) {
            case Value::Kind::Text: return value;
            case Value::Kind::Int: return Value::Text(std::to_string(value.integer));
            case Value::Kind::Float: return Value::Text(FormatNumber(value.number));
            case Value::Kind::Decimal: return Value::Text(value.text);
            default: FailKind(field, value);
        }
    }
    if (value.kind == Value::Kind::Text) return ParseForField(field, value.text);
    if (IsIntegerType(field.type)) {
        if (value.kind == Value::Kind::Int) return value;
        if (value.kind == Value::Kind::Float || value.kind == Value::Kind::Decimal) {
            const double v = value.kind == Value::Kind::Float ? value.number : ValueAsFloat(field, value);
            if (v != std::floor(v) || !(v >= -kInt64Limit && v < kInt64Limit)) return std::nullopt;
            return Value::Int(static_cast<std::int64_t>(v));
        }
        FailKind(field, value);
    }
    if (IsFloatType(field.type)) {
        if (value.kind == Value::Kind::Float) return value;
        if (value.kind == Value::Kind::Int) return Value::Float(static_cast<double>(value.integer));
        if (value.kind == Value::Kind::Decimal) return Value::Float(ValueAsFloat(field, value));
        FailKind(field, value);
    }
    if (field.type == FieldType::Logical) {
        if (value.kind == Value::Kind::Bool) return value;
        if (value.kind == Value::Kind::Int) return Value::Bool(value.integer != 0);
        FailKind(field, value);
    }
    if (field.type == FieldType::Bcd) {
        if (value.kind == Value::Kind::Decimal || value.kind == Value::Kind::Int || value.kind == Value::Kind::Float)
            return value;
        FailKind(field, value);
    }
    if (value.kind == Value::Kind::Bytes) return value;  // Y B G O
    FailKind(field, value);
}

Value CoerceForAssignment(const FieldDesc& field, const Value& value) {
    if (IsIntegerType(field.type) && (value.kind == Value::Kind::Float || value.kind == Value::Kind::Decimal))
        return Value::Int(ValueAsInteger(field, value));
    if (auto v = CoerceForCompare(field, value)) return *v;
    FailField(field, "value cannot be stored");
}

}  // namespace ter5::engine
