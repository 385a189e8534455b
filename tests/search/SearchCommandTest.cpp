// `ter5tool search`: the hit list as CSV in the query's order.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "SearchTestSupport.h"

namespace ter5::search {
namespace {

// Runs ter5tool with `args`; its standard output, and the exit status in `status`.
std::string RunTool(const std::string& args, int& status) {
    const std::string command = std::string("\"") + TER5_TOOL_PATH + "\" " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return {};
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    status = pclose(pipe);
    return out;
}

TEST(SearchCommandTest, PrintsTheHitsAsCsvInTheQueryOrder) {
    testing::TempDir dir;
    testing::WriteBase(dir.Path(), testing::DistrictOwners(), testing::DistrictParcels());
    const std::string base = "\"" + dir.Path().string() + "\" ";
    int status = -1;
    EXPECT_EQ(RunTool("search " + base + "--owner ова", status),
              "Code,Family\n6,Баранова Ольга\n1,Иванова Мария\n5,Иванова Мария\n7,КОВАЛЕВ Олег\n9,Попова\n3,Попова Анна\n");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(RunTool("search " + base + "--owner-address '\"'", status), "Code,Family,Adr_House\n");
    EXPECT_EQ(RunTool("search " + base + "--owner 'Лесовод\"'", status), "Code,Family\n10,\"ООО \"\"Лесовод\"\"\"\n");
    EXPECT_EQ(RunTool("search " + base + "--cadastral 0002", status),
              "Code,IdentificationCode\n30,50:01:0002:30\n50,50:01:0002:50\n");
    RunTool("search " + base + "--area 1", status);
    EXPECT_NE(status, 0);
}

}  // namespace
}  // namespace ter5::search
