// `ter5tool search BASE (--owner|--owner-address|--parcel-address|--cadastral) TEXT`:
// runs the hit list query of the search dialog over the base in BASE and prints
// the hits as CSV in the query's order: a header row of the query's columns, then
// one row per hit, values in their dump text (ValueText.h), LF line ends. TEXT is
// trimmed and matched anywhere in the field, ignoring case; "%" and "_" in it are
// wildcards, a double quote matches itself.

#include <optional>
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

constexpr char kKinds[] = "--owner, --owner-address, --parcel-address or --cadastral";

int RunSearch(const std::vector<std::string>& args) {
    std::optional<search::SearchKind> kind;
    std::optional<std::string> text;
    std::vector<std::string> bases;
    for (std::size_t i = 0; i < args.size(); ++i) {
        // The text follows its kind, so a text that looks like an option is still a text.
        if (const auto named = search::SearchKindFromOption(args[i]); named && !kind) {
            kind = named;
            if (i + 1 < args.size()) text = args[++i];
        } else if (IsOption(args[i])) {
            Fail("", "unknown option '" + args[i] + "' (the kinds are " + kKinds + ")");
        } else {
            bases.push_back(args[i]);
        }
    }
    if (!kind) Fail("", std::string("no search kind given: ") + kKinds);
    if (bases.size() != 1 || !text)
        Fail("", "search takes a base directory, a kind and a text, e.g. search base --owner \"ова\"");

    Query query;
    search::PrepareHitQuery(query, bases.front(), *kind, *text);
    query.Open();
    PrintDataSetCsv(query);
    return 0;
}

const CommandRegistration kSearch("search",
                                  "BASE (--owner|--owner-address|--parcel-address|--cadastral) TEXT  "
                                  "the search dialog's hits in BASE as CSV",
                                  RunSearch,
                                  "TEXT is matched anywhere in the field, ignoring case and the spaces around it;\n"
                                  "\"%\" stands for any run of characters and \"_\" for one.\n\n"
                                  "kinds:\n"
                                  "  --owner           the owner's name (ter.family)\n"
                                  "  --owner-address   the owner's address (ter.adr_house)\n"
                                  "  --parcel-address  the parcel's address (subter.house)\n"
                                  "  --cadastral       the cadastral number (subter.IdentificationCode)\n");

}  // namespace
}  // namespace ter5::tool
