// ter5tool geometry and pick on a demo base: the CSV holds one row per vertex of
// every loaded parcel, and a pick at a parcel's centre finds that parcel.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "../support/ProcessRun.h"
#include "base/DemoBase.h"
#include "engine/FileUtil.h"

namespace fs = std::filesystem;

namespace ter5::base {
namespace {

// The output of ter5tool with `args` (shell words).
std::string RunTool(const std::string& args, int* exitCode = nullptr) {
    std::string out;
    const int code = ter5::testing::RunProgram(TER5_TOOL_PATH, args, &out);
    if (exitCode) *exitCode = code;
    return out;
}

std::vector<std::vector<std::string>> Rows(const std::string& csv) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(csv);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> cells;
        std::istringstream cellsIn(line);
        for (std::string cell; std::getline(cellsIn, cell, ',');) cells.push_back(cell);
        rows.push_back(cells);
    }
    return rows;
}

TEST(GeometryCommand, VerticesAsCsvAndPickAtAParcelCentre) {
    const fs::path dir = fs::temp_directory_path() / "ter5-geometry-command";
    fs::remove_all(dir);
    const DemoSummary summary = WriteDemoBase(dir, {40, 3});
    const std::string quoted = "'" + engine::PathToUtf8(dir) + "'";

    const auto all = Rows(RunTool("geometry " + quoted));
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all[0].size(), 16u);
    EXPECT_EQ(all[0][0], "Code");
    EXPECT_EQ(all.size() - 1, summary.vertices);

    const std::string code = all[1][0];
    const auto one = Rows(RunTool("geometry " + quoted + " --parcel " + code));
    ASSERT_GT(one.size(), 3u);  // header and a closed ring
    for (std::size_t i = 1; i < one.size(); ++i) {
        EXPECT_EQ(one[i][0], code);
        EXPECT_EQ(one[i][9], std::to_string(i - 1));  // Index counts from 0 within the parcel
    }

    // The first parcel of this seed is a plain lot: the centre of its box lies inside it.
    const std::string hit = RunTool("pick " + quoted + " " + one[1][7] + " " + one[1][8]);
    EXPECT_EQ(hit, "Found,Code\ntrue," + code + "\n");
    EXPECT_EQ(RunTool("pick " + quoted + " 0 0"), "Found,Code\nfalse,-1\n");

    int exitCode = 0;
    RunTool("pick " + quoted + " abc 0", &exitCode);
    EXPECT_EQ(exitCode, 2);
    RunTool("geometry '" + engine::PathToUtf8(dir / "missing") + "'", &exitCode);
    EXPECT_EQ(exitCode, 2);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace ter5::base
