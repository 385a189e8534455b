// The overview of a district-like base as the screen and `ter5tool render` paint it: blocks
// of small plots between streets, fitted to a small map. Drawn with every outline it would
// be ink all over; with the block boundaries alone the blocks show dark and the inside of
// each block light.

#include <gtest/gtest.h>

#include "MapTestModels.h"
#include "map/DrawMap.h"
#include "map/OutlineInk.h"
#include "map/widgets/InkShare.h"
#include "map/widgets/PictureExport.h"

namespace ter5::map {
namespace {

// `blocks` x `blocks` blocks of `plots` x `plots` plots of 10 m, with streets of 12 m.
TArrObjects District(int blocks, int plots) {
    testing::ModelBuilder model;
    std::int32_t code = 1;
    const double pitch = plots * 10.0 + 12.0;
    for (int by = 0; by < blocks; ++by)
        for (int bx = 0; bx < blocks; ++bx)
            for (int r = 0; r < plots; ++r)
                for (int c = 0; c < plots; ++c, ++code)
                    model.AddBox(code, "", 1000.0 + bx * pitch + c * 10.0, 5000.0 + by * pitch + r * 10.0, 10.0, 10.0);
    return model.Objects();
}

TEST(OverviewInk, ADistrictAtViewAllShowsItsBlocksNotAGreySquare) {
    const TArrObjects district = District(16, 6);  // 9,216 plots
    Viewport view;
    view.SetScreen(kReferenceScreen);
    view.SetImageSize(500, 350);
    view.ViewAllPending = true;
    const auto picture = DrawMap(district, view, DisplayOptions(), {});
    ASSERT_TRUE(picture);
    ASSERT_TRUE(DrawsBoundariesOnly(EstimateOutlineInk(district, view)));
    const QImage image = RenderPictureImage(*picture, true);
    const QImage mask = ParcelAreaMask(district, view);
    const double ink = DarkShare(image, mask, 255);
    const double dark = DarkShare(image, mask);
    EXPECT_LT(ink, 0.75) << "ink all over the parcels";
    EXPECT_LT(dark, 0.4);
    EXPECT_GT(dark, 0.1) << "the block boundaries are not drawn dark";
}

}  // namespace
}  // namespace ter5::map
