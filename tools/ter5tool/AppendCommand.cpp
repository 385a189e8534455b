// `ter5tool append TABLE FILE.csv`: appends the rows of a CSV file to a table.
//
// The CSV's first row names the fields (any order, any subset, matched ignoring
// case); each further row is one new record, every value read by ParseValueText
// for its field's type (an empty value is NULL; a NULL auto-increment field gets
// the next number). Rows go through the table's editing path — new-row set-up,
// conversions, key checks — with writes held back and saved once at the end, so
// a failing row leaves the table as it was. Prints the number of rows appended.

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "Commands.h"
#include "engine/EngineError.h"
#include "engine/Table.h"
#include "engine/ValueText.h"

namespace ter5::tool {
namespace {

using namespace ter5::engine;

// Appends the CSV rows after the header; returns how many. `row` numbers count the header as 1.
std::size_t AppendRows(Table& table, std::istream& in, const std::vector<int>& columns, const std::string& csvName) {
    std::size_t appended = 0;
    for (std::size_t row = 2;; ++row) {
        const std::vector<std::string> values = ParseCsvRecord(in);
        if (values.empty()) return appended;
        if (values.size() == 1 && values[0].empty() && columns.size() > 1) continue;  // a blank line
        if (values.size() != columns.size())
            Fail(csvName, "row " + std::to_string(row) + " has " + std::to_string(values.size()) + " values for " +
                              std::to_string(columns.size()) + " columns");
        table.Append();
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const FieldDesc& field = table.Fields()[static_cast<std::size_t>(columns[c])];
            try {
                table.SetValue(columns[c], ParseValueText(field.type, values[c]));
            } catch (const EngineError& e) {
                Fail(csvName, "row " + std::to_string(row) + ", field '" + field.name + "': " + e.what());
            }
        }
        table.Post();
        ++appended;
    }
}

int RunAppend(const std::vector<std::string>& args) {
    RejectOptions(args);
    if (args.size() != 2) Fail("", "append takes a table and a CSV file");
    const std::string& csvName = args[1];
    std::ifstream in(csvName, std::ios::binary);
    if (!in) Fail(csvName, "cannot open");

    Table table;
    table.SetTableName(args[0]);
    table.SetDeferredWrites(true);
    table.SetExclusive(true);  // the whole read-modify-write under one hold: a second writer is busy at once
    table.Open();

    const std::vector<std::string> header = ParseCsvRecord(in);
    if (header.empty()) Fail(csvName, "the file is empty; its first row must name the fields");
    std::vector<int> columns;
    for (const std::string& name : header) {
        const int field = table.FieldIndex(name);
        if (field < 0) Fail(csvName, "column '" + name + "' is not a field of " + table.DisplayName());
        columns.push_back(field);
    }
    std::size_t appended = 0;
    try {
        appended = AppendRows(table, in, columns, csvName);
        table.FlushBuffers();
    } catch (...) {
        table.CancelDeferredWrites();  // nothing of a failed load reaches the table
        throw;
    }
    table.Close();
    std::printf("appended %zu rows to %s\n", appended, args[0].c_str());
    return 0;
}

const CommandRegistration kAppend("append", "TABLE FILE.csv  append the CSV's rows (header row = field names) to TABLE",
                                  RunAppend,
                                  "The first row of FILE.csv names the fields (any order, any subset, ignoring\n"
                                  "case); each further row is one new record. An empty value is NULL; an empty\n"
                                  "auto-increment field gets the next number. A row that does not fit (a bad\n"
                                  "value, a duplicate key) stops the load, and the table is left as it was.\n");

}  // namespace
}  // namespace ter5::tool
