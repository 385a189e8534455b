// `ter5tool demo DIR [--parcels N] [--seed S] [--replace]`: writes a demo base
// (owners, parcels and their vertices, with indexes) into DIR. A directory that
// already holds one of the base's tables is left alone unless --replace is given.

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Commands.h"
#include "base/DemoBase.h"
#include "engine/EngineError.h"
#include "engine/FileUtil.h"

namespace ter5::tool {
namespace {

using engine::Fail;

template <typename T>
T ParseCount(const std::vector<std::string>& args, std::size_t& i) {
    const std::string& option = args[i];
    if (i + 1 >= args.size()) Fail("", option + " needs a whole number");
    const std::string& text = args[++i];
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        Fail("", option + " needs a whole number, not '" + text + "'");
    return value;
}

int RunDemo(const std::vector<std::string>& args) {
    std::string dir;
    base::DemoOptions options;
    bool replace = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--parcels") {
            options.parcels = ParseCount<std::size_t>(args, i);
        } else if (args[i] == "--seed") {
            options.seed = ParseCount<std::uint64_t>(args, i);
        } else if (args[i] == "--replace") {
            replace = true;
        } else if (IsOption(args[i])) {
            Fail("", "unknown option '" + args[i] + "'");
        } else if (dir.empty()) {
            dir = args[i];
        } else {
            Fail("", "one directory only, got more than one");
        }
    }
    if (dir.empty()) Fail("", "no directory given (usage: demo DIR [--parcels N] [--seed S] [--replace])");
    if (!replace) {
        for (const char* table : {base::kOwnerTableFile, base::kParcelTableFile, base::kVertexTableFile})
            if (auto existing = engine::FindFileNoCase(engine::PathFromUtf8(dir), table))
                Fail(engine::PathToUtf8(*existing), "the directory already holds a base table; use --replace to overwrite it");
    }
    const base::DemoSummary summary = base::WriteDemoBase(engine::PathFromUtf8(dir), options);
    std::printf("%s: %zu parcels, %zu owners, %zu vertices\n", dir.c_str(), summary.parcels, summary.owners,
                summary.vertices);
    return 0;
}

const CommandRegistration kDemo("demo", "DIR [--parcels N] [--seed S] [--replace]  write a demo base into DIR",
                                RunDemo,
                                "Writes owners (ter.db), parcels (subter.db) and their boundary vertices\n"
                                "(poligon.db), with their indexes, into DIR (created when missing).\n\n"
                                "options:\n"
                                "  --parcels N  the number of parcels (default 500; 50000 makes a district of\n"
                                "               about a million vertices; 0 writes the tables empty)\n"
                                "  --seed S     another seed gives another district (default 1)\n"
                                "  --replace    overwrite a base already in DIR\n");

}  // namespace
}  // namespace ter5::tool
