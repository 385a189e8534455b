// `ter5tool repair` as a user runs it: exit codes, the report and its file, the
// backup folder, --dry-run, structures from templates and tables, --recursive,
// a busy table, refused writes that name the repair, and a repair killed at every
// step of its write (real processes), which leaves the old table or the new one.

#include <gtest/gtest.h>

#include <algorithm>

#include "../engine/ProcessSupport.h"
#include "RepairTestSupport.h"
#include "TemplateTestSupport.h"
#include "base/DemoBase.h"
#include "engine/FileTransaction.h"
#include "engine/IndexVerify.h"
#include "engine/TableRepair.h"

namespace ter5::templates::testing {
namespace {

// A small demo base: the kill loop runs a process per step.
constexpr std::size_t kParcels = 25;

std::string Quoted(const fs::path& p) { return "'" + engine::PathToUtf8(p) + "'"; }

// The backup folders of a directory.
std::vector<fs::path> Backups(const fs::path& dir) {
    std::vector<fs::path> folders;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.is_directory() && engine::IsBackupFolderName(engine::PathToUtf8(e.path().filename()))) folders.push_back(e.path());
    return folders;
}

void ZeroBlock(const fs::path& table, std::size_t n) {
    Patch(table, [n](std::vector<std::uint8_t>& b) {
        const std::size_t at = BlockStart(b, n);
        std::fill(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + 4096), 0);
    });
}

// The files of the table POLIGON (no work files).
std::map<std::string, std::vector<std::uint8_t>> VertexFiles(const fs::path& dir) {
    auto files = Files(dir);
    std::erase_if(files, [](const auto& f) {
        return engine::IsEngineWorkFile(f.first) || !engine::EqualsNoCase(f.first.substr(0, 8), "POLIGON.");
    });
    return files;
}

class RepairCommandTest : public ::testing::Test {
protected:
    void SetUp() override { base::WriteDemoBase(base.Path(), {kParcels, 3}); }
    fs::path Vertices() const { return base.Path() / "POLIGON.DB"; }

    TempDir base;
};

TEST_F(RepairCommandTest, RepairsADirectoryReportsAndKeepsTheOriginals) {
    ZeroBlock(Vertices(), 2);
    const auto damaged = VertexFiles(base.Path());
    std::string out;
    // Verify lists the damage and names the way out.
    EXPECT_EQ(RunTool("verify " + Quoted(base.Path()), &out), 1) << out;
    EXPECT_NE(out.find("`ter5tool repair`"), std::string::npos) << out;
    EXPECT_NE(out.find("Проверка и восстановление базы"), std::string::npos) << out;
    EXPECT_EQ(RunTool("repair " + Quoted(base.Path()), &out), 1) << out;
    EXPECT_NE(out.find("POLIGON.DB: repaired with losses"), std::string::npos) << out;
    EXPECT_NE(out.find("blocks unreadable: 1 (2)"), std::string::npos) << out;
    EXPECT_NE(out.find("ter.db: nothing to repair"), std::string::npos) << out;
    const std::vector<fs::path> backups = Backups(base.Path());
    ASSERT_EQ(backups.size(), 1u);
    const std::vector<std::uint8_t> report = engine::ReadWholeFile(backups[0] / engine::kRepairReportFile);
    EXPECT_NE(std::string(report.begin(), report.end()).find("POLIGON.DB: repaired with losses"), std::string::npos);
    for (const auto& [name, bytes] : damaged) EXPECT_EQ(engine::ReadWholeFile(backups[0] / "POLIGON" / name), bytes) << name;
    EXPECT_EQ(RunTool("verify " + Quoted(base.Path()), &out), 0) << out;
    // A second run finds nothing to do and makes no backup.
    EXPECT_EQ(RunTool("repair " + Quoted(base.Path()), &out), 0) << out;
    EXPECT_NE(out.find("POLIGON.DB: nothing to repair"), std::string::npos) << out;
    EXPECT_EQ(Backups(base.Path()).size(), 1u);
}

TEST_F(RepairCommandTest, DryRunReportsAndChangesNothing) {
    ZeroBlock(Vertices(), 2);
    const auto before = Files(base.Path());
    std::string out;
    EXPECT_EQ(RunTool("repair --dry-run " + Quoted(Vertices()), &out), 1) << out;
    EXPECT_NE(out.find("POLIGON.DB: would be repaired with losses"), std::string::npos) << out;
    EXPECT_NE(out.find("dry run: nothing was changed"), std::string::npos) << out;
    EXPECT_EQ(Files(base.Path()), before);
    EXPECT_TRUE(Backups(base.Path()).empty());
}

TEST_F(RepairCommandTest, AnUnreadableHeaderTakesTheStructureFromTemplatesOrATable) {
    TempDir templates, intact, backup;
    CopyTable(base.Path(), "POLIGON", intact.Path());
    Patch(Vertices(), [](std::vector<std::uint8_t>& b) { b[engine::format::kDataHeaderEnd + 4] ^= 0x80; });
    const auto before = Files(base.Path());
    std::string out;
    EXPECT_EQ(RunTool("repair " + Quoted(Vertices()), &out), 2) << out;
    EXPECT_NE(out.find("not repairable"), std::string::npos) << out;
    EXPECT_EQ(Files(base.Path()), before);
    EXPECT_EQ(RunTool("repair " + Quoted(Vertices()) + " --structure " + Quoted(intact.Path() / "poligon.db") +
                          " --backup " + Quoted(backup.Path() / "b"),
                      &out),
              0)
        << out;
    EXPECT_TRUE(fs::exists(backup.Path() / "b" / "POLIGON" / "POLIGON.DB")) << out;
    EXPECT_EQ(SortedRecords(Vertices()), SortedRecords(intact.Path() / "POLIGON.DB"));
    // The same damage again, repaired from the default template group.
    Patch(Vertices(), [](std::vector<std::uint8_t>& b) { b[engine::format::kDataHeaderEnd + 4] ^= 0x80; });
    EXPECT_EQ(RunTool("repair " + Quoted(Vertices()) + " --templates " + Quoted(templates.Path()) + " --group 'TER v.5'", &out),
              0)
        << out;
    EXPECT_NE(out.find("template group 'TER v.5'"), std::string::npos) << out;
    EXPECT_EQ(SortedRecords(Vertices()), SortedRecords(intact.Path() / "POLIGON.DB"));
    EXPECT_EQ(RunTool("verify " + Quoted(Vertices()), &out), 0) << out;
}

TEST_F(RepairCommandTest, RecursiveRunsLeaveBackupFoldersAlone) {
    TempDir root;
    CopyWritable(base.Path(), root.Path() / "a" / "base");
    ZeroBlock(root.Path() / "a" / "base" / "POLIGON.DB", 2);
    std::string out;
    EXPECT_EQ(RunTool("repair --recursive " + Quoted(root.Path()), &out), 1) << out;
    EXPECT_EQ(RunTool("repair --recursive " + Quoted(root.Path()), &out), 0) << out;
    EXPECT_EQ(out.find("ter5-backup-"), std::string::npos) << "a backup was checked:\n" << out;
}

#ifndef _WIN32
TEST_F(RepairCommandTest, ABusyTableIsRefusedUnchanged) {
    ZeroBlock(Vertices(), 2);
    const auto before = Files(base.Path());
    engine::testing::Holder holder("open", Vertices());
    ASSERT_TRUE(holder.Held());
    std::string out;
    EXPECT_EQ(RunTool("repair " + Quoted(Vertices()), &out), 2) << out;
    EXPECT_NE(out.find("Table is busy"), std::string::npos) << out;
    EXPECT_EQ(holder.Finish(), 0);
    EXPECT_EQ(Files(base.Path()), before);
}
#endif

TEST_F(RepairCommandTest, WritesRefusedBecauseOfDamageNameTheRepair) {
    TempDir templates;
    std::string out;
    // An index outside the eleven files a reindex replaces, cut to nothing.
    ASSERT_EQ(RunTool("index add " + Quoted(Vertices()) + " --secondary X X", &out), 0) << out;
    fs::resize_file(base.Path() / "POLIGON.X03", 0);
    EXPECT_EQ(RunTool("reindex " + Quoted(base.Path()) + " --templates " + Quoted(templates.Path()) + " --group 'TER v.5'", &out),
              2)
        << out;
    EXPECT_NE(out.find("the table is damaged"), std::string::npos) << out;
    EXPECT_NE(out.find("`ter5tool repair`"), std::string::npos) << out;
    EXPECT_NE(out.find("Проверка и восстановление базы"), std::string::npos) << out;
    // The repair rebuilds it from its name.
    EXPECT_EQ(RunTool("repair " + Quoted(Vertices()), &out), 0) << out;
    EXPECT_NE(out.find("POLIGON.X03 could not be read: its index on 'X' is rebuilt"), std::string::npos) << out;
    EXPECT_GT(fs::file_size(base.Path() / "POLIGON.X03"), 0u);
    EXPECT_EQ(RunTool("verify " + Quoted(Vertices()), &out), 0) << out;
    // A damaged .DB refuses an append the same way.
    ZeroBlock(Vertices(), 2);
    const fs::path csv = templates.Path() / "rows.csv";
    const std::string rows = "Code,Ter\n999999,1\n";
    engine::WriteFileAtomic(csv, std::vector<std::uint8_t>(rows.begin(), rows.end()));
    EXPECT_EQ(RunTool("append " + Quoted(Vertices()) + " " + Quoted(csv), &out), 2) << out;
    EXPECT_NE(out.find("`ter5tool repair`"), std::string::npos) << out;
}

TEST_F(RepairCommandTest, ARepairKilledAtAnyStepLeavesTheOldTableOrTheNewOneWithItsBackup) {
    ZeroBlock(Vertices(), 2);
    TempDir pristine, done;
    CopyWritable(base.Path(), pristine.Path());
    CopyWritable(base.Path(), done.Path());
    std::string out;
    ASSERT_EQ(RunTool("repair " + Quoted(done.Path() / "POLIGON.DB"), &out), 1) << out;
    const auto oldFiles = VertexFiles(pristine.Path());
    const auto newFiles = VertexFiles(done.Path());
    ASSERT_NE(oldFiles, newFiles);
    // The repair stages POLIGON.DB, .PX, .XG0 and .YG0, commits, then renames them.
    const std::vector<std::string> steps = {"staged:1", "staged:2", "staged:4", "committed:1",
                                            "replaced:1", "replaced:2", "replaced:4"};
    for (const std::string& step : steps) {
        TempDir dir;
        CopyWritable(pristine.Path(), dir.Path());
        engine::testing::Child repair({TER5_TOOL_PATH, "repair", engine::PathToUtf8(dir.Path() / "POLIGON.DB")},
                                      {"TER5TOOL_STOP_AT=" + step});
        ASSERT_TRUE(repair.WaitStopped()) << step;
        repair.Kill();
        repair.Wait();
        // The next reader completes a committed write before it reads.
        EXPECT_LE(RunTool("verify " + Quoted(dir.Path() / "POLIGON.DB"), &out), 1) << step << "\n" << out;
        const auto files = VertexFiles(dir.Path());
        const bool committed = step.rfind("staged", 0) != 0;
        EXPECT_EQ(files, committed ? newFiles : oldFiles) << step;
        if (committed) {
            const std::vector<fs::path> backups = Backups(dir.Path());
            ASSERT_EQ(backups.size(), 1u) << step;
            for (const auto& [name, bytes] : oldFiles)
                EXPECT_EQ(engine::ReadWholeFile(backups[0] / "POLIGON" / name), bytes) << step << " " << name;
        }
        EXPECT_TRUE(engine::LeftoverTemporaries(dir.Path() / "POLIGON.DB").empty() || !committed) << step;
        // A repair after the kill ends where an uninterrupted one does.
        EXPECT_LE(RunTool("repair " + Quoted(dir.Path() / "POLIGON.DB"), &out), 1) << step << "\n" << out;
        EXPECT_EQ(VertexFiles(dir.Path()), newFiles) << step;
    }
}

}  // namespace
}  // namespace ter5::templates::testing
