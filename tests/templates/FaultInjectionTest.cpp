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
using engine::WriteStage;

// Exit code of a child process stopped by the injected kill.
constexpr int kKilledExitCode = 42;

struct InjectedFault {};

// Reindexes the default group's POLIGON.DB in `base` with the templates in `templates`.
void ReindexVertices(const std::string& templates, const std::string& base) {
    TemplateModule module(templates);
    ASSERT_TRUE(module.Store().LocateTable("POLIGON.DB"));
    RecordingHost host;
    host.target = base;
    Reindexer(module.Store(), host).ReindexCurrentTable();
}

// Calls `fault` at the `n`-th write (from 1) that reaches `stage`.
void HookNthWrite(int n, WriteStage stage, void (*fault)()) {
    auto count = std::make_shared<int>(0);
    engine::SetWriteHook([=](const fs::path&, WriteStage s) {
        if (s == stage && ++*count == n) fault();
    });
}

class FaultInjectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        { TemplateModule create(templates.Str()); }
        MakeVertexTable(pristine.Path() / "POLIGON.DB", 150, 6, false);
        original = SortedRecords(pristine.Path() / "POLIGON.DB");
    }
    void TearDown() override { engine::SetWriteHook(nullptr); }

    // A fresh copy of the unindexed base.
    std::unique_ptr<TempDir> Copy() {
        auto dir = std::make_unique<TempDir>();
        fs::copy(pristine.Path(), dir->Path(), fs::copy_options::recursive);
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
    {
        auto base = Copy();
        engine::SetWriteHook([&](const fs::path&, WriteStage s) { writes += s == WriteStage::BeforeReplace; });
        ReindexVertices(templates.Str(), base->Str());
        engine::SetWriteHook(nullptr);
        ExpectRecoverable(*base, "uninterrupted");
    }
    ASSERT_GE(writes, 4);  // the sorted table, its .PX, the .XG0 and the .YG0

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
            ASSERT_TRUE(WIFEXITED(status)) << what;
            EXPECT_EQ(WEXITSTATUS(status), kKilledExitCode) << what;
            ExpectRecoverable(*killed, what + ", kill");
        }
    }
}

}  // namespace
}  // namespace ter5::templates
