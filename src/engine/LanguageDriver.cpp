#include "LanguageDriver.h"

#include <algorithm>
#include <optional>

#include "EngineError.h"
#include "FileUtil.h"
#include "Format.h"
#include "TextCodec.h"

namespace ter5::engine {
namespace {

// The drivers real files tell something about (doc/paradox-indexes.md, "Keys by
// language driver"). Order: by sort-order id first, then by sort byte for 3.x
// headers, which carry no id.
constexpr LanguageDriverRules kDrivers[] = {
    // 'ascii' ANSI, cp1252. People.XG0-XG2 store "Erica Morton" as "ERICA MORTON";
    // B00001.XG0/.XG1 and B00002/B00007.XG0 keep the cp1251 letters 0xE0-0xFF of
    // mixed-case Russian text as they are, all in byte order (491 entries of a
    // five-field key: "Рабочая" < "пр.", "ЖЭУ-1" < "ЖЭУ-15" < "ЖЭУ-2",
    // "Космонавтов (" < "Космонавтов(").
    {"DBWINUS0", 0x4C, 1252, CaseInsensitiveKeys::AsciiOnly, true},
    // Paradox 'ascii', cp437: GroupLink.XG0/.XG1 store "Bob" as "BOB", and the
    // table and its indexes are in byte order ("-1" before digits). Bytes above
    // 0x7F: as DBWINUS0, its ANSI counterpart (chosen).
    {"ascii", 0x00, 437, CaseInsensitiveKeys::AsciiOnly, true},
    // Paradox ANSI INTL850, cp1252: Produto.XG0 stores "Açucar" as "AÇUCAR" and
    // "Feijão" as "FEIJÃO", and orders by a collation that is not byte order:
    // "AÇUCAR" < "ARROZ", "MIOJO" < "ÓLEO" < "SABAO".
    {"ANSII850", 0x11, 1252, CaseInsensitiveKeys::CodePage, false},
    // Pdox ANSI Cyrillic, cp1251: real 7.x tables store case-insensitive keys
    // upper-cased ("МАЗ 5334" for "Маз 5334"); no sample settles its order.
    {"ancyrr", 0x8F, 1251, CaseInsensitiveKeys::CodePage, false},
    // 3.x headers name their driver by sort byte alone.
    {"intl", 0xB7, 0, CaseInsensitiveKeys::CodePage, false},
    {"nordan", 0x82, 0, CaseInsensitiveKeys::CodePage, false},
    {"nordan40", 0xE6, 0, CaseInsensitiveKeys::CodePage, false},
    {"swedfin", 0xF0, 0, CaseInsensitiveKeys::CodePage, false},
};

// The rules of drivers no real file tells about: the engine's choice.
constexpr LanguageDriverRules kUnknownDriver{"", -1, 0, CaseInsensitiveKeys::CodePage, false};

constexpr std::uint8_t kFirstLower = 'a';
constexpr std::uint8_t kLastLower = 'z';
constexpr std::uint8_t kCaseDistance = 'a' - 'A';

// The byte map of upper-casing in `codePage`; ASCII only where the page is multi-byte
// or unknown to the system.
std::array<std::uint8_t, 256> UpperTable(int codePage, bool* multiByte) {
    std::array<std::uint8_t, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[b] = static_cast<std::uint8_t>(b >= kFirstLower && b <= kLastLower ? b - kCaseDistance : b);
    *multiByte = false;
    try {
        const TextCodec codec(codePage);
        if (!codec.IsSingleByte()) {
            *multiByte = true;
            return table;
        }
        std::string all(256, '\0');
        for (int b = 0; b < 256; ++b) all[b] = static_cast<char>(b);
        codec.UpperInPlace(all);
        std::copy(all.begin(), all.end(), table.begin());
    } catch (const EngineError&) {
        // A page the system lacks: ASCII letters only.
    }
    return table;
}

}  // namespace

const LanguageDriverRules& DriverRulesFor(const TableHeader& header) {
    if (!header.sortOrderId.empty()) {
        for (const auto& d : kDrivers)
            if (EqualsNoCase(std::string(d.sortOrderId), header.sortOrderId)) return d;
        return kUnknownDriver;
    }
    for (const auto& d : kDrivers)
        if (d.sortByte == header.sortOrder) return d;
    return kUnknownDriver;
}

KeyRules::KeyRules(const TableHeader& table) : rules_(&DriverRulesFor(table)) {
    name_ = !table.sortOrderId.empty() ? table.sortOrderId : "sort order " + std::to_string(table.sortOrder);
    // The driver's own page; the header's where the driver works in several.
    codePage_ = rules_->codePage != 0 ? rules_->codePage : table.codePage;
    upper_ = UpperTable(codePage_, &multiByte_);
    bool headerMultiByte = false;
    loose_ = UpperTable(table.codePage != 0 ? table.codePage : codePage_, &headerMultiByte);
    if (rules_->caseInsensitiveKeys == CaseInsensitiveKeys::AsciiOnly) {
        for (int b = 0; b < 256; ++b)
            upper_[b] = static_cast<std::uint8_t>(b >= kFirstLower && b <= kLastLower ? b - kCaseDistance : b);
    }
}

bool KeyRules::OrderEstablished(const std::vector<FieldDesc>& fields) const {
    if (rules_->orderEstablished) return true;
    return std::none_of(fields.begin(), fields.end(), [](const FieldDesc& f) { return f.type == FieldType::Alpha; });
}

void KeyRules::CaseInsensitiveKey(std::uint8_t* bytes, std::size_t length) const {
    if (multiByte_) {
        // A lead byte's trail byte may look like an ASCII letter and must stay.
        std::string text(reinterpret_cast<const char*>(bytes), length);
        TextCodec(codePage_).UpperInPlace(text);
        std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(std::min(length, text.size())), bytes);
        return;
    }
    for (std::size_t i = 0; i < length; ++i) bytes[i] = upper_[bytes[i]];
}

void KeyRules::LooseCaseKey(std::uint8_t* bytes, std::size_t length) const {
    for (std::size_t i = 0; i < length; ++i) bytes[i] = loose_[bytes[i]];
}

std::uint8_t KeyRules::IndexFlags(bool caseInsensitive, bool descending, bool unique) {
    return static_cast<std::uint8_t>((caseInsensitive ? kIndexFlagCaseInsensitive : 0) |
                                     (descending ? kIndexFlagDescending : 0) | (unique ? kIndexFlagUnique : 0));
}

}  // namespace ter5::engine
