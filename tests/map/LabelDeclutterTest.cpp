// The label filter "без наложения подписей": the placer's overlap rule, and DrawMap with
// the filter on: no two labels overlap, parcel labels stay inside their parcels, every
// label drawn is one the unfiltered drawing draws at the same place and in the same
// order, and the figures are untouched.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "MapTestModels.h"
#include "map/DrawMap.h"
#include "map/LabelPlacer.h"
#include "map/MapLabels.h"
#include "map/TextMetrics.h"

namespace ter5::map {
namespace {

using testing::FiguresOf;
using testing::LabelsOf;
using testing::LabelTexts;
using testing::MakeView;
using testing::ModelBuilder;

TEST(LabelPlacer, PlacesWhatOverlapsNothingPlacedBefore) {
    struct Case {
        PixelBox box;
        bool placed;
        const char* why;
    };
    LabelPlacer placer;
    placer.Reset(100, 60);
    const Case cases[] = {
        {{10, 10, 40, 19}, true, "the first"},
        {{39, 18, 60, 27}, false, "one pixel shared at the corner"},
        {{40, 10, 70, 19}, true, "touching on the right edge"},
        {{10, 19, 40, 28}, true, "touching below"},
        {{0, 0, 100, 60}, false, "covering them all"},
        {{-30, -5, 5, 4}, true, "reaching beyond the top-left corner"},
        {{-20, 0, -10, 3}, false, "beyond the picture, on the one before"},
        {{90, 50, 130, 80}, true, "reaching beyond the bottom-right corner"},
        {{31, 32, 33, 34}, true, "across four cells"},
        {{32, 33, 34, 35}, false, "overlapping it in another cell"},
        {{50, 50, 50, 55}, true, "empty, covering nothing"},
    };
    for (const Case& c : cases) EXPECT_EQ(placer.Place(c.box), c.placed) << c.why;
    EXPECT_EQ(placer.PlacedCount(), 6u);
    placer.Reset(100, 60);
    EXPECT_TRUE(placer.Place({0, 0, 100, 60}));
}

// The quarter of DrawMapGoldenTest: 48 plots of 12 x 9 m at 1:1000 (48 x 36 pixels).
TArrObjects Quarter() {
    ModelBuilder model;
    std::int32_t code = 1;
    for (int row = 0; row < 6; ++row) {
        for (int column = 0; column < 8; ++column, ++code)
            model.AddBox(code, "ул. Мира, № " + std::to_string(code), 960.0 + column * 12.0, 4975.0 + row * 9.0,
                         12.0, 9.0);
    }
    return model.Objects();
}

Picture Draw(const TArrObjects& objects, DisplayOptions options, bool declutter, double scale = 100.0) {
    options.cbDeclutter = declutter;
    Viewport view = MakeView(400, 400, 1000.0, 5000.0, scale);
    const auto picture = DrawMap(objects, view, options, {});
    EXPECT_TRUE(picture.has_value());
    return picture ? *picture : Picture();
}

PixelBox BoxOf(const testing::Label& label, int fontPixels) {
    const int width = TextWidthPx(label.Text, fontPixels);
    const int left = label.X - width / 2;
    return {left, label.Y, left + width, label.Y + TextHeightPx(fontPixels)};
}

DisplayOptions EveryLabel() {
    DisplayOptions options;
    options.cbLength = options.cbNumPoints = options.cbPerimetr = true;
    return options;
}

TEST(LabelDeclutter, NoOverlapAndOnlyLabelsTheUnfilteredDrawingHas) {
    testing::SeparatorScope comma(',');
    const TArrObjects quarter = Quarter();
    const Picture all = Draw(quarter, EveryLabel(), false);
    const Picture filtered = Draw(quarter, EveryLabel(), true);
    const auto allLabels = LabelsOf(all);
    const auto kept = LabelsOf(filtered);
    ASSERT_FALSE(kept.empty());
    EXPECT_LT(kept.size(), allLabels.size());

    const int font = filtered.Fonts()[0].PixelSize;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        for (std::size_t j = i + 1; j < kept.size(); ++j) {
            EXPECT_FALSE(BoxOf(kept[i], font).Overlaps(BoxOf(kept[j], font)))
                << kept[i].Text << " and " << kept[j].Text;
        }
    }
    // The labels kept are a subsequence of all labels: same text, same place, same order.
    std::size_t next = 0;
    for (const auto& label : kept) {
        while (next < allLabels.size() &&
               !(allLabels[next].X == label.X && allLabels[next].Y == label.Y && allLabels[next].Text == label.Text))
            ++next;
        ASSERT_LT(next, allLabels.size()) << "label not in the unfiltered drawing: " << label.Text;
        ++next;
    }
    // The figures are the same.
    const auto figures = FiguresOf(all);
    const auto filteredFigures = FiguresOf(filtered);
    ASSERT_EQ(figures.size(), filteredFigures.size());
    for (std::size_t i = 0; i < figures.size(); ++i) EXPECT_EQ(figures[i].Points, filteredFigures[i].Points);
}

TEST(LabelDeclutter, RoomyLabelsAreAllKept) {
    testing::SeparatorScope comma(',');
    // At 1:250 a plot is 192 x 144 pixels: its three labels fit, and the first plot's
    // labels are all there.
    const TArrObjects quarter = Quarter();
    const auto filtered = LabelTexts(Draw(quarter, DisplayOptions(), true, 400.0));
    const auto all = LabelTexts(Draw(quarter, DisplayOptions(), false, 400.0));
    EXPECT_EQ(filtered, all);
    EXPECT_FALSE(filtered.empty());
}

TEST(LabelDeclutter, ParcelLabelsStayInsideTheirParcel) {
    testing::SeparatorScope comma(',');
    // A plot 5 x 10 m (20 x 40 pixels): its area "0,0050" (22 pixels) runs out of it
    // sideways; its number "5" fits above the area's place. A large plot beside it keeps
    // both its labels.
    const auto model = ModelBuilder().AddBox(5, "№ 5", 990, 4990, 5, 10).AddBox(6, "№ 6", 1010, 4980, 30, 30);
    const auto filtered = LabelTexts(Draw(model.Objects(), DisplayOptions(), true));
    const auto all = LabelTexts(Draw(model.Objects(), DisplayOptions(), false));
    EXPECT_EQ(all, (std::vector<std::string>{"0,0050", "5", "0,0900", "6"}));
    EXPECT_EQ(filtered, (std::vector<std::string>{"5", "0,0900", "6"}));
}

TEST(LabelDeclutter, AParcelsOwnLinesAreOneBlock) {
    testing::SeparatorScope comma(',');
    // The perimeter line touches the area line by a pixel row, as they are laid out; both
    // stay, and so does the name above them.
    const auto model = ModelBuilder().AddBox(12, "№ 17", 990, 4969.15, 20, 61.7);
    DisplayOptions options;
    options.cbPerimetr = true;
    EXPECT_EQ(LabelTexts(Draw(model.Objects(), options, true)),
              (std::vector<std::string>{"S = 0,1234", "P = 163,40", "17"}));
}

TEST(LabelDeclutter, LaterParcelOnTheSameSpotLosesItsLabels) {
    testing::SeparatorScope comma(',');
    // Two plots drawn over each other: the second one's labels fall on the first one's.
    const auto model = ModelBuilder().AddBox(1, "№ 1", 980, 4980, 40, 40).AddBox(2, "№ 2", 980, 4980, 40, 40);
    const auto filtered = LabelTexts(Draw(model.Objects(), DisplayOptions(), true));
    EXPECT_EQ(filtered, (std::vector<std::string>{"0,1600", "1"}));
}

}  // namespace
}  // namespace ter5::map
