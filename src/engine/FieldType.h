#pragma once
// Paradox field types: the type byte stored in table headers and the one-letter
// codes used by table templates.

#include <cstdint>
#include <optional>
#include <string_view>

namespace ter5::engine {

// Type bytes as stored in the field-info array of a table header.
enum class FieldType : std::uint8_t {
    Alpha = 0x01,
    Date = 0x02,
    Short = 0x03,
    Long = 0x04,
    Money = 0x05,
    Number = 0x06,
    Logical = 0x09,
    Memo = 0x0C,
    Blob = 0x0D,
    FmtMemo = 0x0E,
    Ole = 0x0F,
    Graphic = 0x10,
    Time = 0x14,
    Timestamp = 0x15,
    AutoInc = 0x16,
    Bcd = 0x17,
    Bytes = 0x18,
};

// True for a byte that names one of the types above.
bool IsKnownFieldType(std::uint8_t code);

// True for the blob types whose record part is a leader plus a 10-byte .MB reference.
bool IsBlobType(FieldType type);

// The template letter of a type ("A", "S", …); formatted memo has none (nullopt).
std::optional<char> FieldTypeLetter(FieldType type);

// The type of a template letter; nullopt for anything but the sixteen letters.
std::optional<FieldType> FieldTypeFromLetter(char letter);

// Bytes a field of this type takes in a record; `size` is the template width
// (alpha/bytes length, blob leader length, BCD decimals). Throws for impossible sizes.
int FieldStorageSize(FieldType type, int size);

// A readable name ("Alpha", "Number", …) for messages and `info`.
std::string_view FieldTypeName(FieldType type);

}  // namespace ter5::engine
