#pragma once
// How the original table engine stores and orders alpha index keys, by the
// table's language driver: the sort-order id and sort byte of its header, never
// the code page its text is displayed in (many Russian tables hold cp1251 text
// under a cp1252 DBWINUS0 header, and the engine treats that text as cp1252).
//
// The rules, one table entry per driver (doc/paradox-indexes.md gives the
// evidence of each, observed in which real file, derived or chosen):
//   - case-insensitive alpha keys are stored upper-cased: every letter of the
//     driver's own code page, or the ASCII letters a-z alone;
//   - keys are ordered by the bytes stored, or the order is not established for
//     the driver: then the engine still writes byte order (its choice), verify
//     checks an index's entries as a set, and a rebuild keeps an existing index
//     whose order differs (IndexOrderGuard);
//   - the flag bits 0x55 of an index header, from the index definition.
// Keys of other field types are ordered by their stored bytes whatever the
// driver: the field encodings are made for that.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FieldDesc.h"
#include "TableHeader.h"

namespace ter5::engine {

// Which letters a case-insensitive index stores upper-cased.
enum class CaseInsensitiveKeys {
    CodePage,   // every letter of the driver's code page that has an upper-case form
    AsciiOnly,  // a-z alone; every other byte as the record holds it
};

// The rules of one language driver.
struct LanguageDriverRules {
    std::string_view sortOrderId;  // as the header spells it; empty: 3.x headers
    int sortByte = -1;             // header byte 0x29 in files of that driver; -1: any
    int codePage = 0;              // the page the driver works in (0: the header's)
    CaseInsensitiveKeys caseInsensitiveKeys = CaseInsensitiveKeys::CodePage;
    bool orderEstablished = false;  // real files show byte order of the stored keys
};

// The rules of the driver a header names: found by sort-order id (ignoring case),
// else by sort byte where the header has no id (3.x); a driver without an entry
// gets the engine's chosen rules (the code page's letters upper-cased, byte order,
// not established).
const LanguageDriverRules& DriverRulesFor(const TableHeader& header);

// The key rules of one table, ready for the per-record work.
class KeyRules {
public:
    explicit KeyRules(const TableHeader& table);

    // The driver's name for messages: its sort-order id, or "sort order N".
    const std::string& DriverName() const { return name_; }

    // True when real files establish the order of keys made of `fields` under this
    // driver: always for keys without alpha fields.
    bool OrderEstablished(const std::vector<FieldDesc>& fields) const;
    bool OrderEstablished() const { return rules_->orderEstablished; }

    // The stored form of `length` bytes of an alpha field in a case-insensitive key.
    void CaseInsensitiveKey(std::uint8_t* bytes, std::size_t length) const;

    // Every byte as any driver's upper-casing could store it, for checks that must
    // accept a key however its writer stored it: ASCII and the table's code page.
    void LooseCaseKey(std::uint8_t* bytes, std::size_t length) const;

    // The header flags byte 0x55 of an index with these options.
    static std::uint8_t IndexFlags(bool caseInsensitive, bool descending, bool unique);

private:
    const LanguageDriverRules* rules_;
    std::string name_;
    bool multiByte_ = false;
    int codePage_ = 0;
    std::array<std::uint8_t, 256> upper_{};  // byte → stored byte of a case-insensitive key
    std::array<std::uint8_t, 256> loose_{};  // byte → its loose upper-case form
};

}  // namespace ter5::engine
