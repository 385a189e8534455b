#include "TemplateDefinitions.h"

#include <cstdint>

#include "engine/Collation.h"
#include "engine/FieldType.h"

namespace ter5::templates {
namespace {

// Characters trimmed from index names: spaces and control characters.
constexpr unsigned char kLastTrimmedChar = ' ';
// Blob fields keep a 10-byte reference after their leader in the record.
constexpr int kBlobReferenceSize = 10;

bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= kLastTrimmedChar; }

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsTrimmed(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsTrimmed(s.back())) s.remove_suffix(1);
    return s;
}

void AppendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

bool IsBlankIndexName(std::string_view name) { return TrimBlanks(name).empty(); }

bool IsPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string_view::npos;
}

std::string TableStem(std::string_view name) { return std::string(name.substr(0, name.find('.'))); }

std::vector<std::string> SplitFieldList(std::string_view structure) {
    std::vector<std::string> fields;
    for (;;) {
        const std::size_t cut = structure.find(kFieldListSeparator);
        std::string_view piece = structure.substr(0, cut);
        while (!piece.empty() && piece.front() == ' ') piece.remove_prefix(1);
        while (!piece.empty() && piece.back() == ' ') piece.remove_suffix(1);
        fields.emplace_back(piece);
        if (cut == std::string_view::npos) return fields;
        structure.remove_prefix(cut + 1);
    }
}

std::string JoinFieldList(const std::vector<std::string>& fields) {
    std::string list;
    for (const auto& f : fields) {
        if (!list.empty()) list += kFieldListSeparator;
        list += f;
    }
    return list;
}

engine::IndexDef IndexDefFromRow(const std::string& nameIndex, const std::string& structureIndex) {
    engine::IndexDef def;
    def.name = nameIndex;
    def.fields = SplitFieldList(structureIndex);
    if (IsBlankIndexName(nameIndex)) {
        def.primary = true;
        return def;
    }
    const std::string_view trimmed = TrimBlanks(nameIndex);
    if (def.fields.size() == 1 && SameTextNoCase(trimmed, def.fields.front())) {
        // Paradox lets an index carry its field's name only as that field's
        // case-sensitive index (.Xnn); asked for case-insensitive, the engine
        // would refuse the name after the old index files are gone.
        def.name = std::string(trimmed);
        return def;
    }
    def.caseInsensitive = true;
    return def;
}

std::optional<engine::FieldDef> FieldDefFromRow(const std::string& name, const std::string& type, int width) {
    if (type.size() != 1) return std::nullopt;
    const auto fieldType = engine::FieldTypeFromLetter(type.front());
    if (!fieldType) return std::nullopt;
    engine::FieldDef def;
    def.name = name;
    def.type = *fieldType;
    def.size = width;
    return def;
}

std::string TypeLetterOf(engine::FieldType type) {
    const auto letter = engine::FieldTypeLetter(type);
    return letter ? std::string(1, *letter) : std::string();
}

int TemplateWidthOf(const engine::FieldDesc& field) {
    switch (field.type) {
        case engine::FieldType::Alpha:
        case engine::FieldType::Bytes:
        case engine::FieldType::Bcd:
            return field.size;
        default:
            break;
    }
    if (engine::IsBlobType(field.type)) return field.length - kBlobReferenceSize;
    return 0;
}

std::string UpperCaseText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (char32_t c : engine::DecodeUtf8(utf8)) AppendUtf8(engine::FoldCase(c), out);
    return out;
}

bool SameTextNoCase(std::string_view a, std::string_view b) { return engine::FoldedText(a) == engine::FoldedText(b); }

}  // namespace ter5::templates
