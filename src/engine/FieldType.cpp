#include "FieldType.h"

#include <array>

#include "EngineError.h"

namespace ter5::engine {
namespace {

struct TypeInfo {
    FieldType type;
    char letter;           // 0: no template letter
    int fixedSize;         // 0: size comes from the definition
    std::string_view name;
};

// Sizes a blob field's leader may have, in bytes.
constexpr int kMinBlobLeader = 1;
constexpr int kMaxBlobLeader = 240;
// Bytes in a blob field's record part after its leader: offset/index (4),
// length (4), modification number (2).
constexpr int kBlobTailSize = 10;
// BCD fields always take 17 bytes: a sign/precision byte and 32 digit nibbles.
constexpr int kBcdSize = 17;

constexpr std::array<TypeInfo, 17> kTypes{{
    {FieldType::Alpha, 'A', 0, "Alpha"},
    {FieldType::Short, 'S', 2, "Short"},
    {FieldType::Long, 'I', 4, "Long"},
    {FieldType::Logical, 'L', 1, "Logical"},
    {FieldType::Number, 'N', 8, "Number"},
    {FieldType::Money, '$', 8, "Money"},
    {FieldType::Bcd, '#', kBcdSize, "BCD"},
    {FieldType::Date, 'D', 4, "Date"},
    {FieldType::Time, 'T', 4, "Time"},
    {FieldType::Timestamp, '@', 8, "Timestamp"},
    {FieldType::Bytes, 'Y', 0, "Bytes"},
    {FieldType::AutoInc, '+', 4, "AutoInc"},
    {FieldType::Blob, 'B', 0, "Binary"},
    {FieldType::Memo, 'M', 0, "Memo"},
    {FieldType::Graphic, 'G', 0, "Graphic"},
    {FieldType::Ole, 'O', 0, "OLE"},
    {FieldType::FmtMemo, 0, 0, "FmtMemo"},
}};

const TypeInfo* Find(FieldType type) {
    for (const auto& t : kTypes)
        if (t.type == type) return &t;
    return nullptr;
}

}  // namespace

bool IsKnownFieldType(std::uint8_t code) { return Find(static_cast<FieldType>(code)) != nullptr; }

bool IsBlobType(FieldType type) {
    switch (type) {
        case FieldType::Memo:
        case FieldType::Blob:
        case FieldType::FmtMemo:
        case FieldType::Ole:
        case FieldType::Graphic:
            return true;
        default:
            return false;
    }
}

std::optional<char> FieldTypeLetter(FieldType type) {
    const TypeInfo* t = Find(type);
    if (!t || t->letter == 0) return std::nullopt;
    return t->letter;
}

std::optional<FieldType> FieldTypeFromLetter(char letter) {
    for (const auto& t : kTypes)
        if (t.letter != 0 && t.letter == letter) return t.type;
    return std::nullopt;
}

int FieldStorageSize(FieldType type, int size) {
    const TypeInfo* t = Find(type);
    if (!t) throw EngineError("unknown field type " + std::to_string(static_cast<int>(type)));
    if (t->fixedSize) return t->fixedSize;
    if (IsBlobType(type)) {
        // The leader holds at least the blob's first byte (the table engine refuses 0).
        if (size < kMinBlobLeader || size > kMaxBlobLeader)
            throw EngineError(std::string(t->name) + " leader size " + std::to_string(size) + " out of range " +
                              std::to_string(kMinBlobLeader) + ".." + std::to_string(kMaxBlobLeader));
        return size + kBlobTailSize;
    }
    if (size < 1 || size > 255)
        throw EngineError(std::string(t->name) + " field size " + std::to_string(size) + " out of range 1..255");
    return size;
}

std::string_view FieldTypeName(FieldType type) {
    const TypeInfo* t = Find(type);
    return t ? t->name : std::string_view("Unknown");
}

}  // namespace ter5::engine
