// DrawMap's display list for small models on a 400 x 400 pixel view at 25 page units per
// pixel and 100 page units per metre (1:1000, 4 pixels a metre), centred on (1000, 5000):
// the visible window spans Y 950..1050 and X 4950..5050.

#include "map/DrawMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "MapTestModels.h"
#include "map/MapLabels.h"

namespace ter5::map {
namespace {

using testing::FiguresOf;
using testing::LabelsOf;
using testing::LabelTexts;
using testing::MakeView;
using testing::ModelBuilder;

constexpr double kCentreY = 1000.0;
constexpr double kCentreX = 5000.0;
constexpr double kScale = 100.0;  // page units per metre
constexpr int kSize = 400;        // pixels each way

// Options with every label off and outlines on, and no label filter: each test turns on
// what it looks at, and sees every label the drawing places.
DisplayOptions OutlinesOnly() {
    DisplayOptions options;
    options.cbArea = false;
    options.cbNumber = false;
    options.cbDeclutter = false;
    return options;
}

Picture Draw(const TArrObjects& objects, const DisplayOptions& options, std::optional<std::int32_t> current = {}) {
    Viewport view = MakeView(kSize, kSize, kCentreY, kCentreX, kScale);
    DrawMapContext context;
    context.CurrentCode = current;
    auto picture = DrawMap(objects, view, options, context);
    EXPECT_TRUE(picture.has_value());
    return picture ? *picture : Picture();
}

std::size_t Count(const std::vector<std::string>& texts, const std::string& text) {
    return static_cast<std::size_t>(std::count(texts.begin(), texts.end(), text));
}

bool HasLabelAt(const Picture& picture, std::int32_t x, std::int32_t y) {
    const auto labels = LabelsOf(picture);
    return std::any_of(labels.begin(), labels.end(), [&](const auto& l) { return l.X == x && l.Y == y; });
}

TEST(DrawMapTest, GuardPageAndPens) {
    TArrObjects empty;
    Viewport view = MakeView(kSize, kSize, kCentreY, kCentreX, kScale);
    DrawMapContext closed;
    closed.ParcelQueryOpen = false;
    EXPECT_FALSE(DrawMap(empty, view, {}, closed).has_value());
    EXPECT_EQ(view.PageWidth, 0.0);  // not even measured

    // An open base without parcels: the white page alone.
    const auto page = DrawMap(empty, view, {}, {});
    ASSERT_TRUE(page.has_value());
    EXPECT_EQ(page->WidthPx(), kSize);
    EXPECT_EQ(page->PageWidth(), 10000.0);
    const auto figures = FiguresOf(*page);
    ASSERT_EQ(figures.size(), 1u);
    EXPECT_EQ(figures[0].Kind, PictureOpKind::Rectangle);
    EXPECT_EQ(figures[0].Pen, (PicturePen{kWhite, 1}));
    EXPECT_EQ(figures[0].Brush, (PictureBrush{BrushStyle::Solid, kWhite}));
    EXPECT_EQ(figures[0].Points, (std::vector<PicturePoint>{{0, 0}, {10000, -10000}}));

    // Parcels are drawn with the black 15-unit pen, labels in 8-pixel "Arial Cyr".
    const auto model = ModelBuilder().AddBox(1, "№ 1", 990, 4990, 10, 10);
    const Picture picture = Draw(model.Objects(), DisplayOptions());
    EXPECT_EQ(FiguresOf(picture, PictureOpKind::Polyline).at(0).Pen, (PicturePen{kBlack, kOutlinePenWidth}));
    ASSERT_EQ(picture.Fonts().size(), 1u);
    EXPECT_EQ(picture.Fonts()[0], (PictureFont{"Arial Cyr", kCyrillicCharSet, 8}));
}

TEST(DrawMapTest, SharedSideIsLabelledOnceByTheFirstParcelAndAgainNextRun) {
    testing::SeparatorScope comma(',');
    // B's first side is A's third side walked the other way.
    const auto model = ModelBuilder().AddBox(1, "A", 990, 4990, 10, 10).AddBox(2, "B", 1000, 4990, 10, 10);
    DisplayOptions options = OutlinesOnly();
    options.cbLength = true;
    Viewport view = MakeView(kSize, kSize, kCentreY, kCentreX, kScale);
    for (int run = 0; run < 2; ++run) {
        const auto picture = DrawMap(model.Objects(), view, options, {});
        ASSERT_TRUE(picture.has_value());
        EXPECT_EQ(Count(LabelTexts(*picture), "10,00"), 7u) << "run " << run;
        // A labels it 5 m east of the side (left of A's southward walk), inside B.
        EXPECT_TRUE(HasLabelAt(*picture, 220, 216));
        EXPECT_FALSE(HasLabelAt(*picture, 180, 216));
    }
}

TEST(DrawMapTest, TwoRingsAreDrawnApartAndHatchedWhenCurrent) {
    const std::vector<WorldPoint> rings = {{980, 4980}, {980, 5020}, {1020, 5020}, {1020, 4980}, {980, 4980},
                                           {990, 4990}, {1010, 4990}, {1010, 5010}, {990, 5010}, {990, 4990}};
    const auto model = ModelBuilder().Add(7, "", rings);
    DisplayOptions options = OutlinesOnly();
    options.cbLength = true;
    options.cbNumPoints = true;
    const Picture picture = Draw(model.Objects(), options, 7);

    Viewport view = MakeView(kSize, kSize, kCentreY, kCentreX, kScale);
    view.SetupPage();
    const auto outlines = FiguresOf(picture, PictureOpKind::Polyline);
    ASSERT_EQ(outlines.size(), 2u);  // no line from the outer ring to the hole
    for (std::size_t r = 0; r < 2; ++r) {
        ASSERT_EQ(outlines[r].Points.size(), 5u);
        for (std::size_t i = 0; i < 5; ++i) {
            const PageIntPoint p = view.WorldToPage(rings[5 * r + i]);
            EXPECT_EQ(outlines[r].Points[i], (PicturePoint{static_cast<int>(p.x), static_cast<int>(p.y)}));
        }
    }
    const auto hatched = FiguresOf(picture, PictureOpKind::Polygon);
    ASSERT_EQ(hatched.size(), 2u);
    for (const auto& ring : hatched) {
        EXPECT_EQ(ring.Brush, (PictureBrush{BrushStyle::DiagonalHatch, kYellow}));
        EXPECT_EQ(ring.Points.size(), 5u);
    }
    // 8 sides, none across the rings; the closing points 5 and 10 carry no number.
    const auto texts = LabelTexts(picture);
    EXPECT_EQ(texts.size(), 16u);
    for (const char* number : {"1", "2", "3", "4", "6", "7", "8", "9"}) EXPECT_EQ(Count(texts, number), 1u) << number;
    EXPECT_EQ(Count(texts, "5"), 0u);
    EXPECT_EQ(Count(texts, "10"), 0u);
}

TEST(DrawMapTest, UnclosedLastRingStaysOpenButItsHatchIsClosedByTheFill) {
    const auto model = ModelBuilder().Add(3, "", {{990, 4990}, {990, 5010}, {1010, 5010}, {1010, 4990}});
    const Picture picture = Draw(model.Objects(), OutlinesOnly(), 3);
    const auto outline = FiguresOf(picture, PictureOpKind::Polyline);
    ASSERT_EQ(outline.size(), 1u);
    ASSERT_EQ(outline[0].Points.size(), 4u);
    EXPECT_NE(outline[0].Points.front(), outline[0].Points.back());
    const auto hatch = FiguresOf(picture, PictureOpKind::Polygon);
    ASSERT_EQ(hatch.size(), 1u);
    EXPECT_EQ(hatch[0].Points.size(), 4u);
}

// A first vertex entered twice does not end a ring of its own: the ring closes where the
// model closes it, so the outline keeps all four sides and is labelled with them.
TEST(DrawMapTest, RepeatedFirstVertexDoesNotSplitTheOutline) {
    testing::SeparatorScope comma(',');
    const auto model = ModelBuilder().Add(4, "", {{990, 4990}, {990, 4990}, {990, 5000}, {1000, 5000}, {1000, 4990},
                                                  {990, 4990}});
    DisplayOptions options = OutlinesOnly();
    options.cbLength = true;
    const Picture picture = Draw(model.Objects(), options);
    const auto outline = FiguresOf(picture, PictureOpKind::Polyline);
    ASSERT_EQ(outline.size(), 1u);
    EXPECT_EQ(outline[0].Points.front(), outline[0].Points.back());
    EXPECT_EQ(Count(LabelTexts(picture), "10,00"), 4u);
}

TEST(DrawMapTest, TwoPixelParcelIsAMarkAndThreePixelsIsDetail) {
    // 0.5 m is 2 pixels, 0.75 m is 3; beside a large parcel, so the view is no overview of
    // small parcels (where the outlines would cover most of them).
    const auto model = ModelBuilder()
                           .AddBox(1, "", 960, 4960, 0.5, 0.5)
                           .AddBox(2, "", 970, 4960, 0.75, 0.5)
                           .AddBox(3, "", 980, 4960, 0.5, 0.5)
                           .AddBox(4, "", 990, 4990, 40, 40);
    const Picture picture = Draw(model.Objects(), OutlinesOnly());
    const auto marks = FiguresOf(picture, PictureOpKind::Ellipse);
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(FiguresOf(picture, PictureOpKind::Polyline).size(), 2u);
    // The box (960, 4960)-(960.5, 4960.5) is page (1000, -9000)-(1050, -8950), grown by 2.
    EXPECT_EQ(marks[0].Points, (std::vector<PicturePoint>{{998, -9002}, {1052, -8948}}));
    // The fill left by the drawing before: white before any detailed parcel, clear after.
    EXPECT_EQ(marks[0].Brush.Style, BrushStyle::Solid);
    EXPECT_EQ(marks[1].Brush.Style, BrushStyle::Clear);
}

TEST(DrawMapTest, BoxTouchingTheWindowEdgeIsDrawn) {
    const auto model = ModelBuilder()
                           .AddBox(1, "", 1050, 5000, 5, 5)     // MinY on the right edge
                           .AddBox(2, "", 1000, 4940, 5, 10)    // MaxX on the bottom edge
                           .AddBox(3, "", 1050.5, 5000, 5, 5)   // just beyond the right edge
                           .AddBox(4, "", 1000, 5050.25, 5, 5); // just above the top edge
    const Picture picture = Draw(model.Objects(), OutlinesOnly());
    EXPECT_EQ(FiguresOf(picture, PictureOpKind::Polyline).size(), 2u);
}

TEST(DrawMapTest, AreaPerimeterAndNameLabels) {
    testing::SeparatorScope comma(',');
    // 20 m x 61.7 m = 1234 m2, perimeter 163.4 m, centred on the view.
    const auto model = ModelBuilder().AddBox(12, "ул. Садовая, д. 5, уч. №  17 ", 990, 4969.15, 20, 61.7);
    DisplayOptions options;  // start-up options: area in hectares and the parcel number
    options.cbDeclutter = false;
    Picture picture = Draw(model.Objects(), options);
    // Anchor pixel (200, 200), text height 9: area top 200 - 4, name top 200 - 14.
    auto labels = LabelsOf(picture);
    ASSERT_EQ(labels.size(), 2u);
    EXPECT_EQ(labels[0].Text, "0,1234");
    EXPECT_EQ(labels[0].X, 200);
    EXPECT_EQ(labels[0].Y, 196);
    EXPECT_EQ(labels[1].Text, "17");
    EXPECT_EQ(labels[1].Y, 186);

    options.cbPerimetr = true;
    labels = LabelsOf(Draw(model.Objects(), options));
    ASSERT_EQ(labels.size(), 3u);
    EXPECT_EQ(labels[0].Text, "S = 0,1234");
    EXPECT_EQ(labels[1].Text, "P = 163,40");
    EXPECT_EQ(labels[1].Y, 204);  // one line below the area

    options.Click(DisplayOption::Code);
    EXPECT_EQ(LabelsOf(Draw(model.Objects(), options)).back().Text, "12");

    // 15 000 m2 in each unit.
    const auto big = ModelBuilder().AddBox(1, "", 950, 4925, 100, 150);
    DisplayOptions units = OutlinesOnly();
    units.cbArea = true;
    const std::pair<DisplayOption, const char*> cases[] = {
        {DisplayOption::Metr3, "0,0015"}, {DisplayOption::Metr1, "15000,00"}, {DisplayOption::Metr2, "1,5000"}};
    for (const auto& [unit, text] : cases) {
        units.Click(unit);
        EXPECT_EQ(LabelTexts(Draw(big.Objects(), units)), std::vector<std::string>{text});
    }
}

TEST(DrawMapTest, HatchOnlyOnTheCurrentParcel) {
    const auto model = ModelBuilder()
                           .AddBox(1, "", 960, 4990, 10, 10)
                           .AddBox(2, "", 980, 4990, 10, 10)
                           .AddBox(3, "", 1000, 4990, 10, 10);
    const auto hatched = FiguresOf(Draw(model.Objects(), OutlinesOnly(), 2), PictureOpKind::Polygon);
    ASSERT_EQ(hatched.size(), 1u);
    Viewport view = MakeView(kSize, kSize, kCentreY, kCentreX, kScale);
    view.SetupPage();
    EXPECT_EQ(hatched[0].Points[0].x, view.WorldToPage({980, 4990}).x);
    // Outlines after the hatch are not filled.
    const auto outlines = FiguresOf(Draw(model.Objects(), OutlinesOnly(), 2), PictureOpKind::Polyline);
    EXPECT_EQ(outlines.size(), 3u);

    DisplayOptions noShadow = OutlinesOnly();
    noShadow.cbShadow = false;
    EXPECT_TRUE(FiguresOf(Draw(model.Objects(), noShadow, 2), PictureOpKind::Polygon).empty());
    EXPECT_TRUE(FiguresOf(Draw(model.Objects(), OutlinesOnly(), std::nullopt), PictureOpKind::Polygon).empty());
}

TEST(DrawMapTest, PointCirclesAreWhiteAndOnlyWhereVisible) {
    const auto model = ModelBuilder().AddBox(1, "", 990, 4990, 10, 10).AddBox(2, "", 1040, 5000, 500, 500);
    DisplayOptions options = OutlinesOnly();
    options.cbPoints = true;
    const auto circles = FiguresOf(Draw(model.Objects(), options), PictureOpKind::Ellipse);
    // Five circles of the small box; of the big one only its corner (1040, 5000) is near the page.
    ASSERT_EQ(circles.size(), 7u);
    EXPECT_EQ(circles[0].Brush, (PictureBrush{BrushStyle::Solid, kWhite}));
    EXPECT_EQ(circles[0].Points[1].x - circles[0].Points[0].x, 2 * kPointCircleRadius);
}

TEST(DrawMapTest, FarReachingParcelIsClippedToTheGuardBand) {
    // 20 km square whose west side runs down the middle of the view at Y = 1000.
    const auto model = ModelBuilder().AddBox(1, "№ 1", 1000, -5000, 20000, 20000);
    DisplayOptions options;
    options.cbLength = true;
    const Picture picture = Draw(model.Objects(), options, 1);
    for (const PicturePoint& p : picture.Points()) {
        EXPECT_GE(p.x, -kGuardBandPage);
        EXPECT_LE(p.x, 10000 + kGuardBandPage);
        EXPECT_GE(p.y, -10000 - kGuardBandPage);
        EXPECT_LE(p.y, kGuardBandPage);
    }
    const auto outline = FiguresOf(picture, PictureOpKind::Polyline);
    ASSERT_EQ(outline.size(), 1u);
    EXPECT_EQ(outline[0].Points,
              (std::vector<PicturePoint>{{5000, -10000 - kGuardBandPage}, {5000, kGuardBandPage}}));
    const auto hatch = FiguresOf(picture, PictureOpKind::Polygon);
    ASSERT_EQ(hatch.size(), 1u);
    for (const PicturePoint& p : hatch[0].Points) EXPECT_GE(p.x, 5000);
    // Of its labels only the west side's, whose midpoint is the view's centre row, is near.
    EXPECT_EQ(LabelTexts(picture), std::vector<std::string>{SideLengthText(20000.0)});
}

}  // namespace
}  // namespace ter5::map
