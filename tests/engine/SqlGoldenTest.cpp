// Golden-file tests of Query: each case in tests/engine/sql/*.golden gives the
// query text and the expected rows (or error). Also runs `ter5tool sql` and
// `ter5tool append` on the same base.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "../support/ProcessRun.h"
#include "DataSetTestSupport.h"
#include "engine/EngineError.h"
#include "engine/Query.h"
#include "engine/SqlParser.h"
#include "engine/Table.h"

namespace ter5::engine {
namespace {

using namespace testing;

// The golden files beside this source file.
const fs::path kGoldenDir = TER5_SQL_GOLDEN_DIR;
constexpr char kErrorPrefix[] = "error: ";

struct GoldenCase {
    std::string title;
    std::string folder;  // under the test data directory; empty: the test base
    std::vector<std::string> query;
    std::vector<std::string> expected;
};

std::vector<GoldenCase> ReadGolden(const fs::path& file) {
    std::ifstream in(file);
    std::vector<GoldenCase> cases;
    std::string line;
    bool inQuery = false;
    while (std::getline(in, line)) {
        if (line.starts_with("===")) {
            GoldenCase c;
            c.title = line.substr(4);
            if (const auto at = c.title.rfind(" @"); at != std::string::npos) {
                c.folder = c.title.substr(at + 2);
                c.title.resize(at);
            }
            cases.push_back(std::move(c));
            inQuery = true;
        } else if (cases.empty()) {
            continue;  // the file's comment
        } else if (inQuery && line == "---") {
            inQuery = false;
        } else {
            (inQuery ? cases.back().query : cases.back().expected).push_back(line);
        }
    }
    for (auto& c : cases)
        while (!c.expected.empty() && c.expected.back().empty()) c.expected.pop_back();
    return cases;
}

// The result as `ter5tool sql` prints it, one string per line.
std::vector<std::string> ResultLines(Query& q) {
    std::vector<std::string> lines;
    std::string header;
    for (std::size_t f = 0; f < q.Fields().size(); ++f) header += (f ? "," : "") + CsvEscape(q.Fields()[f].name);
    lines.push_back(header);
    for (q.First(); !q.Eof(); q.Next()) {
        std::string row;
        for (std::size_t f = 0; f < q.Fields().size(); ++f)
            row += (f ? "," : "") + CsvEscape(FormatValueText(q.Fields()[f].type, q.GetValue(static_cast<int>(f))));
        lines.push_back(row);
    }
    return lines;
}

void RunGoldenFile(const std::string& name, const std::string& baseDir) {
    const auto cases = ReadGolden(kGoldenDir / name);
    ASSERT_FALSE(cases.empty()) << name;
    for (const GoldenCase& c : cases) {
        SCOPED_TRACE(name + ": " + c.title);
        Query q;
        q.SetDatabaseName(c.folder.empty() ? baseDir : (fs::path(TER5_TEST_DATA_DIR) / c.folder).string());
        q.SetSql(c.query);
        if (!c.expected.empty() && c.expected[0].starts_with(kErrorPrefix)) {
            const std::string wanted = c.expected[0].substr(sizeof kErrorPrefix - 1);
            try {
                q.Open();
                ADD_FAILURE() << "no error; expected " << wanted;
            } catch (const EngineError& e) {
                EXPECT_NE(std::string(e.what()).find(wanted), std::string::npos) << e.what();
            }
            EXPECT_FALSE(q.Active());
            continue;
        }
        q.Open();
        EXPECT_EQ(ResultLines(q), c.expected);
    }
}

TEST(SqlGolden, SmallBase) {
    TempDir dir;
    MakeBase(dir.Path());
    RunGoldenFile("base.golden", dir.Str());
}

TEST(SqlGolden, RealTables) { RunGoldenFile("real.golden", ""); }

TEST(SqlGolden, MangledQueriesFailCleanly) {
    // Every cut and every inserted quote, bracket or stray byte of a valid query
    // either parses or fails with EngineError.
    const std::string valid = "select ter.code, ter.family\nfrom \"ter.db\"\nWHERE (ter.family LIKE '%ова%')\n"
                              "ORDER BY ter.family, ter.code;";
    const char inserts[] = {'"', '\'', '(', ')', ',', '.', '*', ';', '\xD0', '\0', ' '};
    int parsed = 0, refused = 0;
    for (std::size_t at = 0; at <= valid.size(); ++at) {
        std::vector<std::string> variants{valid.substr(0, at)};
        for (char c : inserts) variants.push_back(valid.substr(0, at) + c + valid.substr(at));
        for (const auto& text : variants) {
            try {
                SqlParser::Parse(text);
                ++parsed;
            } catch (const EngineError& e) {
                EXPECT_NE(std::string(e.what()).find("Invalid SQL: "), std::string::npos) << e.what();
                ++refused;
            }
        }
    }
    EXPECT_GT(parsed, 0);
    EXPECT_GT(refused, 0);
}

TEST(SqlGolden, QueryHoldsASharedLockUntilClosed) {
    TempDir dir;
    MakeBase(dir.Path());
    Query q;
    q.SetDatabaseName(dir.Str());
    q.SetSql({"select * from ter"});
    q.Open();
    Table exclusive;
    exclusive.SetDatabaseName(dir.Str());
    exclusive.SetTableName("TER");
    exclusive.SetExclusive(true);
    EXPECT_THROW(exclusive.Open(), EngineError);
    q.Close();
    exclusive.Open();
    EXPECT_EQ(exclusive.RecordCount(), 8u);
}

// --- ter5tool -----------------------------------------------------------------------------------

// Runs ter5tool with `args` (already quoted for the shell); returns its exit code
// and standard output.
std::pair<int, std::string> RunTool(const std::string& args) {
    std::string output;
    const int code = ter5::testing::RunProgram(TER5_TOOL_PATH, args, &output);
    return {code, output};
}

TEST(SqlGolden, ToolPrintsQueryResultsAsCsv) {
    TempDir dir;
    MakeBase(dir.Path());
    const auto [code, out] = RunTool("sql \"" + dir.Str() +
                                     "\" 'select ter.code, ter.family\nfrom ter\nWHERE (ter.family LIKE \"%ова%\")\n"
                                     "ORDER BY ter.family, ter.code'");
    EXPECT_EQ(code, 0);
    EXPECT_EQ(out, "Code,Family\n5,Егорова Вера\n1,Иванова Мария\n2,петрова анна\n7,Петрова Анна\n");
    const auto [badCode, badOut] = RunTool("sql \"" + dir.Str() + "\" 'select * from ter where code > 1'");
    EXPECT_EQ(badCode, 2);
    EXPECT_NE(badOut.find("only LIKE conditions are supported at '> 1'"), std::string::npos) << badOut;
}

TEST(SqlGolden, ToolAppendsCsvRowsThroughTheTable) {
    TempDir dir;
    MakeBase(dir.Path());
    const fs::path csv = dir.Path() / "new.csv";
    std::ofstream(csv) << "Ter,PutNumber,X,Y\n6,1,600,60\n6,2,\"610.5\",60\n\n6,3,600,70\n";
    const auto [code, out] = RunTool("append \"" + (dir.Path() / "POLIGON.DB").string() + "\" \"" + csv.string() + "\"");
    EXPECT_EQ(code, 0) << out;
    EXPECT_NE(out.find("appended 3 rows"), std::string::npos) << out;

    Query q;
    q.SetDatabaseName(dir.Str());
    q.SetSql({"select code, ter, putnumber, x from poligon"});
    q.Open();
    ASSERT_EQ(q.RecordCount(), 13u);
    EXPECT_EQ(ResultLines(q).back(), "13,6,3,600");  // auto-increment goes on after the ten vertices
    q.MoveTo(12);
    EXPECT_EQ(q.AsFloat("X"), 610.5);
    q.Close();

    // A bad value anywhere leaves the table untouched.
    std::ofstream(csv) << "Ter,X\n7,1\n7,abc\n";
    const auto [badCode, badOut] = RunTool("append \"" + (dir.Path() / "poligon.db").string() + "\" \"" + csv.string() + "\"");
    EXPECT_EQ(badCode, 2);
    EXPECT_NE(badOut.find("new.csv: row 3, field 'X': cannot read 'abc'"), std::string::npos) << badOut;
    q.Open();
    EXPECT_EQ(q.RecordCount(), 13u);
}

}  // namespace
}  // namespace ter5::engine
