// A reindex interrupted at any write, by an error or by the death of the process,
// loses no record, and the next reindex gives a consistent table again.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "TemplateTestSupport.h"
#include "engine/FileUtil.h"
#include "engine/IndexVerify.h"
#include "templates/Reindexer.h"
#include "templates/TemplateModule.h"

namespace ter5::templates {
namespace {

using namespace testing;
using engine::FieldType;
using engine::Value;
using engine::WriteStage;

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

    std::unique_ptr<TempDir> Copy() {
        auto dir = std::make_unique<TempDir>();
        CopyWritable(pristine.Path(), dir->Path());
        return dir;
    }
    // The records survived, and a new reindex makes the table consistent.
    void ExpectRecoverable(const TempDir& base, const std::string& what) {
        EXPECT_EQ(SortedRecords(base.Path() / "POLIGON.DB"), original) << what;
        ReindexVertices(templates.Str(), base.Str());
        EXPECT_EQ(SortedRecords(base.Path() / "POLIGON.DB"), original) << what;
        const auto problems = engine::VerifyTable(base.Path() / "POLIGON.DB");
        EXPECT_TRUE(std::none_of(problems.begin(), problems.end(), [](const auto& p) { return !p.isNote; })) << what;
        EXPECT_EQ(IndexesOf(base.Path() / "POLIGON.DB").size(), 2u) << what;
    }

    TempDir templates, pristine;
    std::vector<std::string> original;
};

TEST_F(FaultInjectionTest, NoRecordIsLostAtAnyWrite) {
    int writes = 0;
    auto counted = Copy();
    engine::SetWriteHook([&](const fs::path&, WriteStage s) { writes += s == WriteStage::BeforeReplace; });
    ReindexVertices(templates.Str(), counted->Str());
    engine::SetWriteHook(nullptr);
    ASSERT_EQ(writes, 4);  // the sorted table, its .PX, the .XG0 and the .YG0

    for (int n = 1; n <= writes; ++n) {
        for (WriteStage stage : {WriteStage::BeforeReplace, WriteStage::AfterReplace}) {
            const std::string what = "write " + std::to_string(n) + (stage == WriteStage::BeforeReplace ? " before" : " after");
            auto thrown = Copy();
            HookNthWrite(n, stage, [] { throw InjectedFault{}; });
            EXPECT_THROW(ReindexVertices(templates.Str(), thrown->Str()), InjectedFault) << what;
            engine::SetWriteHook(nullptr);
            ExpectRecoverable(*thrown, what + ", error");

            auto killed = Copy();
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                HookNthWrite(n, stage, [] { ::_exit(kKilledExitCode); });
                ReindexVertices(templates.Str(), killed->Str());
                ::_exit(0);
            }
            int status = 0;
            ::waitpid(child, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == kKilledExitCode) << what;
            ExpectRecoverable(*killed, what + ", kill");
        }
    }
}

}  // namespace
}  // namespace ter5::templates
