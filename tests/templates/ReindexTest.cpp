// The reindex engine: the table stem rule, the index files it deletes and keeps,
// the group and single-table drivers, progress, messages and engine errors.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "TemplateTestSupport.h"
#include "base/DemoBase.h"
#include "engine/EngineError.h"
#include "engine/FileUtil.h"
#include "engine/Table.h"
#include "templates/Reindexer.h"
#include "templates/TemplateDefinitions.h"
#include "templates/TemplateModule.h"

namespace ter5::templates {
namespace {

using namespace testing;
using engine::FieldType;
using engine::IndexDef;
using engine::Value;

const IndexDef kPrimary{"", {"Code"}, true, false, false};

// Code and Name, three records, with `indexes`.
void MakeSmallTable(const fs::path& path, const std::vector<IndexDef>& indexes = {}) {
    MakeTable(path, {{"Code", FieldType::Long, 0, false}, {"Name", FieldType::Alpha, 20, false}}, indexes,
              {{Value::Int(3), Value::Text("в")}, {Value::Int(1), Value::Text("Б")}, {Value::Int(2), Value::Text("а")}});
}

class ReindexTest : public ::testing::Test {
protected:
    void SetUp() override {
        module = std::make_unique<TemplateModule>(templates.Str());
        host.target = base.Str();
    }
    TemplateStore& Store() { return module->Store(); }
    // A new current group of `tables` (name, flag), each with `indexes`.
    void MakeGroup(const std::vector<std::pair<std::string, std::string>>& tables, const std::vector<IndexRow>& indexes) {
        Store().AppendGroup("Группа", kGroupOther);
        for (const auto& [name, flag] : tables) AddTableTemplate(Store(), name, flag, {}, indexes);
    }
    void ReindexGroup() { Reindexer(Store(), host).ReindexGroup(&host); }
    std::size_t Closes() const { return std::count(host.calls.begin(), host.calls.end(), "close"); }

    TempDir templates, base;
    std::unique_ptr<TemplateModule> module;
    RecordingHost host;
};

TEST_F(ReindexTest, DefaultGroupRebuildsADemoBaseKeepingItsRecords) {
    base::WriteDemoBase(base.Path(), base::DemoOptions{60, 1});
    const auto before = SortedRecords(base.Path() / "POLIGON.DB");
    Reindexer::DeleteIndexFiles(base.Path(), "POLIGON");
    ReindexGroup();
    EXPECT_EQ(host.maximum, 3u);
    EXPECT_EQ(host.positions, (std::vector<std::size_t>{0, 1, 2, 3, 0}));
    EXPECT_EQ(host.calls.size(), 9u);  // close, refresh, open per table
    EXPECT_EQ(host.calls.back(), "open " + base.Str());
    EXPECT_EQ(SortedRecords(base.Path() / "POLIGON.DB"), before);
    const auto indexes = IndexesOf(base.Path() / "POLIGON.DB");
    ASSERT_EQ(indexes.size(), 2u);
    EXPECT_EQ(indexes[1].def.name, "TerPut");
    EXPECT_TRUE(indexes[1].def.caseInsensitive);
    EXPECT_EQ(UpperFileNames(base.Path()).size(), 8u);  // three .DB, three .PX, .XG0, .YG0
    std::string output;
    EXPECT_EQ(RunTool("verify " + base.Str(), &output), 0) << output;
}

TEST_F(ReindexTest, StemRuleMarksAndMissingTables) {
    MakeSmallTable(base.Path() / "poligon.db");
    MakeSmallTable(base.Path() / "a.DB");
    MakeSmallTable(base.Path() / "PLAIN.DB");
    MakeGroup({{"POLIGON.DB", kReindexMark}, {"A.B.DB", kReindexMark}, {"poligon", kReindexMark},
               {"PLAIN.DB", " "}, {"EMPTY.DB", ""}, {"TER.DB", kReindexMark}},
              {{"", "Code"}, {"ByName", "Name"}});
    ReindexGroup();
    EXPECT_EQ(host.positions, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6, 0}));  // unmarked ones count too
    EXPECT_EQ(Closes(), 3u);
    EXPECT_EQ(host.messages, std::vector<std::string>{"База TER не найдена в каталоге " + base.Str() + " !"});
    for (const char* t : {"poligon.db", "a.DB"}) EXPECT_EQ(IndexesOf(base.Path() / t)[1].def.name, "ByName") << t;
    EXPECT_TRUE(IndexesOf(base.Path() / "PLAIN.DB").empty());

    ASSERT_TRUE(Store().LocateTable("plain.db"));  // single-table reindex: marked or not
    Reindexer(Store(), host).ReindexCurrentTable();
    EXPECT_EQ(IndexesOf(base.Path() / "PLAIN.DB").size(), 2u);

    EXPECT_TRUE(Reindexer::ReindexEnabled(base.Str()));
    EXPECT_FALSE(Reindexer::ReindexEnabled((base.Path() / "gone").string()));
}

TEST_F(ReindexTest, OnlyTheElevenIndexFilesAreDeleted) {
    std::vector<IndexDef> indexes = {kPrimary, {"Name", {"Name"}, false, false, false}};  // .X02
    for (int i = 0; i < 6; ++i) indexes.push_back({"I" + std::to_string(i), {"Name"}, false, true, false});
    MakeSmallTable(base.Path() / "T.DB", indexes);
    MakeGroup({{"T.DB", kReindexMark}}, {});
    ReindexGroup();
    EXPECT_TRUE(host.progress.empty());  // no index rows: no progress drawn
    EXPECT_EQ(UpperFileNames(base.Path()), (std::vector<std::string>{"T.DB", "T.X02", "T.XG5", "T.Y02", "T.YG5"}));
}

TEST_F(ReindexTest, ProgressPerIndexRowAndAFieldNamedIndexReplaced) {
    MakeSmallTable(base.Path() / "T.DB", {kPrimary, {"Name", {"Name"}, false, false, false}});
    MakeGroup({{"T.DB", kReindexMark}}, {{" ", "Code"}, {"ByBoth", "Name;Code"}, {"name", "Name"}});
    ReindexGroup();
    const std::vector<std::pair<double, double>> expected = {{1.0 / 3, 0}, {2.0 / 3, 0}, {1, 0}, {1, 0}};
    EXPECT_EQ(host.progress, expected);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"close", "refresh", "open " + base.Str()}));
    EXPECT_EQ(IndexesOf(base.Path() / "T.DB").size(), 3u);  // "Name" rewritten in .X02, not doubled
    EXPECT_EQ(UpperFileNames(base.Path()),
              (std::vector<std::string>{"T.DB", "T.PX", "T.X02", "T.XG0", "T.Y02", "T.YG0"}));
}

TEST_F(ReindexTest, EngineErrorRestoresTheBaseAndStopsTheGroup) {
    MakeSmallTable(base.Path() / "A.DB", {kPrimary});
    MakeSmallTable(base.Path() / "B.DB", {kPrimary});
    MakeGroup({{"A.DB", kReindexMark}, {"B.DB", kReindexMark}}, {{"", "Code"}, {"Bad", "Missing"}});
    const auto before = SortedRecords(base.Path() / "A.DB");
    EXPECT_THROW(ReindexGroup(), engine::EngineError);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"close", "refresh", "open " + base.Str()}));
    EXPECT_FALSE(Store().Work().Exclusive());
    EXPECT_EQ(SortedRecords(base.Path() / "A.DB"), before);
    EXPECT_TRUE(engine::FindFileNoCase(base.Path(), "B.PX"));  // B was not reached

    engine::Table holder;  // another program holds B: no exclusive open
    holder.SetDatabaseName(base.Str());
    holder.SetTableName("B.DB");
    holder.Open();
    ASSERT_TRUE(Store().LocateTable("B.DB"));
    EXPECT_THROW(Reindexer(Store(), host).ReindexCurrentTable(), engine::EngineError);
    EXPECT_EQ(host.calls.back(), "open " + base.Str());
}

}  // namespace
}  // namespace ter5::templates
