#pragma once
// Reading a field value as another kind and converting a value given for a field
// into the field's own kind: the rules behind the data sets' AsInteger, AsFloat,
// AsString and their setters, Locate and master–detail key matching.

#include <cstdint>
#include <optional>
#include <string>

#include "FieldDesc.h"
#include "Value.h"

namespace ter5::engine {

// The value as a whole number: NULL → 0; numbers round to nearest, halves to even;
// text is read as a number; logical → 0 or 1. Throws EngineError naming the field
// for text that is no number, bytes, or a number beyond 64 bits.
std::int64_t ValueAsInteger(const FieldDesc& field, const Value& value);

// The value as a double: NULL → 0; text is read as a number. Throws EngineError
// naming the field for text that is no number and for bytes.
double ValueAsFloat(const FieldDesc& field, const Value& value);

// The value's text as dumps write it (ValueText.h); NULL → "".
std::string ValueAsString(const FieldDesc& field, const Value& value);

// `value` in the kind `field` stores, for comparing with stored values: numbers
// pass between integer and float fields, text is read by ParseValueText, numbers
// become text for text fields. nullopt when the value cannot equal any value the
// field holds (12.5 for an integer field). Throws EngineError naming the field for
// incompatible kinds and unreadable text.
std::optional<Value> CoerceForCompare(const FieldDesc& field, const Value& value);

// `value` in the kind `field` stores, for assignment: as CoerceForCompare, but a
// fractional number given to an integer field is rounded (halves to even). Throws
// EngineError naming the field when the value cannot be stored.
Value CoerceForAssignment(const FieldDesc& field, const Value& value);

// True for the types whose values are text (A M F).
bool IsTextType(FieldType type);

}  // namespace ter5::engine
