// ter5tool index add: adds a primary or secondary index to a closed table.
#include <cstdio>

#include "Commands.h"
#include "engine/EngineError.h"
#include "engine/FileUtil.h"
#include "engine/IndexMaintenance.h"

namespace ter5::tool {
namespace {

std::vector<std::string> SplitFields(const std::string& list) {
    std::vector<std::string> fields;
    std::string current;
    for (char c : list) {
        if (c == ';') {
            fields.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    fields.push_back(current);
    for (auto& f : fields) {
        const auto b = f.find_first_not_of(' ');
        const auto e = f.find_last_not_of(' ');
        f = b == std::string::npos ? std::string() : f.substr(b, e - b + 1);
    }
    return fields;
}

// The value after option args[i]; moves i onto it.
const std::string& OptionValue(const std::vector<std::string>& args, std::size_t& i, const char* what) {
    if (i + 1 >= args.size()) engine::Fail("", args[i] + " needs " + what);
    return args[++i];
}

int RunIndex(const std::vector<std::string>& args) {
    engine::IndexDef def;
    engine::IndexKeeping keeping;
    std::string action, table;
    bool primary = false, secondary = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--primary") {
            primary = true;
            def.fields = SplitFields(OptionValue(args, i, "a field list (\"F1;F2\")"));
        } else if (a == "--secondary") {
            secondary = true;
            def.name = OptionValue(args, i, "an index name and a field list");
            def.fields = SplitFields(OptionValue(args, i, "a field list (\"F1;F2\") after the index name"));
        } else if (a == "--case-insensitive") {
            def.caseInsensitive = true;
        } else if (a == "--force") {
            keeping.force = true;
        } else if (IsOption(a)) {
            engine::Fail("", "unknown option '" + a + "'");
        } else if (action.empty()) {
            action = a;
        } else if (table.empty()) {
            table = a;
        } else {
            engine::Fail("", "one table only, got '" + table + "' and '" + a + "'");
        }
    }
    if (action != "add") engine::Fail("", "the only action is 'add' (usage: index add TABLE --primary \"F1;F2\")");
    if (table.empty()) engine::Fail("", "no table given (usage: index add TABLE --primary \"F1;F2\")");
    if (primary == secondary) engine::Fail("", "give either --primary or --secondary");
    if (primary && def.caseInsensitive) engine::Fail("", "--case-insensitive is for a secondary index only");
    def.primary = primary;
    engine::AddIndex(engine::PathFromUtf8(table), def, 0, &keeping);
    for (const std::string& note : keeping.notes) std::printf("note: %s\n", note.c_str());
    return 0;
}

const CommandRegistration kRegistration(
    "index",
    "add TABLE (--primary \"F1;F2\" | --secondary NAME \"F1;F2\" [--case-insensitive]) [--force]  add an index to a "
    "table",
    RunIndex,
    "The index is built from the table's records. Field names are separated by ';'\n"
    "in key order.\n\n"
    "options:\n"
    "  --primary \"F1;F2\"         key the table on its leading fields (a .PX file)\n"
    "  --secondary NAME \"F1;F2\"  a secondary index NAME (.Xnn/.Ynn or .XGn/.YGn)\n"
    "  --case-insensitive        the secondary index ignores case\n"
    "  --force                   replace even an index of the same name (or re-sort\n"
    "                            a keyed table) whose order follows rules of its\n"
    "                            language driver this program does not know;\n"
    "                            without it such an index is kept, with a note\n");

}  // namespace
}  // namespace ter5::tool
