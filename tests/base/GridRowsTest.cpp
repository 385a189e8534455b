// What the owner and parcel grids show, without a toolkit: titles and mark glyphs,
// cell texts in the user's number form, alignment, the widest number, and the rows
// following the data set as it opens and closes.

#include "base/GridRows.h"

#include "BaseFixtures.h"
#include "base/TDM.h"

namespace ter5::base {
namespace {

class GridRowsTest : public ::testing::Test {
protected:
    GridRowsTest() : owners_(dm_.Tbter, OwnerGridColumns()), parcels_(dm_.TbSubter, ParcelGridColumns()) {
        dir_ = scratch_.Make("A").string();
        testing::WriteSampleBase(dir_);
    }

    void Open() {
        dm_.OpenBaseDirectory(dir_, true);
        owners_.Bind();
        parcels_.Bind();
    }

    testing::ScratchDir scratch_;
    std::string dir_;
    TDM dm_;
    GridRows owners_;
    GridRows parcels_;
};

TEST_F(GridRowsTest, TitlesMarksAndColours) {
    std::vector<std::string> titles;
    for (int column = 0; column < parcels_.ColumnCount(); ++column) titles.push_back(parcels_.HeaderText(column));
    EXPECT_EQ(titles, (std::vector<std::string>{"☑", "✓", "Код", "Адрес участка", "Площадь", "Кад.номер"}));
    EXPECT_EQ(owners_.HeaderText(2), "Адрес владельца");
    EXPECT_EQ(parcels_.ColumnColour(0), (Rgb{0, 128, 0}));
    EXPECT_EQ(parcels_.ColumnColour(1), (Rgb{255, 0, 0}));
    EXPECT_FALSE(parcels_.ColumnColour(3));
    EXPECT_EQ(GridRows::MarkGlyph("x"), "x");
    // Closed: no rows, and nothing is read past the end.
    EXPECT_EQ(owners_.RowCount(), 0);
    EXPECT_EQ(owners_.CellText(0, 1), "");
}

TEST_F(GridRowsTest, CellsInTheUsersNumberForm) {
    Open();
    ASSERT_EQ(parcels_.RowCount(), 3);
    ASSERT_EQ(owners_.RowCount(), 5);
    EXPECT_EQ(parcels_.CellText(0, 0), "☑");
    EXPECT_EQ(parcels_.CellText(0, 1), "✓");
    EXPECT_EQ(parcels_.CellText(0, 2), "1");
    EXPECT_EQ(parcels_.CellText(0, 4, ","), "1200,5");
    EXPECT_EQ(parcels_.CellText(0, 4), "1200.5");
    EXPECT_EQ(parcels_.CellText(0, 5), "50:01:0001:1");
    EXPECT_EQ(parcels_.CellText(1, 0), "");
    EXPECT_EQ(parcels_.Alignment(0), CellAlign::Centre);
    EXPECT_EQ(parcels_.Alignment(2), CellAlign::Right);
    EXPECT_EQ(parcels_.Alignment(3), CellAlign::Left);
    // Owners in name order; a whole number without decimals.
    EXPECT_EQ(owners_.CellText(0, 1), "Андреев Андрей");
    EXPECT_EQ(owners_.CellText(3, 0), "☑");
    EXPECT_EQ(owners_.CellText(4, 3), "99");
    EXPECT_EQ(owners_.CellText(5, 1), "");
    // The widest number of a column; none for a text column.
    EXPECT_EQ(parcels_.WidestCellText(4, ","), "1200,5");
    EXPECT_EQ(parcels_.WidestCellText(3), "");

    dm_.CloseBaseDataSets();
    owners_.Bind();
    EXPECT_EQ(owners_.RowCount(), 0);
    EXPECT_EQ(owners_.FieldIndex(1), -1);
}

}  // namespace
}  // namespace ter5::base
