// `ter5tool dump TABLE [--encoding CP]`: the table as CSV on standard output.
//
// Format: RFC 4180 fields (quoted only when they hold a comma, quote, CR or LF),
// records ended by LF, not CRLF, so that the output diffs cleanly on every
// platform; a quoted value keeps its own line breaks as stored. The first row holds
// the field names; then every record in physical (block chain) order, each value
// in its dump text (ValueText.h), NULL as an empty field. A secondary index file
// (.Xnn/.XGn) is itself a table and dumps like one; .PX and .Y files are B-trees
// without records of their own and are refused.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "CsvOutput.h"
#include "engine/EngineError.h"
#include "engine/FileUtil.h"
#include "engine/TableFile.h"
#include "engine/TableLock.h"
#include "engine/TextCodec.h"

namespace ter5::tool {
namespace {

using namespace ter5::engine;

struct DumpOptions {
    std::string table;
    int codePage = 0;  // 0: the table's default text page
};

DumpOptions ParseArgs(const std::vector<std::string>& args) {
    DumpOptions o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--encoding") {
            if (i + 1 >= args.size()) Fail("", "--encoding needs a code page (e.g. 1251, cp866)");
            o.codePage = ParseCodePage(args[++i]);
        } else if (a.starts_with("--encoding=")) {
            o.codePage = ParseCodePage(a.substr(a.find('=') + 1));
        } else if (IsOption(a)) {
            Fail("", "unknown option '" + a + "'");
        } else if (o.table.empty()) {
            o.table = a;
        } else {
            Fail("", "one table only, got '" + o.table + "' and '" + a + "'");
        }
    }
    if (o.table.empty()) Fail("", "no table given (usage: dump TABLE [--encoding CP])");
    return o;
}

int RunDump(const std::vector<std::string>& args) {
    const DumpOptions options = ParseArgs(args);
    // Held shared while the records and their blobs are read: no writer changes them half-way.
    const std::filesystem::path tablePath = engine::PathFromUtf8(options.table);
    const TableLock lock(ResolveNoCase(tablePath).value_or(tablePath), TableLock::Mode::Shared);
    const auto table = TableFile::Load(tablePath, options.codePage);
    const auto& header = table->Header();
    if (header.IsTreeFile())
        Fail(table->Name(), "is an index tree (.PX/.Y file) with no records of its own; dump its table or .X file");

    const auto& fields = table->Fields();
    CsvOutput csv;
    csv.WriteHeader(fields);
    for (std::size_t i = 0; i < table->RecordCount(); ++i) {
        const std::uint8_t* record = table->Record(i);
        for (std::size_t f = 0; f < fields.size(); ++f) csv.AddValue(fields[f].type, table->Decode(record, f));
        csv.EndRow();
    }
    csv.Finish();
    for (const auto& note : table->Notes()) std::fprintf(stderr, "ter5tool dump: %s: %s\n", table->Name().c_str(), note.c_str());
    return 0;
}

const CommandRegistration kDump("dump", "TABLE [--encoding CP]  the table as CSV (LF line ends) on standard output",
                                RunDump,
                                "The first row holds the field names, then every record in the table's physical\n"
                                "order; NULL is an empty value. A secondary index file (.Xnn, .XGn) dumps like a\n"
                                "table.\n\n"
                                "options:\n"
                                "  --encoding CP  read text in code page CP (866, 1251, cp866, windows-1251 ...)\n"
                                "                 instead of the one the table's header names\n");

}  // namespace
}  // namespace ter5::tool
