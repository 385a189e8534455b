// The reindex engine: the table stem rule, the index files it deletes and keeps,
// the group and single-table drivers, progress, messages and engine errors; and a
// reindex interrupted at any write, by an error or by the death of the process,
// loses no record, the next reindex giving a consistent table again.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <map>
#include <memory>

#include "../engine/ProcessSupport.h"
#include "TemplateTestSupport.h"
#include "base/DemoBase.h"
#include "engine/EngineError.h"
#include "engine/FileTransaction.h"
#include "engine/FileUtil.h"
#include "engine/IndexVerify.h"
#include "engine/Table.h"
#include "engine/TableLock.h"
#include "templates/Reindexer.h"
#include "templates/TemplateDefinitions.h"
#include "templates/TemplateStore.h"

namespace ter5::templates {
namespace {

using namespace testing;
using engine::FieldType;
using engine::IndexDef;
using engine::Value;
using engine::WriteStage;

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

// The bytes of every file in `dir` but the engine's lock file.
std::map<std::string, std::vector<std::uint8_t>> FileBytes(const fs::path& dir) {
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename() != engine::kLockFileName) files[e.path().filename().string()] = engine::ReadWholeFile(e.path());
    return files;
}

TEST_F(ReindexTest, EngineErrorsChangeNoByteRestoreTheBaseAndStopTheGroup) {
    MakeSmallTable(base.Path() / "A.DB", {kPrimary, {"ByName", {"Name"}, false, true}});
    MakeSmallTable(base.Path() / "B.DB", {kPrimary});
    MakeGroup({{"A.DB", kReindexMark}, {"B.DB", kReindexMark}}, {{"", "Code"}, {"Bad", "Missing"}});
    const auto before = FileBytes(base.Path());
    EXPECT_THROW(ReindexGroup(), engine::EngineError);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"close", "refresh", "open " + base.Str()}));
    EXPECT_FALSE(Store().Work().Exclusive());
    EXPECT_EQ(FileBytes(base.Path()), before);  // A keeps its .PX and .XG0 pair; B was not reached

    // Another process holds B: the reindex is busy and B keeps every file.
    {
        engine::testing::Holder holder("engine-shared", base.Path() / "B.DB");
        ASSERT_TRUE(holder.Held());
        ASSERT_TRUE(Store().LocateTable("B.DB"));
        try {
            Reindexer(Store(), host).ReindexCurrentTable();
            ADD_FAILURE() << "a held table was reindexed";
        } catch (const engine::EngineError& e) {
            EXPECT_NE(std::string(e.what()).find("Table is busy"), std::string::npos) << e.what();
        }
        EXPECT_EQ(host.calls.back(), "open " + base.Str());
        EXPECT_EQ(FileBytes(base.Path()), before);
    }
    // Once it lets go, the reindex gets as far as the template's bad row.
    try {
        Reindexer(Store(), host).ReindexCurrentTable();
        ADD_FAILURE() << "the bad index row was accepted";
    } catch (const engine::EngineError& e) {
        EXPECT_NE(std::string(e.what()).find("Missing"), std::string::npos) << e.what();
    }
}

// Exit code of a child process stopped by the injected kill.
constexpr int kKilledExitCode = 42;
constexpr int kVertices = 600;

struct InjectedFault {};

// Reindexes the default group's POLIGON.DB in `base`.
void ReindexVertices(const std::string& templates, const std::string& base) {
    TemplateModule module(templates);
    ASSERT_TRUE(module.Store().LocateTable("POLIGON.DB"));
    RecordingHost host;
    host.target = base;
    Reindexer(module.Store(), host).ReindexCurrentTable();
}

// Calls `fault` at the `n`-th write (from 1) that reaches `stage`.
void HookNthWrite(int n, WriteStage stage, void (*fault)()) {
    engine::SetWriteHook([n, stage, fault, count = 0](const fs::path&, WriteStage s) mutable {
        if (s == stage && ++count == n) fault();
    });
}

class FaultInjectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        TemplateModule create(templates.Str());
        std::vector<std::vector<Value>> rows;  // unkeyed, codes falling: the primary index re-sorts
        for (int i = 0; i < kVertices; ++i)
            rows.push_back({Value::Int(kVertices - i), Value::Float(i % 7), Value::Float(i / 7 + 1)});
        MakeTable(pristine.Path() / "POLIGON.DB",
                  {{"Code", FieldType::Long, 0, false}, {"PutNumber", FieldType::Number, 0, false},
                   {"Ter", FieldType::Number, 0, false}}, {}, rows);
        original = SortedRecords(pristine.Path() / "POLIGON.DB");
    }
    void TearDown() override { engine::SetWriteHook(nullptr); }

    // Reindexes a fresh copy of the base with `fault` at the n-th write reaching
    // `stage` (in a child process when `kill`), then checks that the records
    // survived and that a new reindex makes the table consistent.
    void Interrupt(int n, WriteStage stage, bool kill) {
        const std::string what = "write " + std::to_string(n) + (stage == WriteStage::BeforeReplace ? " before" : " after") +
                                 (kill ? ", kill" : ", error");
        TempDir base;
        CopyWritable(pristine.Path(), base.Path());
        if (!kill) {
            HookNthWrite(n, stage, [] { throw InjectedFault{}; });
            EXPECT_THROW(ReindexVertices(templates.Str(), base.Str()), InjectedFault) << what;
            engine::SetWriteHook(nullptr);
        } else {
#ifdef _WIN32
            // No fork: ter5tool reindexes, stops itself at the write and is terminated there.
            const std::string at = (stage == WriteStage::BeforeReplace ? "staged:" : "replaced:") + std::to_string(n);
            engine::testing::Child child({TER5_TOOL_PATH, "reindex", base.Str(), "--group", "TER v.5", "--table",
                                          "poligon.db", "--templates", templates.Str()},
                                         {"TER5TOOL_STOP_AT=" + at});
            ASSERT_TRUE(child.WaitStopped()) << what;
            child.Kill();
            EXPECT_EQ(child.Wait(), -1) << what;
#else
            if (const pid_t child = ::fork(); child == 0) {
                HookNthWrite(n, stage, [] { ::_exit(kKilledExitCode); });
                ReindexVertices(templates.Str(), base.Str());
                ::_exit(0);
            } else {
                int status = 0;
                ::waitpid(child, &status, 0);
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == kKilledExitCode) << what;
            }
#endif
        }
        EXPECT_EQ(SortedRecords(base.Path() / "POLIGON.DB"), original) << what;
        ReindexVertices(templates.Str(), base.Str());
        EXPECT_EQ(SortedRecords(base.Path() / "POLIGON.DB"), original) << what;
        const auto problems = engine::VerifyTable(base.Path() / "POLIGON.DB");
        EXPECT_TRUE(std::none_of(problems.begin(), problems.end(), [](const auto& p) { return !p.isNote; })) << what;
    }

    TempDir templates, pristine;
    std::vector<std::string> original;
};

TEST_F(FaultInjectionTest, NoRecordIsLostAtAnyWrite) {
    int writes = 0;
    TempDir counted;
    CopyWritable(pristine.Path(), counted.Path());
    engine::SetWriteHook([&](const fs::path&, WriteStage s) { writes += s == WriteStage::BeforeReplace; });
    ReindexVertices(templates.Str(), counted.Str());
    engine::SetWriteHook(nullptr);
    ASSERT_EQ(writes, 4);  // the sorted table, its .PX, the .XG0 and the .YG0
    for (int n = 1; n <= writes; ++n)
        for (WriteStage stage : {WriteStage::BeforeReplace, WriteStage::AfterReplace})
            for (bool kill : {false, true}) Interrupt(n, stage, kill);
}

}  // namespace
}  // namespace ter5::templates
