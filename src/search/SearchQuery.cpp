#include "search/SearchQuery.h"

#include "engine/Query.h"
#include "search/TextTrim.h"

namespace ter5::search {

namespace {

// One row of the query table: select line, from line, condition column, order line.
struct QueryShape {
    const char* select;
    const char* from;
    const char* column;
    const char* order;
};

constexpr QueryShape kOwnerName{"select ter.code, ter.family", "from ter", "ter.family",
                                "ORDER BY ter.family, ter.code"};
constexpr QueryShape kOwnerAddress{"select ter.code, ter.family, ter.adr_house", "from ter", "ter.adr_house",
                                   "ORDER BY ter.family, ter.code"};
constexpr QueryShape kParcelAddress{"select subter.code, subter.house", "from subter", "subter.house",
                                    "ORDER BY subter.house, subter.code"};
constexpr QueryShape kCadastral{"select subter.code, subter.IdentificationCode", "from subter",
                                "subter.IdentificationCode", "ORDER BY subter.IdentificationCode, subter.code"};

const QueryShape* ShapeOf(SearchKind kind) {
    switch (kind) {
    case SearchKind::OwnerName: return &kOwnerName;
    case SearchKind::OwnerAddress: return &kOwnerAddress;
    case SearchKind::ParcelAddress: return &kParcelAddress;
    case SearchKind::Cadastral: return &kCadastral;
    case SearchKind::Coordinates: break;
    }
    return nullptr;
}

// The text that marks a parcel query.
constexpr std::string_view kParcelFromText = "from subter";

}  // namespace

bool IsParcelSearch(SearchKind kind) {
    return kind == SearchKind::ParcelAddress || kind == SearchKind::Cadastral;
}

bool IsTextSearch(SearchKind kind) {
    return kind != SearchKind::Coordinates;
}

std::string_view LocateField(SearchKind kind) {
    switch (kind) {
    case SearchKind::OwnerName: return "Family";
    case SearchKind::OwnerAddress: return "Adr_House";
    case SearchKind::ParcelAddress: return "House";
    case SearchKind::Cadastral: return "IdentificationCode";
    case SearchKind::Coordinates: break;
    }
    return {};
}

std::string LikeLiteralText(std::string_view typed) {
    const std::string_view trimmed = TrimBlanks(typed);
    std::string literal;
    literal.reserve(trimmed.size() + 2);
    for (const char c : trimmed) {
        literal += c;
        if (c == '"') literal += '"';
    }
    return literal;
}

std::vector<std::string> HitQueryLines(SearchKind kind, std::string_view typed) {
    const QueryShape* shape = ShapeOf(kind);
    if (!shape) return {};
    std::string condition = "WHERE (";
    condition += shape->column;
    condition += " LIKE \"%";
    condition += LikeLiteralText(typed);
    condition += "%\")";
    return {shape->select, shape->from, std::move(condition), shape->order};
}

bool IsParcelQueryText(std::string_view sqlText) {
    return sqlText.find(kParcelFromText) != std::string_view::npos;
}

bool PrepareHitQuery(engine::Query& query, const std::string& directory, SearchKind kind, std::string_view typed) {
    if (!IsTextSearch(kind)) return false;
    query.SetDatabaseName(directory);
    query.ClearSql();
    for (std::string& line : HitQueryLines(kind, typed)) query.AddSqlLine(std::move(line));
    return true;
}

std::optional<SearchKind> SearchKindFromOption(std::string_view option) {
    if (option == "--owner") return SearchKind::OwnerName;
    if (option == "--owner-address") return SearchKind::OwnerAddress;
    if (option == "--parcel-address") return SearchKind::ParcelAddress;
    if (option == "--cadastral") return SearchKind::Cadastral;
    return std::nullopt;
}

}  // namespace ter5::search
