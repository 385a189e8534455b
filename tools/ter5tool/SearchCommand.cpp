// `ter5tool search BASE (--owner|--owner-address|--parcel-address|--cadastral) TEXT`:
// runs the hit list query of the search dialog over the base in BASE and prints
// the hits as CSV in the query's order: a header row of the query's columns, then
// one row per hit, values in their dump text (ValueText.h), LF line ends. TEXT is
// trimmed and matched anywhere in the field, ignoring case; "%" and "_" in it are
// wildcards, a double quote matches itself.

#include <string>
#include <vector>

#include "Commands.h"
#include "CsvOutput.h"
#include "engine/EngineError.h"
#include "engine/Query.h"
#include "search/SearchQuery.h"

namespace ter5::tool {
namespace {

using namespace ter5::engine;

int RunSearch(const std::vector<std::string>& args) {
    if (args.size() != 3)
        Fail("", "search takes a base directory, a kind and a text, e.g. search base --owner \"ова\"");
    const auto kind = search::SearchKindFromOption(args[1]);
    if (!kind) Fail("", "unknown search kind '" + args[1] + "': use --owner, --owner-address, --parcel-address or --cadastral");

    Query query;
    search::PrepareHitQuery(query, args[0], *kind, args[2]);
    query.Open();
    PrintDataSetCsv(query);
    return 0;
}

const CommandRegistration kSearch("search",
                                  "BASE (--owner|--owner-address|--parcel-address|--cadastral) TEXT  "
                                  "the search dialog's hits in BASE as CSV",
                                  RunSearch);

}  // namespace
}  // namespace ter5::tool
