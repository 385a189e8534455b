// What keeps the overview of a large base readable: the outline ink estimate and the pen it
// chooses, the shared sides an overview leaves out, the label-in-its-parcel test, and the label filter's rules on parcels that are
// bent, narrow or too small: each label in its own parcel or not at all, no area without
// the number of its parcel.

#include <gtest/gtest.h>

#include "MapTestModels.h"
#include "map/DrawMap.h"
#include "map/LabelFit.h"
#include "map/OutlineInk.h"
#include "map/SharedSides.h"
#include "map/TextMetrics.h"

namespace ter5::map {
namespace {

using testing::LabelTexts;
using testing::MakeView;
using testing::ModelBuilder;

// A grid of `columns` x `rows` plots of `side` metres from (1000, 5000), codes from 1.
TArrObjects Grid(int columns, int rows, double side) {
    ModelBuilder model;
    std::int32_t code = 1;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c, ++code)
            model.AddBox(code, "№ " + std::to_string(code), 1000.0 + c * side, 5000.0 + r * side, side, side);
    return model.Objects();
}

TEST(OutlineInk, DenseOverviewsGetALighterPenWorkingScalesTheFullOne) {
    const TArrObjects grid = Grid(40, 40, 10.0);
    // 1:1000 (4 pixels a metre): plots of 40 pixels, outlines a small share: the full pen.
    Viewport working = MakeView(400, 400, 1200.0, 5200.0, 100.0);
    working.SetupPage();
    const OutlineInk roomy = EstimateOutlineInk(grid, working);
    EXPECT_LE(roomy.Coverage, 0.05);
    EXPECT_EQ(roomy.Weight, 1.0);
    EXPECT_EQ(OutlinePen(roomy.Weight, kOutlinePenWidth), (PicturePen{kBlack, kOutlinePenWidth}));
    // 1:40000: plots of a pixel, outlines everywhere: a thinner, grey pen, never white.
    Viewport overview = MakeView(400, 400, 1200.0, 5200.0, 2.5);
    overview.SetupPage();
    const OutlineInk dense = EstimateOutlineInk(grid, overview);
    EXPECT_GT(dense.Coverage, 0.8);
    EXPECT_LT(dense.Weight, 0.3);
    const PicturePen pen = OutlinePen(dense.Weight, kOutlinePenWidth);
    EXPECT_EQ(pen.Colour.Red, kLightestOutlineGrey);
    EXPECT_LT(pen.Width, kOutlinePenWidth);
    EXPECT_GE(pen.Width, 1);
    // Half way, a darker grey than the lightest.
    EXPECT_LT(OutlinePen(0.7, kOutlinePenWidth).Colour.Red, kLightestOutlineGrey);
    // Parcels out of view do not count.
    Viewport elsewhere = MakeView(400, 400, 9000.0, 9000.0, 2.5);
    elsewhere.SetupPage();
    EXPECT_EQ(EstimateOutlineInk(grid, elsewhere).Weight, 1.0);
}

// Which sides count as shared: the same two end points in another parcel, in either
// direction; a corner, a part of a side or a side repeated in one parcel is not.
TEST(SharedSides, TheSameEndPointsInAnotherParcelEitherWay) {
    const std::vector<WorldPoint> left = {{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}};
    struct Case {
        const char* name;
        std::vector<WorldPoint> other;
        std::size_t sharedSides;  // counted on both parcels
        double leftBoundary;      // m
    };
    const Case cases[] = {
        {"reversed common side", {{10, 0}, {10, 10}, {20, 10}, {20, 0}, {10, 0}}, 2, 30.0},
        {"same direction", {{10, 10}, {10, 0}, {20, 0}, {20, 10}, {10, 10}}, 2, 30.0},
        {"corner only", {{10, 10}, {10, 20}, {20, 20}, {20, 10}, {10, 10}}, 0, 40.0},
        {"part of a side", {{10, 0}, {10, 5}, {20, 5}, {20, 0}, {10, 0}}, 0, 40.0},
        {"apart", {{30, 0}, {30, 10}, {40, 10}, {40, 0}, {30, 0}}, 0, 40.0},
    };
    for (const Case& c : cases) {
        const TArrObjects model = ModelBuilder().Add(1, "1", left).Add(2, "2", c.other).Objects();
        const SharedSides& shared = SharedSidesOf(model);
        EXPECT_EQ(shared.SharedCount(), c.sharedSides) << c.name;
        EXPECT_DOUBLE_EQ(shared.BoundaryLength(0), c.leftBoundary) << c.name;
        EXPECT_FALSE(shared.Shared(4)) << c.name;  // a ring's last vertex starts no side
    }
    // A side twice in one parcel (a slit) is not shared with another parcel.
    const TArrObjects slit =
        ModelBuilder().Add(1, "1", {{0, 0}, {0, 10}, {5, 10}, {0, 10}, {0, 0}}).Objects();
    EXPECT_EQ(SharedSidesOf(slit).SharedCount(), 0u);
    // Found once per geometry, found again after a change.
    TArrObjects grown = ModelBuilder().Add(1, "1", left).Objects();
    const SharedSides* first = &SharedSidesOf(grown);
    EXPECT_EQ(&SharedSidesOf(grown), first);
    const std::size_t added = AddPoly(grown, 2, "2");
    for (const WorldPoint& p : cases[0].other) AddPolyPoint(grown, added, 0, 0, 0, p.Y, p.X, 0);
    CalcPolyGeometry(grown, added);
    EXPECT_EQ(SharedSidesOf(grown).SharedCount(), 2u);
}

// Whether a figure of the picture runs along the page segment a-b (either way).
bool Draws(const std::vector<testing::Figure>& figures, PicturePoint a, PicturePoint b) {
    for (const auto& f : figures)
        for (std::size_t i = 0; i + 1 < f.Points.size(); ++i)
            if ((f.Points[i] == a && f.Points[i + 1] == b) || (f.Points[i] == b && f.Points[i + 1] == a)) return true;
    return false;
}

// The side between the grid's first two plots is left out where outlines would cover most
// of the parcels and kept, like every other side, at a working scale; the grid's outer
// boundary is drawn at both, in the full black pen.
TEST(OverviewBoundaries, SharedSidesLeftOutOnlyWhereOutlinesWouldCoverTheParcels) {
    const TArrObjects grid = Grid(40, 40, 10.0);
    struct Case {
        const char* name;
        double pageUnitsPerMetre;
        bool sharedSideDrawn;
    };
    const Case cases[] = {
        {"1:1000", 100.0, true}, {"1:6700", 15.0, false}, {"1:20000", 5.0, false}, {"1:40000", 2.5, false}};
    for (const Case& c : cases) {
        Viewport view = MakeView(400, 400, 1020.0, 5020.0, c.pageUnitsPerMetre);
        const auto picture = DrawMap(grid, view, DisplayOptions(), {});
        ASSERT_TRUE(picture) << c.name;
        const auto figures = testing::FiguresOf(*picture, PictureOpKind::Polyline);
        ASSERT_FALSE(figures.empty()) << c.name;
        const auto page = [&](double y, double x) {
            const PageIntPoint p = view.WorldToPage({y, x});
            return PicturePoint{static_cast<std::int32_t>(p.x), static_cast<std::int32_t>(p.y)};
        };
        // Plots 1 and 2 share the side y = 1010, x 5000..5010; the side y = 1000 is the grid's edge.
        EXPECT_EQ(Draws(figures, page(1010, 5000), page(1010, 5010)), c.sharedSideDrawn) << c.name;
        EXPECT_TRUE(Draws(figures, page(1000, 5000), page(1000, 5010))) << c.name;
        for (const auto& f : figures) EXPECT_EQ(f.Pen, (PicturePen{kBlack, kOutlinePenWidth})) << c.name;
        EXPECT_TRUE(testing::FiguresOf(*picture, PictureOpKind::Ellipse).empty()) << c.name;  // no marks
    }
}

// Plots apart from each other share no side: their boundaries are every outline, and where
// those would cover most of the parcels they keep a thinner, lighter pen.
TEST(OverviewBoundaries, BoundariesThatCoverTheParcelsAreThinned) {
    ModelBuilder model;
    for (int r = 0; r < 40; ++r)
        for (int c = 0; c < 40; ++c) model.AddBox(r * 40 + c + 1, "", 1000.0 + c * 10, 5000.0 + r * 10, 8, 8);
    Viewport overview = MakeView(400, 400, 1200.0, 5200.0, 2.5);
    overview.SetupPage();
    EXPECT_GT(EstimateBoundaryInk(model.Objects(), overview).Coverage, kMaxBoundaryInk);
    const auto picture = DrawMap(model.Objects(), overview, DisplayOptions(), {});
    ASSERT_TRUE(picture);
    const auto figures = testing::FiguresOf(*picture, PictureOpKind::Polyline);
    ASSERT_FALSE(figures.empty());
    for (const auto& f : figures) EXPECT_NE(f.Pen.Colour, kBlack);
}

// An L: the box centre lies in the notch, outside the parcel.
const std::vector<WorldPoint> kEll = {{1000, 5000}, {1000, 5040}, {1010, 5040}, {1010, 5010},
                                      {1040, 5010}, {1040, 5000}, {1000, 5000}};

TEST(LabelFit, InsideTheOutlineNotInItsNotchOrHoleOrOverASide) {
    // 25 page units a pixel and 100 a metre: 4 pixels a metre; page y is up.
    const Viewport view = MakeView(400, 400, 1020.0, 5020.0, 100.0);
    std::vector<PageIntPoint> page;
    for (const WorldPoint& p : kEll) page.push_back(view.WorldToPage(p));
    const std::vector<RingRange> rings = {{0, page.size()}};
    const auto pixel = [&](double y, double x) {
        const PageIntPoint p = view.WorldToPage({y, x});
        return std::pair<int, int>(static_cast<int>(p.x / 25), static_cast<int>(-p.y / 25));
    };
    const auto box = [&](double y, double x, int w, int h) {
        const auto [px, py] = pixel(y, x);
        return PixelBox{px - w / 2, py - h / 2, px + w / 2, py + h / 2};
    };
    EXPECT_TRUE(BoxInsideOutline(box(1005, 5020, 12, 8), page, rings, 25, 25));   // in the upright stroke
    EXPECT_FALSE(BoxInsideOutline(box(1020, 5020, 12, 8), page, rings, 25, 25));  // the box centre: the notch
    EXPECT_FALSE(BoxInsideOutline(box(1010, 5020, 12, 8), page, rings, 25, 25));  // over the inner side
    EXPECT_TRUE(BoxInsideOutline(box(1030, 5005, 12, 8), page, rings, 25, 25));   // in the foot
    // A hole: a second ring; a label in the hole is not in the parcel.
    std::vector<PageIntPoint> holed = page;
    for (const WorldPoint& p : std::vector<WorldPoint>{{1002, 5020}, {1002, 5030}, {1008, 5030}, {1008, 5020}, {1002, 5020}})
        holed.push_back(view.WorldToPage(p));
    const std::vector<RingRange> twoRings = {{0, page.size()}, {page.size(), holed.size()}};
    EXPECT_FALSE(BoxInsideOutline(box(1005, 5025, 8, 8), holed, twoRings, 25, 25));
    EXPECT_TRUE(BoxInsideOutline(box(1005, 5015, 8, 8), holed, twoRings, 25, 25));
}

TEST(LabelFit, ShiftsStayInTheBoxNearestFirst) {
    const std::vector<PixelShift> shifts = LabelBlockShifts({0, 0, 40, 30}, {14, 10, 26, 20});
    ASSERT_FALSE(shifts.empty());
    EXPECT_EQ(shifts.front(), (PixelShift{0, 0}));
    EXPECT_EQ(shifts[1], (PixelShift{0, kLabelShiftStep}));  // along the lines first
    for (const PixelShift& s : shifts) {
        EXPECT_GE(14 + s.Dx, 0);
        EXPECT_LE(26 + s.Dx, 40);
        EXPECT_GE(10 + s.Dy, 0);
        EXPECT_LE(20 + s.Dy, 30);
        EXPECT_LE(std::abs(s.Dx), kLabelShiftReach * kLabelShiftStep);
    }
    EXPECT_TRUE(LabelBlockShifts({0, 0, 10, 30}, {0, 10, 12, 20}).empty());  // wider than the parcel
}

TEST(LabelFilter, EachLabelInItsParcelOrNotAtAll) {
    testing::SeparatorScope comma(',');
    Viewport view = MakeView(400, 400, 1020.0, 5020.0, 100.0);
    DisplayOptions options;
    // The L's labels leave the notch for the upright stroke; unfiltered they stay in it.
    const auto ell = ModelBuilder().Add(7, "№ 7", kEll);
    const auto filtered = DrawMap(ell.Objects(), view, options, {});
    ASSERT_TRUE(filtered);
    ASSERT_EQ(LabelTexts(*filtered), (std::vector<std::string>{"0,0700", "7"}));
    std::vector<PageIntPoint> page;
    for (const WorldPoint& p : kEll) page.push_back(view.WorldToPage(p));
    const int font = filtered->Fonts()[0].PixelSize;
    for (const auto& label : testing::LabelsOf(*filtered)) {
        const int width = TextWidthPx(label.Text, font);
        const PixelBox box{label.X - width / 2, label.Y, label.X - width / 2 + width, label.Y + TextHeightPx(font)};
        EXPECT_TRUE(BoxInsideOutline(box, page, {{RingRange{0, page.size()}}}, view.PagePerPixelX, view.PagePerPixelY))
            << label.Text;
    }
    options.cbDeclutter = false;
    EXPECT_EQ(LabelTexts(*DrawMap(ell.Objects(), view, options, {})), (std::vector<std::string>{"0,0700", "7"}));

    // A plot too low for its number above its area: the number alone.
    options.cbDeclutter = true;
    const auto low = ModelBuilder().AddBox(8, "№ 888", 1000, 5000, 30, 3.5);
    EXPECT_EQ(LabelTexts(*DrawMap(low.Objects(), view, options, {})), (std::vector<std::string>{"888"}));
    // A plot 32 pixels wide whose area fits but whose long number does not: neither (no
    // area without the number of its parcel); without a number the area alone is fine.
    ASSERT_LT(TextWidthPx("0,0096", font), 30);
    ASSERT_GT(TextWidthPx("123456789", font), 32);
    const auto narrow = ModelBuilder().AddBox(8, "№ 123456789", 1000, 5000, 8, 12);
    EXPECT_TRUE(LabelTexts(*DrawMap(narrow.Objects(), view, options, {})).empty());
    const auto unnamed = ModelBuilder().AddBox(9, "", 1000, 5000, 8, 12);
    EXPECT_EQ(LabelTexts(*DrawMap(unnamed.Objects(), view, options, {})), (std::vector<std::string>{"0,0096"}));
}

}  // namespace
}  // namespace ter5::map
