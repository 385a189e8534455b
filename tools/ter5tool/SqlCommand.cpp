// `ter5tool sql DIR "select …"`: runs a query over the tables of a directory and
// prints the result as CSV in the form of `dump`: a header row of field names,
// then one row per result row, values in their dump text (ValueText.h), NULL as
// an empty field, LF line ends. Line breaks in the query text separate its lines.

#include <string>
#include <vector>

#include "Commands.h"
#include "CsvOutput.h"
#include "engine/EngineError.h"
#include "engine/Query.h"

namespace ter5::tool {
namespace {

using namespace ter5::engine;

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t cut = text.find('\n', start);
        std::string line = text.substr(start, cut == std::string::npos ? std::string::npos : cut - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        if (cut == std::string::npos) return lines;
        start = cut + 1;
    }
}

int RunSql(const std::vector<std::string>& args) {
    RejectOptions(args);
    if (args.size() != 2) Fail("", "sql takes a directory and one query text, e.g. sql base \"select * from ter\"");
    Query query;
    query.SetDatabaseName(args[0]);
    query.SetSql(SplitLines(args[1]));
    query.Open();
    PrintDataSetCsv(query);
    return 0;
}

const CommandRegistration kSql("sql", "DIR \"SELECT …\"  run a query over the tables of DIR; the result as CSV", RunSql,
                               "Tables are named by file name, with or without .db (select * from ter).\n"
                               "The CSV has a header row of field names, one row per result row, NULL as an\n"
                               "empty value and LF line ends. Line breaks in the query text separate its\n"
                               "lines.\n");

}  // namespace
}  // namespace ter5::tool
