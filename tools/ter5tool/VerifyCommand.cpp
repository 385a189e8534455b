// `ter5tool verify PATH…`: checks tables and their index files. A directory stands
// for every .DB in it. One line per problem on standard output ("error: …" or
// "note: …"). Exit code 0: consistent (notes allowed), 1: inconsistent, 2: a table
// could not be read at all ("unreadable: …") or is held by a writer ("busy: …").
// Damage found ends with a line on standard error that names the repair.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Commands.h"
#include "engine/EngineError.h"
#include "engine/FileUtil.h"
#include "engine/IndexVerify.h"
#include "engine/TableRepair.h"

namespace ter5::tool {
namespace {

using namespace ter5::engine;
namespace fs = std::filesystem;

// Exit codes of the command.
constexpr int kConsistent = 0;
constexpr int kInconsistent = 1;
constexpr int kUnreadable = 2;

std::vector<fs::path> TablesIn(const fs::path& dir) {
    std::vector<fs::path> tables;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec) && EqualsNoCase(engine::PathToUtf8(it->path().extension()), ".db")) tables.push_back(it->path());
    std::sort(tables.begin(), tables.end());
    return tables;
}

// Verifies one table; returns its exit code.
int VerifyOne(const fs::path& path) {
    std::vector<VerifyProblem> problems;
    try {
        problems = VerifyTable(path);
    } catch (const TableBusyError& e) {
        // Held by a writer (or held exclusively): not checked now, and nothing wrong found.
        std::printf("busy: %s\n", e.what());
        return kUnreadable;
    } catch (const EngineError& e) {
        std::printf("unreadable: %s\n", e.what());
        return kUnreadable;
    }
    bool consistent = true;
    for (const auto& p : problems) {
        std::printf("%s: %s\n", p.isNote ? "note" : "error", p.text.c_str());
        consistent = consistent && p.isNote;
    }
    return consistent ? kConsistent : kInconsistent;
}

int RunVerify(const std::vector<std::string>& args) {
    RejectOptions(args);
    if (args.empty()) Fail("", "verify needs at least one table or directory");
    int result = kConsistent;
    bool damage = false;
    for (const auto& arg : args) {
        const fs::path path = engine::PathFromUtf8(arg);
        std::error_code ec;
        std::vector<fs::path> tables;
        if (fs::is_directory(path, ec)) {
            tables = TablesIn(path);
            if (tables.empty()) std::fprintf(stderr, "ter5tool verify: %s: no .DB tables in this directory\n", arg.c_str());
        } else {
            tables.push_back(path);
        }
        for (const auto& t : tables) {
            const int code = VerifyOne(t);
            damage = damage || code == kInconsistent;
            result = std::max(result, code);
        }
    }
    std::fflush(stdout);
    // Damage found: say what deals with it (a table that cannot be opened at all may be busy or missing).
    if (damage) std::fprintf(stderr, "ter5tool verify: damage found; %s\n", kRepairAdvice);
    return result;
}

const CommandRegistration kVerify("verify", "PATH...  check tables and their index files (a directory: every .DB in it); "
                                            "exit 0 consistent, 1 inconsistent, 2 unreadable or busy",
                                  RunVerify,
                                  "Prints one line per problem: \"error: ...\" where an index disagrees with its\n"
                                  "table, \"note: ...\" for what does no harm (notes alone still exit 0), and\n"
                                  "\"unreadable: ...\" for a table that cannot be read at all, \"busy: ...\" for one\n"
                                  "another process holds exclusively (a write in progress); both exit 2.\n");

}  // namespace
}  // namespace ter5::tool
