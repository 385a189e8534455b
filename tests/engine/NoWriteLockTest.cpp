// Holding a table for reading while writing nothing (TableLock::Mode::SharedNoWrite),
// against real processes: no lock file is made, a writer's exclusive hold makes the
// table busy, a shared holder does not, and a committed write that was killed is
// refused (its completion would write) with every file left as it was.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "DataSetTestSupport.h"
#include "ProcessSupport.h"
#include "engine/EngineError.h"
#include "engine/TableFile.h"

namespace ter5::engine::testing {
namespace {

// Every file of a directory, the lock file included.
std::vector<std::string> Listing(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(PathToUtf8(e.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

class NoWriteLockTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<std::vector<Value>> rows;
        for (int i = 1; i <= 200; ++i) rows.push_back({I(i), A("Владелец " + std::to_string(i))});
        MakeTable(Table(), {{"Code", FieldType::Long}, {"Family", FieldType::Alpha, 40}}, {{"", {"Code"}, true}}, rows);
    }
    fs::path Table() const { return dir.Path() / "ter.db"; }

    TempDir dir;
};

TEST_F(NoWriteLockTest, MakesNoLockFileAndReadsBesideReadersButNotBesideAWriter) {
    fs::remove(dir.Path() / kLockFileName);
    const auto before = Listing(dir.Path());
    {
        const TableLock lock(Table(), TableLock::Mode::SharedNoWrite);
        EXPECT_FALSE(lock.Held());
        EXPECT_EQ(TableFile::Open(Table())->RecordCount(), 200u);
        EXPECT_THROW(TableLock::WriteScope{const_cast<TableLock&>(lock)}, EngineError);
    }
    EXPECT_EQ(Listing(dir.Path()), before);

    // Once the lock file exists (any of our writers or readers made it), it is used.
    {
        Holder reader("engine-shared", Table());
        ASSERT_TRUE(reader.Held());
        const TableLock lock(Table(), TableLock::Mode::SharedNoWrite);
        EXPECT_TRUE(lock.Held());
        EXPECT_EQ(reader.Finish(), 0);
    }
    Holder writer("engine-exclusive", Table());
    ASSERT_TRUE(writer.Held());
    try {
        const TableLock lock(Table(), TableLock::Mode::SharedNoWrite);
        ADD_FAILURE() << "held beside a writer";
    } catch (const TableBusyError& e) {
        EXPECT_NE(std::string(e.what()).find("ter.db: Table is busy"), std::string::npos) << e.what();
    }
    EXPECT_EQ(writer.Finish(), 0);
}

TEST_F(NoWriteLockTest, ACommittedWriteKilledMidwayIsRefusedAndLeftForAWriterToComplete) {
    TempDir scratch;
    const fs::path csv = scratch.Path() / "more.csv";
    {
        std::ofstream out(csv);
        out << "Code,Family\n1000,Новый\n";
    }
    Child append({TER5_TOOL_PATH, "append", PathToUtf8(Table()), PathToUtf8(csv)}, {"TER5TOOL_STOP_AT=committed:1"});
    ASSERT_TRUE(append.WaitStopped());
    append.Kill();
    append.Wait();

    const auto files = Snapshot(dir.Path());
    const auto names = Listing(dir.Path());
    try {
        const TableLock lock(Table(), TableLock::Mode::SharedNoWrite);
        ADD_FAILURE() << "an interrupted write was read past";
    } catch (const EngineError& e) {
        EXPECT_NE(std::string(e.what()).find("ter.db: a write to the table was cut off and awaits completion"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_EQ(Snapshot(dir.Path()), files);
    EXPECT_EQ(Listing(dir.Path()), names);

    // A reader that may write completes it; then the table reads with the new row.
    { const TableLock lock(Table(), TableLock::Mode::Shared); }
    const TableLock lock(Table(), TableLock::Mode::SharedNoWrite);
    EXPECT_EQ(TableFile::Open(Table())->RecordCount(), 201u);
}

}  // namespace
}  // namespace ter5::engine::testing
