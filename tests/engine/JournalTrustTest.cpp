// Journals and lock files others leave in a shared base, tried with ter5tool
// processes on a demo base: a planted or foreign journal is never replayed nor
// deleted and refuses writes; a journal of this program is completed, one of the
// previous format too when it keeps its writer's rules; a reader that cannot
// complete one says so; a lock file deleted or replaced while a write is staged
// makes that write refuse rather than overwrite the other writer's table.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <regex>
#include <string>

#include "DataSetTestSupport.h"
#include "PlantedJournals.h"
#include "ProcessSupport.h"
#include "engine/FileTransaction.h"
#include "engine/IndexVerify.h"
#include "engine/TableFile.h"
#include "engine/WriteJournal.h"

namespace ter5::engine::testing {
namespace {

std::string Quoted(const fs::path& p) { return "'" + PathToUtf8(p) + "'"; }

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

void WriteText(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string ReadText(const fs::path& path) {
    const auto bytes = ReadWholeFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// The table files of a directory: no temporary or journal files, no lock file.
std::map<std::string, std::vector<std::uint8_t>> TableFiles(const fs::path& dir) {
    auto files = Snapshot(dir);
    std::erase_if(files, [](const auto& f) { return IsEngineWorkFile(f.first); });
    return files;
}

void CopyDirectory(const fs::path& from, const fs::path& to) {
    for (const auto& e : fs::directory_iterator(from))
        if (e.is_regular_file()) fs::copy_file(e.path(), to / e.path().filename(), fs::copy_options::overwrite_existing);
}

class JournalTrustTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RunTool("demo " + Quoted(pristine.Path()) + " --parcels 12"), 0);
        WriteText(rows, "Code,Family,Poligon\n90001,Новый владелец,1\n");
        CopyDirectory(pristine.Path(), done.Path());
        ASSERT_EQ(RunTool("append " + Quoted(done.Path() / "ter.db") + " " + Quoted(rows)), 0);
    }
    // A copy of the demo base with an append to ter.db stopped at `stage` and killed.
    void KilledAppend(const fs::path& dir, const std::string& stage) {
        CopyDirectory(pristine.Path(), dir);
        Child writer({TER5_TOOL_PATH, "append", PathToUtf8(dir / "ter.db"), PathToUtf8(rows)}, {"TER5TOOL_STOP_AT=" + stage});
        ASSERT_TRUE(writer.WaitStopped());
        writer.Kill();
        writer.Wait();
    }

    TempDir pristine, done, scratch;
    const fs::path rows = scratch.Path() / "rows.csv";
};

TEST_F(JournalTrustTest, PlantedJournalsAreNeitherReplayedNorDeletedAndRefuseWrites) {
    // A journal of this program, for another table, and with a step changed after the fact.
    const WriteJournal other = OneStepJournal("POLIGON.DB", NewWriteId(), "POLIGON.XG0");
    std::string edited = FormatJournal(OneStepJournal("ter.db", NewWriteId(), "ter.px"));
    edited.replace(edited.find("remove\tter.px"), 13, "remove\tter.db");
    const std::vector<std::pair<std::string, std::string>> planted = {
        {"replace\tPOLIGON.DB\tter.db\n", "does not start as a journal"},
        {"remove\tter.db\n", "does not start as a journal"},
        {"ter5journal 1\nreplace\tPOLIGON.DB\tter.db\nend\n", "not a temporary file this write made for ter.db"},
        {"ter5journal 1\nremove\tter.db\nend\n", "which is not an index or memo file of this table"},
        {"ter5journal 1\nreplace\tter.db.ter5tmp-1-1\tPOLIGON.DB\nend\n", "POLIGON.DB, which is not a file of this table"},
        {"ter5journal 1\nremove\tter.px\n", "it has no end line"},
        {FormatJournal(other), "it belongs to the table POLIGON.DB"},
        {edited, "its checksum does not match"},
    };
    const fs::path base = scratch.Path() / "base";
    fs::create_directory(base);
    CopyDirectory(pristine.Path(), base);
    const fs::path journal = base / "ter.ter5journal";
    for (const auto& [text, why] : planted) {
        WriteText(journal, text);
        // A decoy the forged steps name, as if a write had left it.
        fs::remove(base / "ter.db.ter5tmp-1-1");  // MinGW's copy_file does not overwrite
        fs::copy_file(base / "POLIGON.DB", base / "ter.db.ter5tmp-1-1");
        const auto before = Snapshot(base);
        std::string out;
        EXPECT_EQ(RunTool("dump " + Quoted(base / "ter.db"), &out), 0) << text << out;  // reading goes on
        EXPECT_EQ(RunTool("verify " + Quoted(base / "ter.db"), &out), 1) << text << out;
        EXPECT_TRUE(Contains(out, "ter.ter5journal: not a journal this program wrote for ter.db (") && Contains(out, why))
            << out;
        EXPECT_EQ(RunTool("append " + Quoted(base / "ter.db") + " " + Quoted(rows), &out), 2) << text << out;
        EXPECT_TRUE(Contains(out, "neither replayed nor deleted, and nothing was written")) << out;
        EXPECT_EQ(Snapshot(base), before) << text;
        EXPECT_EQ(ReadText(journal), text);
        EXPECT_EQ(RunTool("verify " + Quoted(base / "POLIGON.DB"), &out), 0) << out;  // other tables go on
    }
    fs::remove(journal);
    std::string out;
    EXPECT_EQ(RunTool("append " + Quoted(base / "ter.db") + " " + Quoted(rows), &out), 0) << out;
    EXPECT_EQ(TableFiles(base), TableFiles(done.Path()));
}

TEST_F(JournalTrustTest, AJournalOfThisProgramIsCompletedAndOneOfThePreviousFormatWhenItKeepsItsRules) {
    const fs::path base = scratch.Path() / "base";
    fs::create_directory(base);
    KilledAppend(base, "committed:1");
    const std::string text = ReadText(base / "ter.ter5journal");
    EXPECT_TRUE(std::regex_search(text, std::regex("^ter5journal 2\ntable\tter\\.db\nwrite\t[0-9a-f]{32}\n"))) << text;
    EXPECT_TRUE(std::regex_search(text, std::regex("\nend\t[0-9a-f]{16}\n$"))) << text;

    // The same write as the previous format wrote it: temporaries named by process.
    std::string previous = "ter5journal 1\n";
    std::string why;
    const auto journal = ParseJournal(text, "ter.db", why);
    ASSERT_TRUE(journal) << why;
    int n = 0;
    for (const auto& [temp, target] : journal->replaces) {
        const std::string old = target + ".ter5tmp-4711-" + std::to_string(++n);
        fs::rename(base / temp, base / old);
        previous += "replace\t" + old + "\t" + target + "\n";
    }
    for (const std::string& name : journal->removes) previous += "remove\t" + name + "\n";
    WriteText(base / "ter.ter5journal", previous + "end\n");
    std::string out;
    EXPECT_EQ(RunTool("verify " + Quoted(base / "ter.db"), &out), 0) << out;
    EXPECT_FALSE(fs::exists(base / "ter.ter5journal"));
    EXPECT_EQ(TableFiles(base), TableFiles(done.Path()));
    EXPECT_TRUE(LeftoverTemporaries(base / "ter.db").empty());
}

TEST_F(JournalTrustTest, AReaderThatCannotCompleteAnInterruptedWriteSaysSoAndReadsNothing) {
    const fs::path killed = scratch.Path() / "killed";
    const fs::path base = scratch.Path() / "base";
    fs::create_directory(killed);
    fs::create_directory(base);
    KilledAppend(killed, "committed:1");
    CopyDirectory(pristine.Path(), base);
    Holder holder("engine-shared", base / "ter.db");  // holds the table before the write is cut off
    ASSERT_TRUE(holder.Held());
    for (const auto& e : fs::directory_iterator(killed))
        if (IsEngineWorkFile(PathToUtf8(e.path().filename()))) fs::copy_file(e.path(), base / e.path().filename());
    const auto before = Snapshot(base);
    std::string out;
    EXPECT_EQ(RunTool("dump " + Quoted(base / "ter.db"), &out), 2) << out;
    EXPECT_TRUE(Contains(out, "Table is busy") && Contains(out, "a write to the table was cut off")) << out;
    EXPECT_FALSE(Contains(out, "Новый владелец")) << out;
    EXPECT_EQ(Snapshot(base), before);
    EXPECT_EQ(holder.Finish(), 0);
    EXPECT_EQ(RunTool("dump " + Quoted(base / "ter.db"), &out), 0) << out;
    EXPECT_TRUE(Contains(out, "90001,Новый владелец")) << out;
    EXPECT_EQ(TableFiles(base), TableFiles(done.Path()));
}

#ifndef _WIN32
TEST_F(JournalTrustTest, ALockFileDeletedOrReplacedWhileAWriteIsStagedMakesThatWriteRefuse) {
    const fs::path other = scratch.Path() / "other.csv";
    WriteText(other, "Number,Ter,X,Y,PutNumber\n1,1,100,200,1\n2,1,110,200,2\n");
    const fs::path mine = scratch.Path() / "mine.csv";
    WriteText(mine, "Number,Ter,X,Y,PutNumber\n1,2,300,400,1\n");
    const std::vector<std::pair<std::string, std::function<void(const fs::path&)>>> ways = {
        {"deleted", [](const fs::path& lock) { fs::remove(lock); }},
        {"replaced", [](const fs::path& lock) {
             WriteText(lock.parent_path() / "copy.lock", "");
             fs::rename(lock.parent_path() / "copy.lock", lock);
         }},
    };
    for (const auto& [how, change] : ways) {
        const fs::path base = scratch.Path() / how;
        fs::create_directory(base);
        CopyDirectory(pristine.Path(), base);
        const fs::path table = base / "POLIGON.DB";
        Child first({TER5_TOOL_PATH, "append", PathToUtf8(table), PathToUtf8(mine)}, {"TER5TOOL_STOP_AT=staged:1"}, true);
        ASSERT_TRUE(first.WaitStopped()) << how;
        // No command of ours writes over the lock file ...
        std::string out;
        EXPECT_EQ(RunTool("export " + Quoted(base) + " -o " + Quoted(base / kLockFileName) + " --format CSV --layers owners", &out), 2)
            << out;
        EXPECT_EQ(fs::file_size(base / kLockFileName), 0u);
        // ... but people and other programs may.
        change(base / kLockFileName);
        EXPECT_EQ(RunTool("append " + Quoted(table) + " " + Quoted(other), &out), 0) << how << out;
        const auto second = TableFiles(base);
        first.Continue();
        const std::string said = first.ReadAll();
        EXPECT_EQ(first.Wait(), 2) << how << said;
        EXPECT_TRUE(Contains(said, "was deleted or replaced while the table was being written") &&
                    Contains(said, "nothing was written"))
            << said;
        EXPECT_EQ(TableFiles(base), second) << how;  // the second writer's table, whole
        EXPECT_TRUE(LeftoverTemporaries(table).empty()) << how;
        const auto problems = VerifyTable(table);
        EXPECT_TRUE(std::none_of(problems.begin(), problems.end(), [](const VerifyProblem& p) { return !p.isNote; })) << how;
        EXPECT_EQ(TableFile::Load(table)->RecordCount(), TableFile::Load(pristine.Path() / "POLIGON.DB")->RecordCount() + 2);
    }
}
#endif

}  // namespace
}  // namespace ter5::engine::testing
