// The search dialog's steps without widgets: the request the radio choice and the fields
// make, the radio button a field checks, and what the dialog shows after a search.

#include <gtest/gtest.h>

#include "SearchTestSupport.h"
#include "map/NumberFormat.h"
#include "search/SeekDialogSteps.h"

namespace ter5::search {
namespace {

const SeekFieldTexts kFields = {"ова", "Ленина", "Мира", "12:34", " 12,5", "7"};

TEST(SeekRequestTest, EachRadioTakesItsOwnFieldAndCoordinatesTheLastTwo) {
    for (std::size_t radio = 0; radio < 4; ++radio) {
        const SearchRequest request = SeekRequest(radio, kFields);
        EXPECT_EQ(request.kind, kTextSearchKinds[radio]);
        EXPECT_EQ(request.text, kFields[radio]);  // as typed: the search trims for the query only
    }
    const SearchRequest point = SeekRequest(4, kFields);
    EXPECT_EQ(point.kind, SearchKind::Coordinates);
    EXPECT_EQ(point.xText, " 12,5");
    EXPECT_EQ(point.yText, "7");
    EXPECT_TRUE(point.text.empty());

    const std::size_t radioOfField[] = {0, 1, 2, 3, 4, 4};
    for (std::size_t field = 0; field < kSeekFieldCount; ++field)
        EXPECT_EQ(SeekRadioOfField(field), radioOfField[field]) << "field " << field;
}

class SeekDialogStepsTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::WriteBase(dir.path, testing::DistrictOwners(), testing::DistrictParcels());
        world.OpenBase(dir.path);
        ASSERT_TRUE(world.dm.BaseOpen());
    }

    testing::TempDir dir;
    testing::SearchWorld world;
    SeekDialogSteps steps{world.host};
};

TEST_F(SeekDialogStepsTest, StatusSaysNothingFoundUntilTheNextSearch) {
    EXPECT_FALSE(steps.FindNextEnabled());
    EXPECT_EQ(steps.StatusText(), "");

    steps.Find({SearchKind::OwnerName, "Жуков", "", ""});
    EXPECT_EQ(steps.StatusText(), kSeekNothingFound);
    EXPECT_TRUE(steps.FindNextEnabled());  // an open, empty hit list

    steps.Find({SearchKind::ParcelAddress, "Мира", "", ""});
    EXPECT_EQ(steps.StatusText(), "");
    EXPECT_TRUE(steps.FindNextEnabled());
    EXPECT_EQ(world.ParcelCode(), steps.Search().HitCodes().front());

    // A coordinate search closes the hit list and says nothing, also when it fails.
    steps.Find({SearchKind::OwnerName, "Жуков", "", ""});
    EXPECT_THROW(steps.Find({SearchKind::Coordinates, "", "1.2.3", ""}), map::InvalidNumberError);
    EXPECT_FALSE(steps.FindNextEnabled());
    EXPECT_EQ(steps.StatusText(), "");
}

}  // namespace
}  // namespace ter5::search
