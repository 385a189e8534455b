// The data module: opening and closing bases by directory, the grid sync, and the
// geometry load through the parcel cursor.

#include "base/TDM.h"

#include <gtest/gtest.h>

#include "BaseFixtures.h"
#include "base/BaseParcelSource.h"
#include "map/MapLoader.h"

namespace ter5::base {
namespace {

using testing::ScratchDir;

class TDMTest : public ::testing::Test {
protected:
    void SetUp() override {
        a_ = engine::PathToUtf8(scratch_.Make("A"));
        b_ = engine::PathToUtf8(scratch_.Make("B"));
        testing::WriteSampleBase(a_);
        testing::WriteSampleBase(b_);
    }

    // Opens `dir` with tables wanted, recording the handler's calls.
    BaseOpening Open(const std::string& dir, bool openTables = true) {
        return dm_.OpenBaseDirectory(dir, openTables, [this](bool changed) { calls_.push_back(changed); });
    }

    ScratchDir scratch_;
    std::string a_, b_;
    TDM dm_;
    std::vector<bool> calls_;
};

TEST_F(TDMTest, SelectingBasesOpensReopensAndCloses) {
    EXPECT_FALSE(dm_.BaseOpen());
    EXPECT_EQ(Open(a_), BaseOpening::Opened);
    EXPECT_TRUE(dm_.Tbter.Active());
    EXPECT_TRUE(dm_.TsSubter.Active());
    EXPECT_TRUE(dm_.TbPoligon.Active());
    EXPECT_EQ(dm_.Tbter.RecordCount(), 5u);
    EXPECT_EQ(dm_.TbSubter.RecordCount(), 3u);

    // The same base again: nothing happens.
    EXPECT_EQ(Open(a_), BaseOpening::Unchanged);
    // Another base: opened, and it counts as changed.
    EXPECT_EQ(Open(b_), BaseOpening::Opened);
    EXPECT_EQ(dm_.BaseDirectory(), b_);
    // A directory that is no base closes; re-selecting B re-opens it unchanged.
    EXPECT_EQ(Open(scratch_.Str()), BaseOpening::Closed);
    EXPECT_FALSE(dm_.BaseOpen());
    EXPECT_FALSE(dm_.Tbter.Active());
    EXPECT_EQ(Open(b_), BaseOpening::Opened);
    EXPECT_EQ(calls_, (std::vector<bool>{true, true, false}));
}

TEST_F(TDMTest, TablesSwitchedOffCloseAndOpenNothing) {
    Open(a_);
    EXPECT_EQ(Open(b_, false), BaseOpening::Closed);
    EXPECT_FALSE(dm_.BaseOpen());
    EXPECT_EQ(Open(a_, false), BaseOpening::Closed);
    EXPECT_FALSE(dm_.BaseOpen());
    EXPECT_EQ(calls_.size(), 1u);
}

TEST_F(TDMTest, DirectoryWithTwoOfTheThreeTablesClosesTheBase) {
    const auto partial = scratch_.Make("partial");
    testing::WriteBase(partial, {{1, "Иванов", 1}}, {{1, "ул. Лесная, д. 1"}}, {}, {true, true, false});
    Open(a_);
    EXPECT_EQ(Open(engine::PathToUtf8(partial)), BaseOpening::Closed);
    EXPECT_FALSE(dm_.BaseOpen());
    EXPECT_EQ(calls_.size(), 1u);
}

TEST_F(TDMTest, TableNamesInAnyCase) {
    const auto upper = scratch_.Make("upper");
    testing::WriteSampleBase(upper);
    std::filesystem::rename(upper / "ter.db", upper / "TER.DB");
    std::filesystem::rename(upper / "subter.db", upper / "Subter.Db");
    std::filesystem::rename(upper / "subter.px", upper / "Subter.PX");
    EXPECT_EQ(Open(engine::PathToUtf8(upper)), BaseOpening::Opened);
    EXPECT_EQ(dm_.TbSubter.RecordCount(), 3u);
}

TEST_F(TDMTest, FieldOfAnotherTypeFailsAndLeavesEarlierDataSetsOpen) {
    const auto odd = scratch_.Make("odd");
    testing::WriteSampleBase(odd);
    // ter.db with Poligon as a long integer instead of a number.
    auto defs = BaseTableDefs();
    defs[0].fields[2].type = engine::FieldType::Long;
    std::filesystem::remove(odd / "ter.db");
    std::filesystem::remove(odd / "ter.px");
    engine::CreateTable(odd / "ter.db", defs[0].fields, defs[0].indexes);
    try {
        Open(engine::PathToUtf8(odd));
        FAIL() << "opening should fail";
    } catch (const std::exception& error) {
        EXPECT_NE(std::string(error.what()).find("Poligon"), std::string::npos) << error.what();
    }
    EXPECT_TRUE(dm_.TbSubter.Active());
    EXPECT_TRUE(dm_.TsSubter.Active());
    EXPECT_FALSE(dm_.Tbter.Active());
    EXPECT_TRUE(calls_.empty());
}

TEST_F(TDMTest, SyncGridsFollowsTheLinkBothWays) {
    // Closed: both read as 0, nothing moves.
    EXPECT_FALSE(dm_.SyncGrids(1));
    EXPECT_FALSE(dm_.SyncGrids(4));
    Open(a_);

    // Parcel 2 (second by house) has three owners: the first by name is chosen.
    dm_.Tbter.Last();
    dm_.TbSubter.MoveTo(2);
    EXPECT_TRUE(dm_.SyncGrids(4));
    EXPECT_EQ(dm_.Tbter.AsString("Family"), "Андреев Андрей");
    // Stepping through its owners keeps the parcel.
    for (const char* name : {"Борисов Борис", "Васильев Василий"}) {
        dm_.Tbter.Next();
        EXPECT_EQ(dm_.Tbter.AsString("Family"), name);
        EXPECT_FALSE(dm_.SyncGrids(1));
        EXPECT_EQ(dm_.TbSubter.AsInteger("Code"), 2);
    }
    // An owner of parcel 1 moves the parcels there.
    dm_.Tbter.Next();
    EXPECT_TRUE(dm_.SyncGrids(1));
    EXPECT_EQ(dm_.TbSubter.AsInteger("Code"), 1);
    // An owner of a parcel that does not exist leaves the parcels alone.
    dm_.Tbter.Last();
    EXPECT_FALSE(dm_.SyncGrids(1));
    EXPECT_EQ(dm_.TbSubter.AsInteger("Code"), 1);
    // A parcel without owners leaves the owners alone.
    dm_.TbSubter.Last();
    EXPECT_FALSE(dm_.SyncGrids(4));
    EXPECT_EQ(dm_.Tbter.AsString("Family"), "Яковлев Яков");
    // Other grid numbers do nothing.
    dm_.TbSubter.First();
    EXPECT_FALSE(dm_.SyncGrids(2));
    EXPECT_EQ(dm_.Tbter.AsString("Family"), "Яковлев Яков");
}

TEST_F(TDMTest, GeometryLoadWalksTheParcelCursorAndReleasesIt) {
    Open(a_);
    dm_.TbSubter.MoveTo(3);
    map::TArrObjects objects;
    BaseParcelSource source(dm_);
    map::LoadMapObjects(objects, source, true);
    ASSERT_EQ(objects.Polys.size(), 3u);
    EXPECT_EQ(objects.Polys[0].Code, 1);
    EXPECT_EQ(objects.Polys[0].PointCount, 5u);
    EXPECT_DOUBLE_EQ(objects.Polys[1].Area, 100.0);
    // The grids' cursors stay; the load's data sets are closed.
    EXPECT_EQ(dm_.TbSubter.RecNo(), 3u);
    EXPECT_FALSE(dm_.TsSubter.Active());
    EXPECT_FALSE(dm_.TbPoligon.Active());
    EXPECT_TRUE(dm_.Tbter.Active());
}

TEST_F(TDMTest, GridRowsReadWithoutMovingTheCursor) {
    Open(a_);
    dm_.Tbter.MoveTo(2);
    const int family = dm_.Tbter.FieldIndex("Family");
    EXPECT_EQ(dm_.Tbter.TextAt(4, family), "Яковлев Яков");
    EXPECT_TRUE(dm_.Tbter.ValueAt(5, family).IsNull());
    EXPECT_EQ(dm_.Tbter.RecNo(), 2u);
    dm_.CloseBaseDataSets();
    EXPECT_TRUE(dm_.Tbter.ValueAt(0, family).IsNull());
}

}  // namespace
}  // namespace ter5::base
