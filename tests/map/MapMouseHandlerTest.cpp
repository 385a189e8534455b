// The mouse tools on a 400 x 400 pixel view at 25 page units per pixel and 100 page units
// per metre, centred on (1000, 5000): pixel (px, py) is world (950 + px / 4, 5050 - py / 4).
// Parcel 1 covers pixels 160..200 x 200..240, parcel 2 pixels 240..280 x 200..240.

#include "map/MapMouseHandler.h"

#include <gtest/gtest.h>

#include <vector>

#include "MapTestModels.h"

namespace ter5::map {
namespace {

using testing::MakeView;
using testing::ModelBuilder;

// Records what the tools ask of the window; the view is a real one.
class FakeHost : public MapMouseHost {
public:
    explicit FakeHost(const TArrObjects& objects) : objects_(objects), view_(MakeView(400, 400, 1000, 5000, 100)) {
        view_.SetupPage();
    }
    const TArrObjects& Objects() const override { return objects_; }
    Viewport& View() override { return view_; }
    void DrawMap() override { ++draws; }
    void SetMapCursor(MapCursor cursor) override { cursors.push_back(cursor); }
    void ShowScaleStatus(const ScaleStatus& status) override { statuses.push_back(status); }
    void LocateParcel(std::int32_t code) override { calls.push_back("parcel " + std::to_string(code)); }
    void LocateOwner(std::int32_t code) override { calls.push_back("owner " + std::to_string(code)); }
    void ShiftObject() override { calls.push_back("shift"); }
    void FrameChanged(const DragFrame&) override {}

    int draws = 0;
    std::vector<MapCursor> cursors;
    std::vector<ScaleStatus> statuses;
    std::vector<std::string> calls;

private:
    const TArrObjects& objects_;
    Viewport view_;
};

constexpr MouseShift kLeft{.Left = true};
constexpr MouseShift kRight{.Right = true};
constexpr MouseShift kNone{};

class MapMouseHandlerTest : public ::testing::Test {
protected:
    MapMouseHandlerTest()
        : model_(ModelBuilder().AddBox(1, "", 990, 4990, 10, 10).AddBox(2, "", 1010, 4990, 10, 10)),
          host_(model_.Objects()), mouse_(host_) {}

    // Press, moves through `path`, release at its last point; moves hold the button.
    void Drag(MouseButton button, MouseShift held, std::vector<PixelPoint> path, MouseShift release = kNone) {
        mouse_.MapImageMouseDown(button, held, path.front().x, path.front().y);
        for (std::size_t i = 1; i < path.size(); ++i) mouse_.MapImageMouseMove(held, path[i].x, path[i].y);
        mouse_.MapImageMouseUp(button, release, path.back().x, path.back().y);
    }
    double Scale() { return host_.View().ViewScale; }
    WorldPoint Centre() { return {host_.View().ViewCenterY, host_.View().ViewCenterX}; }

    ModelBuilder model_;
    FakeHost host_;
    MapMouseHandler mouse_;
};

TEST_F(MapMouseHandlerTest, ZoomClickOrOnePixelDragZoomsByTwoAboutThePageCentre) {
    testing::SeparatorScope comma(',');
    mouse_.SetTool(MapTool::Zoom);
    Drag(MouseButton::Left, kLeft, {{100, 100}});
    EXPECT_EQ(Scale(), 200.0);
    Drag(MouseButton::Left, kLeft, {{100, 100}, {101, 101}});  // frame shown, but 1 pixel
    EXPECT_EQ(Scale(), 400.0);
    Drag(MouseButton::Left, kLeft, {{100, 100}, {101, 150}});  // 1 pixel wide
    EXPECT_EQ(Scale(), 800.0);
    Drag(MouseButton::Right, kRight, {{300, 20}});
    EXPECT_EQ(Scale(), 400.0);
    EXPECT_EQ(Centre(), (WorldPoint{1000, 5000}));
    EXPECT_EQ(host_.draws, 4);
    EXPECT_FALSE(mouse_.DragActive());
    // The status follows each zoom, for the last mouse position (a move to (101, 150)).
    EXPECT_EQ(host_.statuses.back().Scale, "M 1:250");
    EXPECT_EQ(host_.statuses.back().CursorX, "X = 5003,125");
}

TEST_F(MapMouseHandlerTest, ZoomDragOfTwoPixelsBothWaysFitsTheRectangle) {
    testing::SeparatorScope comma(',');
    mouse_.SetTool(MapTool::Zoom);
    Drag(MouseButton::Left, kLeft, {{100, 100}, {120, 130}, {102, 150}});
    // World (975, 5025) to (975.5, 5012.5): the 12.5 m height decides, with a tenth to spare.
    EXPECT_DOUBLE_EQ(Scale(), 10000.0 / (12.5 * 1.1));
    EXPECT_EQ(Centre(), (WorldPoint{975.25, 5018.75}));
    EXPECT_EQ(host_.draws, 1);
    EXPECT_FALSE(mouse_.Frame().Visible);
}

TEST_F(MapMouseHandlerTest, ZoomRightDragRedrawsWithoutChangingTheView) {
    mouse_.SetTool(MapTool::Zoom);
    Drag(MouseButton::Right, kRight, {{100, 100}, {150, 180}});
    EXPECT_EQ(Scale(), 100.0);
    EXPECT_EQ(Centre(), (WorldPoint{1000, 5000}));
    EXPECT_EQ(host_.draws, 1);
    EXPECT_FALSE(mouse_.DragActive());
}

TEST_F(MapMouseHandlerTest, PanNeedsTwoPixelsAndMovesTheGroundWithTheMouse) {
    Drag(MouseButton::Left, kLeft, {{100, 100}, {101, 101}});
    EXPECT_EQ(host_.draws, 0);
    EXPECT_TRUE(mouse_.DragActive());  // a release without enough movement keeps it

    // Right by 2 pixels: the ground further west comes into view.
    Drag(MouseButton::Left, kLeft, {{100, 100}, {102, 100}});
    EXPECT_EQ(Centre(), (WorldPoint{999.5, 5000}));
    // Down by 4 pixels: further north.
    Drag(MouseButton::Left, kLeft, {{100, 100}, {100, 104}});
    EXPECT_EQ(Centre(), (WorldPoint{999.5, 5001}));
    EXPECT_EQ(host_.draws, 2);
    EXPECT_EQ(Scale(), 100.0);
}

TEST_F(MapMouseHandlerTest, DragWithAModifierOrSecondButtonShowsNoFrameAndDoesNotPan) {
    for (const MouseShift held : {MouseShift{.Shift = true, .Left = true}, MouseShift{.Ctrl = true, .Left = true},
                                  MouseShift{.Left = true, .Right = true}}) {
        mouse_.MapImageMouseDown(MouseButton::Left, held, 100, 100);
        mouse_.MapImageMouseMove(held, 150, 150);
        EXPECT_FALSE(mouse_.Frame().Visible);
        mouse_.MapImageMouseUp(MouseButton::Left, kNone, 150, 150);
    }
    EXPECT_EQ(Centre(), (WorldPoint{1000, 5000}));
    EXPECT_EQ(host_.draws, 0);
}

TEST_F(MapMouseHandlerTest, PickAtTheReleasePointAndShiftOnDoubleClick) {
    mouse_.SetTool(MapTool::Pick);
    // Pressed over parcel 1, released over parcel 2: parcel 2.
    Drag(MouseButton::Left, kLeft, {{180, 220}, {220, 220}, {260, 220}});
    EXPECT_EQ(host_.calls, (std::vector<std::string>{"parcel 2", "owner 2"}));
    EXPECT_EQ(host_.draws, 1);
    EXPECT_TRUE(mouse_.DragActive());  // a pick leaves the drag state set

    host_.calls.clear();
    mouse_.MapImageMouseDown(MouseButton::Left, {.Left = true, .Double = true}, 180, 220);
    mouse_.MapImageMouseUp(MouseButton::Left, {.Double = true}, 180, 220);
    EXPECT_EQ(host_.calls, (std::vector<std::string>{"parcel 1", "owner 1", "shift"}));
    EXPECT_EQ(host_.draws, 1);  // the shift redraws, not the pick

    host_.calls.clear();
    Drag(MouseButton::Left, kLeft, {{20, 20}});  // nothing there: nothing changes
    EXPECT_TRUE(host_.calls.empty());
    EXPECT_EQ(host_.draws, 1);
}

TEST_F(MapMouseHandlerTest, PickRightDragPansLikeThePanTool) {
    mouse_.SetTool(MapTool::Pick);
    Drag(MouseButton::Right, kRight, {{100, 100}, {104, 100}});
    EXPECT_EQ(Centre(), (WorldPoint{999, 5000}));
    EXPECT_TRUE(host_.calls.empty());
    // A left drag shows no frame in the pick tool.
    mouse_.MapImageMouseDown(MouseButton::Left, kLeft, 100, 100);
    mouse_.MapImageMouseMove(kLeft, 140, 100);
    EXPECT_FALSE(mouse_.Frame().Visible);
}

TEST_F(MapMouseHandlerTest, FrameFollowsTheDrag) {
    mouse_.MapImageMouseDown(MouseButton::Left, kLeft, 100, 100);
    mouse_.MapImageMouseMove(kLeft, 130, 90);  // the image moved by (30, -10)
    const DragFrame& moved = mouse_.Frame();
    EXPECT_TRUE(mouse_.Frame().Visible);
    EXPECT_EQ(moved.Shape1, (FrameShape{30, -10, 400, 1}));
    EXPECT_EQ(moved.Shape2, (FrameShape{30, 389, 400, 1}));
    EXPECT_EQ(moved.Shape3, (FrameShape{30, -10, 1, 400}));
    EXPECT_EQ(moved.Shape4, (FrameShape{429, -10, 1, 400}));
    mouse_.MapImageMouseUp(MouseButton::Left, kNone, 130, 90);
    EXPECT_FALSE(mouse_.Frame().Visible);

    mouse_.SetTool(MapTool::Zoom);
    mouse_.MapImageMouseDown(MouseButton::Left, kLeft, 100, 100);
    mouse_.MapImageMouseMove(kLeft, 150, 130);
    const DragFrame& down = mouse_.Frame();
    EXPECT_EQ(down.Shape1, (FrameShape{100, 100, 50, 1}));
    EXPECT_EQ(down.Shape2, (FrameShape{100, 129, 50, 1}));
    EXPECT_EQ(down.Shape3, (FrameShape{100, 100, 1, 30}));
    EXPECT_EQ(down.Shape4, (FrameShape{149, 100, 1, 30}));
    mouse_.MapImageMouseMove(kLeft, 60, 70);  // up and to the left
    EXPECT_EQ(down.Shape1, (FrameShape{101, 100, -42, 1}));
    EXPECT_EQ(down.Shape2, (FrameShape{101, 69, -42, 1}));
    EXPECT_EQ(down.Shape4, (FrameShape{59, 100, 1, -30}));
}

TEST_F(MapMouseHandlerTest, CursorsAndCoordinates) {
    testing::SeparatorScope comma(',');
    mouse_.MapImageMouseMove(kNone, 200, 200);
    EXPECT_EQ(host_.cursors.back(), MapCursor::Hand);
    EXPECT_EQ(host_.statuses.back().CursorX, "X = 5000,000");
    EXPECT_EQ(host_.statuses.back().CursorY, "Y = 1000,000");
    mouse_.SetTool(MapTool::Pick);
    mouse_.MapImageMouseMove(kRight, 200, 200);
    EXPECT_EQ(host_.cursors.back(), MapCursor::Hand);
    mouse_.MapImageMouseMove(kNone, 200, 200);
    EXPECT_EQ(host_.cursors.back(), MapCursor::Pick);
    mouse_.SetTool(MapTool::Zoom);
    mouse_.MapImageMouseDown(MouseButton::Right, kRight, 10, 10);
    EXPECT_EQ(host_.cursors.back(), MapCursor::ZoomOut);
    mouse_.MapImageMouseUp(MouseButton::Middle, kNone, 10, 10);  // the middle button zooms nothing
    EXPECT_EQ(host_.cursors.back(), MapCursor::ZoomIn);
    EXPECT_EQ(Scale(), 100.0);
    EXPECT_TRUE(mouse_.DragActive());
}

TEST_F(MapMouseHandlerTest, EmptyModelIgnoresTheMouse) {
    const TArrObjects empty;
    FakeHost host(empty);
    MapMouseHandler mouse(host);
    mouse.SetTool(MapTool::Zoom);
    mouse.MapImageMouseDown(MouseButton::Left, kLeft, 10, 10);
    mouse.MapImageMouseMove(kLeft, 50, 50);
    mouse.MapImageMouseUp(MouseButton::Left, kNone, 50, 50);
    EXPECT_TRUE(host.cursors.empty());
    EXPECT_TRUE(host.statuses.empty());
    EXPECT_FALSE(mouse.Frame().Visible);
    EXPECT_EQ(host.draws, 0);
    EXPECT_EQ(host.View().ViewScale, 100.0);
}

}  // namespace
}  // namespace ter5::map
