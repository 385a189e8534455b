// ter5tool index add: adds a primary or secondary index to a closed table.
#include <cstdio>

#include "Commands.h"
#include "engine/EngineError.h"
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

int Usage() {
    std::fprintf(stderr,
                 "usage: ter5tool index add TABLE --primary \"F1;F2\"\n"
                 "       ter5tool index add TABLE --secondary NAME \"F1;F2\" [--case-insensitive]\n");
    return 2;
}

int RunIndex(const std::vector<std::string>& args) {
    if (args.size() < 4 || args[0] != "add") return Usage();
    engine::IndexDef def;
    const std::string table = args[1];
    if (args[2] == "--primary" && args.size() == 4) {
        def.primary = true;
        def.fields = SplitFields(args[3]);
    } else if (args[2] == "--secondary" && args.size() >= 5) {
        def.name = args[3];
        def.fields = SplitFields(args[4]);
        for (std::size_t i = 5; i < args.size(); ++i) {
            if (args[i] == "--case-insensitive")
                def.caseInsensitive = true;
            else
                return Usage();
        }
    } else {
        return Usage();
    }
    engine::AddIndex(table, def);
    return 0;
}

const CommandRegistration kRegistration("index", "add TABLE --primary \"F1;F2\" | --secondary NAME \"F1;F2\" [--case-insensitive]",
                                        RunIndex);

}  // namespace
}  // namespace ter5::tool
