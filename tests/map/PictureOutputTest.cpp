// Label texts and metrics, and the SVG form of a picture.

#include <gtest/gtest.h>

#include <string>

#include "MapTestModels.h"
#include "map/DrawMap.h"
#include "map/MapLabels.h"
#include "map/SvgWriter.h"
#include "map/TextMetrics.h"

namespace ter5::map {
namespace {

TEST(MapLabelsTest, HouseLabelAndPlacement) {
    EXPECT_EQ(HouseLabelText("ул. Садовая, д. 5, уч. №  12 \t"), "12");
    EXPECT_EQ(HouseLabelText("№ 3 № 4"), "3 № 4");  // up to the first sign only
    EXPECT_EQ(HouseLabelText("  Дачный массив  "), "Дачный массив");
    EXPECT_EQ(HouseLabelText("уч. №"), "");
    // Text height 9: half a line rounds 4.5 to 4, a line and a half 13.5 to 14.
    EXPECT_EQ(LabelTop(LabelPlacement::Centred, 100, 9), 96);
    EXPECT_EQ(LabelTop(LabelPlacement::Below, 100, 9), 104);
    EXPECT_EQ(LabelTop(LabelPlacement::Above, 100, 9), 86);
}

TEST(TextMetricsTest, ArialSizesAtNinetySixDpi) {
    EXPECT_EQ(FontPixelSize(6, 96), 8);
    EXPECT_EQ(FontPixelSize(6, 120), 10);
    EXPECT_EQ(TextHeightPx(8), 9);
    EXPECT_EQ(TextWidthPx("0,1234", 8), 5 * 4 + 2);  // digits 4.45 and the comma 2.22 pixels
    EXPECT_EQ(TextWidthPx("№", 8), 9);
    EXPECT_EQ(TextWidthPx("\x01", 8), 0);
}

TEST(SvgWriterTest, HatchOutlinesAndEscapedLabels) {
    const auto model = testing::ModelBuilder().AddBox(5, "уч. № <5> & 6", 990, 4990, 10, 10);
    Viewport view = testing::MakeView(400, 400, 1000, 5000, 100);
    const auto picture = DrawMap(model.Objects(), view, DisplayOptions(), {5, true});
    ASSERT_TRUE(picture.has_value());
    const std::string svg = EncodeSvg(*picture);
    EXPECT_NE(svg.find("width=\"400\" height=\"400\""), std::string::npos);
    EXPECT_NE(svg.find("<pattern id=\"hatch"), std::string::npos);
    EXPECT_NE(svg.find("<polygon points=\"160,240 160,200 200,200 200,240 160,240\""), std::string::npos);
    EXPECT_NE(svg.find("fill=\"url(#hatch"), std::string::npos);
    EXPECT_NE(svg.find("<polyline points=\"160,240 160,200 200,200 200,240 160,240\" stroke=\"#000000\" "
                       "stroke-width=\"1\" fill=\"none\"/>"),
              std::string::npos);
    EXPECT_NE(svg.find(">&lt;5&gt; &amp; 6</text>"), std::string::npos);
    EXPECT_NE(svg.find("font-family=\"'Arial Cyr', Arial"), std::string::npos);
}

}  // namespace
}  // namespace ter5::map
