// The repair window's commands without a toolkit: a stray file that is no table among a
// base's tables is reported damaged in Russian, and repairing it without a structure
// says in Russian that it cannot be repaired and changes nothing.

#include <gtest/gtest.h>

#include <fstream>

#include "TemplateTestSupport.h"
#include "base/DemoBase.h"
#include "engine/FileUtil.h"
#include "templates/RepairWindowSteps.h"

namespace ter5::templates {
namespace {

using namespace testing;

std::string Bytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(RepairWindowSteps, AStrayFileIsDamagedInRussianAndLeftAsItWas) {
    TempDir dir;
    TemplateModule module(dir.Str());
    const fs::path base = dir.Path() / "base";
    base::WriteDemoBase(base, base::DemoOptions{20, 1});
    std::ofstream(base / "BROKEN.DB", std::ios::binary) << std::string(4096, 'Z');

    const std::vector<TableState> states = CheckBaseTables(base);
    ASSERT_EQ(states.size(), 4u);
    EXPECT_EQ(states[0].table.filename(), "BROKEN.DB");
    EXPECT_TRUE(states[0].damaged);
    EXPECT_NE(states[0].summary.find("не файл Paradox"), std::string::npos) << states[0].summary;
    for (std::size_t i = 1; i < states.size(); ++i) EXPECT_FALSE(states[i].damaged) << states[i].summary;
    EXPECT_TRUE(AnyDamaged(states));
    EXPECT_EQ(RepairGroupChoices(module.Store()).front(), RepairTexts().noGroup);

    RecordingHost host;
    host.target = engine::PathToUtf8(base);
    const std::string before = Bytes(base / "BROKEN.DB");
    const std::string report = RepairDamagedTables(module.Store(), host, base, states, RepairTexts().noGroup);
    EXPECT_NE(report.find("восстановить нельзя"), std::string::npos) << report;
    EXPECT_NE(report.find("не файл Paradox"), std::string::npos) << report;
    EXPECT_EQ(Bytes(base / "BROKEN.DB"), before);
}

}  // namespace
}  // namespace ter5::templates
