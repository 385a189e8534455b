#include "map/Viewport.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "map/NumberFormat.h"

namespace ter5::map {
namespace {

// Relative tolerance for scales, page units per metre.
constexpr double kScaleTolerance = 1e-9;

// Model of rectangles given as (code, minY, minX, maxY, maxX), each a closed ring.
TArrObjects Boxes(const std::vector<std::array<double, 5>>& boxes) {
    TArrObjects objects;
    for (const auto& [code, y0, x0, y1, x1] : boxes) {
        const std::size_t i = AddPoly(objects, static_cast<std::int32_t>(code), "");
        const double corners[5][2] = {{y0, x0}, {y0, x1}, {y1, x1}, {y1, x0}, {y0, x0}};
        for (const auto& c : corners) AddPolyPoint(objects, i, 0, 0, 0, c[0], c[1], 0);
        CalcPolyGeometry(objects, i);
    }
    return objects;
}

// A viewport whose page is 13000 x 9000 page units: 1300 x 900 pixels of 10 page units.
Viewport TenUnitPixels() {
    Viewport view;
    view.SetImageSize(1300, 900);
    view.SetScreen({100, 100, 1000, 1000});
    view.SetupPage();
    return view;
}

// The scale denominator shown for the view.
std::string ScaleText(const Viewport& view) { return view.UpdateScaleStatus({}).Scale; }

class ViewportTest : public ::testing::Test {
protected:
    void SetUp() override { SetDecimalSeparator(','); }
    void TearDown() override { SetDecimalSeparator(saved_); }

private:
    char saved_ = DecimalSeparator();
};

TEST_F(ViewportTest, SetupPageFromScreenSize) {
    Viewport view;
    view.SetImageSize(524, 349);
    view.SetScreen({320, 240, 1024, 768});
    view.SetupPage();
    EXPECT_EQ(view.PageWidth, 16375.0);
    EXPECT_EQ(view.PageHeight, 10906.0);  // 10906.25
    EXPECT_EQ(view.PagePerPixelX, 31.25);
    EXPECT_NEAR(view.PagePerPixelY, 31.2492836676, 1e-9);
    // Halves go away from zero: 3 x 250 / 2 = 375; 1 x 250 / 100 = 2.5 -> 3.
    view.SetImageSize(1, 1);
    view.SetScreen({25, 25, 100, 100});
    view.SetupPage();
    EXPECT_EQ(view.PageWidth, 25.0);
    view.SetScreen({0, 0, 0, 0});  // a screen reporting nothing: an empty page, no division by zero
    view.SetupPage();
    EXPECT_EQ(view.PageWidth, 0.0);
}

TEST_F(ViewportTest, FitAllTenByFiveMetres) {
    const TArrObjects objects = Boxes({{1, 1000, 2000, 1010, 2005}});
    Viewport view = TenUnitPixels();
    view.ViewAllPending = true;
    view.FitAll(objects);
    EXPECT_NEAR(view.ViewScale, 13000.0 / 11.0, 1181.8181 * kScaleTolerance);
    EXPECT_EQ(view.ViewCenterY, 1005.0);
    EXPECT_EQ(view.ViewCenterX, 2002.5);
    EXPECT_FALSE(view.ViewAllPending);
    const ScaleStatus status = view.UpdateScaleStatus({});
    EXPECT_EQ(status.Scale, "M 1:85");
    EXPECT_EQ(status.ScaleBox, "85");
    EXPECT_EQ(status.Zoom, "Zoom: 11x8 m");
    EXPECT_FALSE(status.CursorX.has_value());  // the mouse has not moved over the map yet
    EXPECT_FALSE(status.CursorY.has_value());
}

TEST_F(ViewportTest, FitAllSinglePointAndTinyModels) {
    Viewport view = TenUnitPixels();
    view.FitAll(Boxes({{1, 1500, 2500, 1500, 2500}}));
    EXPECT_EQ(view.ViewScale, kOneToOneScale);
    EXPECT_EQ(view.ViewCenterY, 1500.0);
    EXPECT_EQ(view.ViewCenterX, 2500.0);
    // Fit-all is not limited to 1:1: a 1 cm square shows at 9000 / 1.1 page units per cm, 8:1.
    view.FitAll(Boxes({{1, 1500, 2500, 1500.01, 2500.01}}));
    EXPECT_EQ(ScaleText(view), "M 8:1");
    EXPECT_EQ(view.UpdateScaleStatus({}).ScaleBox, "0");
}

TEST_F(ViewportTest, ZoomAndScaleCommands) {
    const TArrObjects objects = Boxes({{1, 1000, 2000, 1010, 2005}});
    Viewport view = TenUnitPixels();
    view.FitAll(objects);
    const auto menu = ScaleMenuItems();
    ASSERT_EQ(menu.size(), 17u);
    EXPECT_STREQ(menu[5].Name, "NS6");
    EXPECT_STREQ(menu[5].Caption, "1:1000");

    struct Case { const char* start; ScaleMode mode; const char* expected; };
    const Case cases[] = {
        {"1000", ScaleMode::ZoomIn, "M 1:500"}, {"1000", ScaleMode::ZoomOut, "M 1:2000"},
        {"1", ScaleMode::ZoomIn, "M 1:1"},      {"1", ScaleMode::ZoomOut, "M 1:2"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(view.SetScale(objects, ScaleMode::Set, *ScaleBoxValue(c.start)));
        view.ViewCenterY = 1234.5;
        view.ViewCenterX = 2345.5;
        EXPECT_TRUE(view.SetScale(objects, c.mode, 0.0));  // redraws even when held at 1:1
        EXPECT_EQ(ScaleText(view), c.expected) << c.start;
        EXPECT_EQ(view.ViewCenterY, 1234.5);
        EXPECT_EQ(view.ViewCenterX, 2345.5);
    }

    struct Typed { const char* text; const char* expected; };
    for (const Typed& t : {Typed{"2500", "M 1:2500"}, Typed{"2,5", "M 1:2"}, Typed{"2.5", "M 1:2"}}) {
        view.SetScale(objects, ScaleMode::Set, *ScaleBoxValue(t.text));
        EXPECT_EQ(ScaleText(view), t.expected) << t.text;
    }
    EXPECT_FALSE(ScaleBoxValue("0").has_value());
    EXPECT_FALSE(ScaleBoxValue("-5").has_value());
    EXPECT_FALSE(ScaleBoxValue(" ").has_value());
    EXPECT_THROW(ScaleBoxValue("abc"), InvalidNumberError);

    view.SetScale(objects, ScaleMode::Set, ScaleMenuValue(menu[8]));
    const ScaleStatus status = view.UpdateScaleStatus({});
    EXPECT_EQ(status.Scale, "M 1:10000");
    EXPECT_EQ(status.ScaleBox, "10000");

    // An empty model ignores every zoom.
    Viewport idle = TenUnitPixels();
    EXPECT_FALSE(idle.SetScale(TArrObjects{}, ScaleMode::ZoomIn, 0.0));
    EXPECT_EQ(idle.ViewScale, 0.0);
}

TEST_F(ViewportTest, TransformsAndStatusCoordinates) {
    Viewport view = TenUnitPixels();
    view.ViewCenterY = 1000.0;
    view.ViewCenterX = 2000.0;
    view.ViewScale = 8.0;
    struct Case { WorldPoint world; PageIntPoint page; };
    const Case cases[] = {
        {{1000.0, 2000.0}, {6500, -4500}},
        {{1000.0625, 2000.0625}, {6500, -4500}},  // +0.5 page units: halves to even
        {{1000.1875, 2000.1875}, {6502, -4498}},  // +1.5
        {{1000.0 - 812.5, 2000.0 + 562.5}, {0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(view.WorldToPage(c.world), c.page) << c.world.Y;
        const WorldPoint back = view.PageToWorld({static_cast<double>(c.page.x), static_cast<double>(c.page.y)});
        EXPECT_NEAR(back.Y, c.world.Y, 0.5 / view.ViewScale);
        EXPECT_NEAR(back.X, c.world.X, 0.5 / view.ViewScale);
    }
    const PagePoint page = view.PixelToPage({10, 20});
    EXPECT_EQ(page.x, 100.0);
    EXPECT_EQ(page.y, -200.0);

    view.ViewScale = 100.0;
    const ScaleStatus status = view.UpdateScaleStatus(view.PixelToPage({650, 450}));
    EXPECT_EQ(status.CursorX, "X = 2000,000");
    EXPECT_EQ(status.CursorY, "Y = 1000,000");
    EXPECT_FALSE(view.UpdateScaleStatus(view.PixelToPage({0, 0})).CursorX.has_value());
}

TEST_F(ViewportTest, ViewAreaModes) {
    // Code 7 has no outline in the model; the grid position of code 9 would be wrong.
    const TArrObjects objects = Boxes({{5, 1000, 2000, 1010, 2005}, {9, 3000, 4000, 3000, 4010}});
    Viewport view = TenUnitPixels();

    EXPECT_TRUE(view.ViewArea(objects, ViewAreaMode::FitCurrent, 5));
    EXPECT_NEAR(view.ViewScale, 13000.0 / 11.0, 1181.8181 * kScaleTolerance);
    EXPECT_EQ(view.ViewCenterY, 1005.0);
    EXPECT_EQ(view.ViewCenterX, 2002.5);

    EXPECT_TRUE(view.ViewArea(objects, ViewAreaMode::FitCurrent, 9));  // no width: 1:1
    EXPECT_EQ(view.ViewScale, kOneToOneScale);
    EXPECT_EQ(view.ViewCenterY, 3000.0);
    EXPECT_EQ(view.ViewCenterX, 4005.0);

    view.ViewScale = 100.0;
    EXPECT_TRUE(view.ViewArea(objects, ViewAreaMode::CentreCurrent, 5));
    EXPECT_EQ(view.ViewScale, 100.0);
    EXPECT_EQ(view.ViewCenterY, 1005.0);

    EXPECT_FALSE(view.ViewArea(objects, ViewAreaMode::FitCurrent, 7));
    EXPECT_FALSE(view.ViewArea(objects, ViewAreaMode::CentreCurrent, 7));
    EXPECT_EQ(view.ViewScale, 100.0);
    EXPECT_EQ(view.ViewCenterY, 1005.0);

    // Zoom rectangle from the top-left pixel to the page centre: 65 m x 45 m of ground.
    view.ViewCenterY = 1000.0;
    view.ViewCenterX = 2000.0;
    EXPECT_TRUE(view.ViewArea(objects, ViewAreaMode::FitRectangle, 0, {0, 0}, {650, 450}));
    EXPECT_NEAR(view.ViewScale, 13000.0 / (65.0 * 1.1), 1e-9);
    EXPECT_NEAR(view.ViewCenterY, 967.5, 1e-9);
    EXPECT_NEAR(view.ViewCenterX, 2022.5, 1e-9);

    // Mode 5 changes nothing but the missing scale, which becomes 1:1.
    Viewport fresh = TenUnitPixels();
    EXPECT_TRUE(fresh.ViewArea(objects, ViewAreaMode::Unchanged, 0));
    EXPECT_EQ(fresh.ViewScale, kOneToOneScale);
    EXPECT_EQ(fresh.ViewCenterY, 0.0);
}

TEST_F(ViewportTest, PanKeepsTheGrabbedGroundUnderTheMouse) {
    Viewport view = TenUnitPixels();
    view.ViewCenterY = 1000.0;
    view.ViewCenterX = 2000.0;
    view.ViewScale = 100.0;
    const PixelPoint down{100, 100}, move{110, 120};
    const WorldPoint grabbed = view.PageToWorld(view.PixelToPage(down));
    view.Pan(down, move);
    EXPECT_EQ(view.ViewCenterY, 999.0);   // dragged right: ground further west
    EXPECT_EQ(view.ViewCenterX, 2002.0);  // dragged down: ground further north
    const WorldPoint under = view.PageToWorld(view.PixelToPage(move));
    EXPECT_NEAR(under.Y, grabbed.Y, 1e-9);
    EXPECT_NEAR(under.X, grabbed.X, 1e-9);
}

}  // namespace
}  // namespace ter5::map
