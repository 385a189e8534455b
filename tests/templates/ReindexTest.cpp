// The reindex engine: the table stem rule, the index files it deletes and the ones
// it keeps, the group and single-table drivers, progress, messages, and recovery
// after an engine error.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "TemplateTestSupport.h"
#include "engine/EngineError.h"
#include "engine/FileUtil.h"
#include "engine/IndexVerify.h"
#include "templates/BaseCreator.h"
#include "templates/Reindexer.h"
#include "templates/TemplateDefinitions.h"
#include "templates/TemplateModule.h"

namespace ter5::templates {
namespace {

using namespace testing;
using engine::FieldType;
using engine::Value;

// Two fields and three records, keyed on Code, with a secondary index on Name.
void MakeSmallTable(const fs::path& path, const std::vector<engine::IndexDef>& indexes) {
    MakeTable(path, {{"Code", FieldType::Long, 0, false}, {"Name", FieldType::Alpha, 20, false}}, indexes,
              {{Value::Int(3), Value::Text("в")}, {Value::Int(1), Value::Text("Б")}, {Value::Int(2), Value::Text("а")}});
}

bool HasErrors(const fs::path& table) {
    const auto problems = engine::VerifyTable(table);
    return std::any_of(problems.begin(), problems.end(), [](const auto& p) { return !p.isNote; });
}

class ReindexTest : public ::testing::Test {
protected:
    void SetUp() override {
        module = std::make_unique<TemplateModule>(templates.Str());
        host.target = base.Str();
        host.work = &Store().Work();
    }
    TemplateStore& Store() { return module->Store(); }
    // A new current group holding `tables` (name, flag), each with `indexes`.
    void MakeGroup(const std::vector<std::pair<std::string, std::string>>& tables, const std::vector<IndexRow>& indexes) {
        Store().AppendGroup("Группа", kGroupOther);
        for (const auto& [name, flag] : tables) AddTableTemplate(Store(), name, flag, {}, indexes);
    }
    std::size_t Count(const std::string& call) const { return std::count(host.calls.begin(), host.calls.end(), call); }

    TempDir templates, base;
    std::unique_ptr<TemplateModule> module;
    RecordingHost host;
};

TEST_F(ReindexTest, DefaultGroupRebuildsAWorkingBaseWithItsRecords) {
    MakeVertexTable(base.Path() / "poligon.db", 40, 6);
    BaseCreator(Store()).CreateGroupTables(base.Str(), nullptr);
    const auto before = SortedRecords(base.Path() / "poligon.db");
    Reindexer::DeleteIndexFiles(base.Path(), "poligon");
    ASSERT_TRUE(IndexesOf(base.Path() / "poligon.db").front().files.empty());  // keyed, .PX gone

    RecordingProgress bar;
    Reindexer(Store(), host).ReindexGroup(&bar);
    EXPECT_EQ(bar.maximum, 3u);
    EXPECT_EQ(bar.positions, (std::vector<std::size_t>{0, 1, 2, 3, 0}));
    EXPECT_EQ(Count("close"), 3u);
    EXPECT_EQ(Count("open " + base.Str()), 3u);
    EXPECT_TRUE(host.messages.empty());

    EXPECT_EQ(SortedRecords(base.Path() / "poligon.db"), before);
    const auto indexes = IndexesOf(base.Path() / "poligon.db");
    ASSERT_EQ(indexes.size(), 2u);
    EXPECT_TRUE(indexes[0].def.primary);
    EXPECT_EQ(indexes[1].def.name, "TerPut");
    EXPECT_TRUE(indexes[1].def.caseInsensitive);
    EXPECT_TRUE(engine::EqualsNoCase(indexes[1].files.front().extension().string(), ".XG0"));
    for (const char* t : {"poligon.db", "SUBTER.DB", "TER.DB"}) EXPECT_FALSE(HasErrors(base.Path() / t)) << t;
    std::string output;
    EXPECT_EQ(RunTool("verify " + base.Str(), &output), 0) << output;
}

TEST_F(ReindexTest, TableStemRuleFindsTheFileInAnyCase) {
    MakeSmallTable(base.Path() / "poligon.db", {});
    MakeSmallTable(base.Path() / "a.DB", {});
    MakeGroup({{"POLIGON.DB", kReindexMark}, {"A.B.DB", kReindexMark}, {"poligon", kReindexMark}},
              {{"", "Code"}, {"ByName", "Name"}});
    Reindexer(Store(), host).ReindexGroup(nullptr);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(Count("close"), 3u);
    for (const char* t : {"poligon.db", "a.DB"}) {
        const auto indexes = IndexesOf(base.Path() / t);
        ASSERT_EQ(indexes.size(), 2u) << t;
        EXPECT_EQ(indexes[1].def.name, "ByName");
    }
}

TEST_F(ReindexTest, GroupSkipsUnmarkedTablesButCountsThem) {
    MakeSmallTable(base.Path() / "MARKED.DB", {});
    MakeSmallTable(base.Path() / "PLAIN.DB", {});
    MakeGroup({{"MARKED.DB", kReindexMark}, {"PLAIN.DB", " "}, {"EMPTY.DB", ""}}, {{"", "Code"}});
    RecordingProgress bar;
    Reindexer(Store(), host).ReindexGroup(&bar);
    EXPECT_EQ(bar.positions, (std::vector<std::size_t>{0, 1, 2, 3, 0}));
    EXPECT_EQ(Count("close"), 1u);
    EXPECT_EQ(IndexesOf(base.Path() / "MARKED.DB").size(), 1u);
    EXPECT_TRUE(IndexesOf(base.Path() / "PLAIN.DB").empty());

    // The single-table reindex takes the current template, marked or not.
    ASSERT_TRUE(Store().LocateTable("plain.db"));
    Reindexer(Store(), host).ReindexCurrentTable();
    EXPECT_EQ(IndexesOf(base.Path() / "PLAIN.DB").size(), 1u);
}

TEST_F(ReindexTest, MissingTablesGiveOneMessageEachAndLeaveTheBaseOpen) {
    MakeGroup({{"POLIGON.DB", kReindexMark}, {"TER.DB", kReindexMark}, {"X.DB", ""}}, {{"", "Code"}});
    Reindexer(Store(), host).ReindexGroup(nullptr);
    EXPECT_EQ(host.messages, (std::vector<std::string>{"База POLIGON не найдена в каталоге " + base.Str() + " !",
                                                       "База TER не найдена в каталоге " + base.Str() + " !"}));
    EXPECT_TRUE(host.calls.empty());
    EXPECT_TRUE(Reindexer::ReindexEnabled(base.Str()));
    EXPECT_FALSE(Reindexer::ReindexEnabled((base.Path() / "gone").string()));
}

TEST_F(ReindexTest, OnlyTheElevenIndexFilesAreDeleted) {
    std::vector<engine::IndexDef> six;
    for (int i = 0; i < 6; ++i) six.push_back({"I" + std::to_string(i), {"Name"}, false, true, false});
    six.insert(six.begin(), engine::IndexDef{"", {"Code"}, true, false, false});
    six.push_back({"Name", {"Name"}, false, false, false});  // .X02
    MakeSmallTable(base.Path() / "T.DB", six);
    MakeGroup({{"T.DB", kReindexMark}}, {});
    Reindexer(Store(), host).ReindexGroup(nullptr);
    EXPECT_TRUE(host.progress.empty());  // no index rows: no progress drawn
    EXPECT_EQ(UpperFileNames(base.Path()), (std::vector<std::string>{"T.DB", "T.X02", "T.XG5", "T.Y02", "T.YG5"}));
}

TEST_F(ReindexTest, ProgressCountsIndexRowsAndAFieldNamedIndexIsReplaced) {
    MakeSmallTable(base.Path() / "T.DB", {{"", {"Code"}, true, false, false}, {"Name", {"Name"}, false, false, false}});
    MakeGroup({{"T.DB", kReindexMark}}, {{"", "Code"}, {"ByBoth", "Name;Code"}, {"name", "Name"}});
    Reindexer(Store(), host).ReindexGroup(nullptr);
    const std::vector<std::pair<double, double>> expected = {{1.0 / 3, 0}, {2.0 / 3, 0}, {1, 0}, {1, 0}};
    EXPECT_EQ(host.progress, expected);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"close", "refresh", "open " + base.Str()}));
    const auto indexes = IndexesOf(base.Path() / "T.DB");
    ASSERT_EQ(indexes.size(), 3u);  // the .X02 "Name" was rewritten, not doubled
    EXPECT_EQ(UpperFileNames(base.Path()),
              (std::vector<std::string>{"T.DB", "T.PX", "T.X02", "T.XG0", "T.Y02", "T.YG0"}));
    EXPECT_FALSE(HasErrors(base.Path() / "T.DB"));
}

TEST_F(ReindexTest, EngineErrorRestoresTheBaseAndStopsTheGroup) {
    MakeSmallTable(base.Path() / "A.DB", {{"", {"Code"}, true, false, false}});
    MakeSmallTable(base.Path() / "B.DB", {{"", {"Code"}, true, false, false}});
    MakeGroup({{"A.DB", kReindexMark}, {"B.DB", kReindexMark}}, {{"", "Code"}, {"Bad", "Missing"}});
    const auto before = SortedRecords(base.Path() / "A.DB");
    EXPECT_THROW(Reindexer(Store(), host).ReindexGroup(nullptr), engine::EngineError);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"close", "refresh", "open " + base.Str()}));
    EXPECT_FALSE(Store().Work().Exclusive());
    EXPECT_FALSE(Store().Work().Active());
    EXPECT_EQ(SortedRecords(base.Path() / "A.DB"), before);
    EXPECT_TRUE(engine::FindFileNoCase(base.Path(), "B.PX"));  // B was not reached

    // A table another program holds cannot be opened exclusively.
    engine::Table holder;
    holder.SetDatabaseName(base.Str());
    holder.SetTableName("B.DB");
    holder.Open();
    host.calls.clear();
    ASSERT_TRUE(Store().LocateTable("B.DB"));
    EXPECT_THROW(Reindexer(Store(), host).ReindexCurrentTable(), engine::EngineError);
    EXPECT_EQ(host.calls.back(), "open " + base.Str());
}

}  // namespace
}  // namespace ter5::templates
