#pragma once
// The kinds of search of the search dialog and the SQL text of the hit list each
// one runs over the open base: four lines, the third a LIKE condition holding the
// typed text between two percent signs.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ter5::engine {
class Query;
}

namespace ter5::search {

// What a press of "&Найти" looks for, one kind per radio button of the dialog.
enum class SearchKind {
    OwnerName,      // ter.family      (RadioButton1, "Ф.И.О.")
    OwnerAddress,   // ter.adr_house   (RadioButton2, "Адрес владельца")
    ParcelAddress,  // subter.house    (RadioButton3, "Адрес участка")
    Cadastral,      // subter.IdentificationCode (RadioButton4, "Кадастровому №")
    Coordinates,    // a point to centre the map on (RadioButton5, "Координаты")
};

// The text searches in the dialog's table order.
inline constexpr SearchKind kTextSearchKinds[] = {SearchKind::OwnerName, SearchKind::OwnerAddress,
                                                  SearchKind::ParcelAddress, SearchKind::Cadastral};

// True for the two searches over the parcel table.
bool IsParcelSearch(SearchKind kind);

// True for the four searches that run a query (all but Coordinates).
bool IsTextSearch(SearchKind kind);

// The grid field the typed text is located in as a prefix: "Family", "Adr_House",
// "House" or "IdentificationCode". Empty for Coordinates.
std::string_view LocateField(SearchKind kind);

// The typed text as it goes between the percent signs of the LIKE literal: blanks
// trimmed at both ends and every double quote doubled, so a quote matches itself
// and cannot end the literal; "%" and "_" stay wildcards.
std::string LikeLiteralText(std::string_view typed);

// The four lines of the hit list query for a text search, e.g. for OwnerName and
// "abc": "select ter.code, ter.family" / "from ter" /
// "WHERE (ter.family LIKE "%abc%")" / "ORDER BY ter.family, ter.code".
// Empty for Coordinates.
std::vector<std::string> HitQueryLines(SearchKind kind, std::string_view typed);

// True when a hit list query lists parcels: its text contains "from subter".
bool IsParcelQueryText(std::string_view sqlText);

// Points `query` (closed) at the base in `directory` and gives it the four lines
// for `kind` and `typed`. Returns false, leaving the query alone, for Coordinates.
bool PrepareHitQuery(engine::Query& query, const std::string& directory, SearchKind kind, std::string_view typed);

// The kind named by a command-line option: "--owner", "--owner-address",
// "--parcel-address" or "--cadastral"; nothing for any other text.
std::optional<SearchKind> SearchKindFromOption(std::string_view option);

}  // namespace ter5::search
