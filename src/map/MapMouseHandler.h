#pragma once
// The map's mouse tools, free of any widget: zoom (a click zooms by 2, a drag fits a
// rectangle), pan (a drag moves the map) and pick (a click selects the parcel under the
// mouse, a right-button drag pans), the drag state, the red dotted frame that follows a
// drag, cursors and the status-bar coordinates. The widget forwards its mouse events here
// and carries out what the handler asks of its host.
//
// Every handler does nothing at all while the model has no parcels. Coordinates are pixels
// of the map image, y downwards.

#include <array>
#include <cstdint>

#include "map/MapObjects.h"
#include "map/Viewport.h"

namespace ter5::map {

// The three tools of the map toolbar.
enum class MapTool {
    Zoom,  // TBZoom, "Масштабирование"
    Move,  // TBMove, "Смещение" (the tool at start)
    Pick,  // TBPick, "Выбор"
};

// A mouse button that went down or up.
enum class MouseButton { Left, Right, Middle };

// Buttons held and modifier keys as the window system reports them with an event; Double
// marks a press or release that completes a double-click.
struct MouseShift {
    bool Shift = false;
    bool Ctrl = false;
    bool Alt = false;
    bool Left = false;
    bool Right = false;
    bool Middle = false;
    bool Double = false;
};

// Cursor numbers of the map (the program's cursor table).
enum class MapCursor : int {
    ZoomIn = 10,   // zoomin.cur
    ZoomOut = 11,  // zoomout.cur
    Hand = 12,     // handmove.cur
    Pick = 20,     // pick.cur
};

// One line of the drag frame: a 1-pixel-high (or -wide) shape; width or height may come
// out negative for a zoom drag up or to the left.
struct FrameShape {
    std::int64_t Left = 0;
    std::int64_t Top = 0;
    std::int64_t Width = 0;
    std::int64_t Height = 0;
    friend bool operator==(const FrameShape&, const FrameShape&) = default;
};

// The four frame lines, shown and hidden together.
struct DragFrame {
    FrameShape Shape1;  // top edge
    FrameShape Shape2;  // bottom edge
    FrameShape Shape3;  // left edge
    FrameShape Shape4;  // right edge
    bool Visible = false;

    std::array<const FrameShape*, 4> Shapes() const { return {&Shape1, &Shape2, &Shape3, &Shape4}; }
};

// Height of Shape1 and Shape2, width of Shape3 and Shape4, pixels.
inline constexpr std::int64_t kFrameLineWidth = 1;

// What the mouse tools need of the map window.
class MapMouseHost {
public:
    virtual ~MapMouseHost() = default;
    virtual const TArrObjects& Objects() const = 0;
    virtual Viewport& View() = 0;
    // Redraws the map (DrawMap).
    virtual void DrawMap() = 0;
    // Sets the map's cursor and shows it at once.
    virtual void SetMapCursor(MapCursor cursor) = 0;
    // Shows the scale texts and the coordinates under the mouse in the status bar.
    virtual void ShowScaleStatus(const ScaleStatus& status) = 0;
    // Moves the parcel grid to the parcel of `code`, and the owner grid to the first owner
    // pointing to it; a locate that finds nothing leaves its grid where it was.
    virtual void LocateParcel(std::int32_t code) = 0;
    virtual void LocateOwner(std::int32_t code) = 0;
    // The click of tbShiftObject: centres the view on the current parcel and redraws.
    virtual void ShiftObject() = 0;
    // The drag frame moved, appeared or disappeared.
    virtual void FrameChanged(const DragFrame& frame) = 0;
};

class MapMouseHandler {
public:
    explicit MapMouseHandler(MapMouseHost& host) : host_(host) {}

    // The tool takes effect with the next mouse event.
    void SetTool(MapTool tool) { tool_ = tool; }
    MapTool Tool() const { return tool_; }

    // The map image's mouse events: a button went down, the mouse moved, a button went up.
    void MapImageMouseDown(MouseButton button, const MouseShift& shift, std::int64_t x, std::int64_t y);
    void MapImageMouseMove(const MouseShift& shift, std::int64_t x, std::int64_t y);
    void MapImageMouseUp(MouseButton button, const MouseShift& shift, std::int64_t x, std::int64_t y);

    // Places and shows the frame: mode 1, the whole image moved by (-a, -b); mode 2, the
    // rectangle from the press point to (a, b).
    void ShowDragFrame(std::int64_t a, std::int64_t b, int mode);

    // SetScale followed by its redraw and the status for the last mouse position; nothing
    // on an empty model. Used by the zoom commands of the toolbar, menu and scale box too.
    void SetScale(ScaleMode mode, double value);

    bool DragActive() const { return dragActive_; }
    PixelPoint DownPoint() const { return down_; }
    PixelPoint MovePoint() const { return move_; }
    const DragFrame& Frame() const { return frame_; }

private:
    bool ModelEmpty() const { return host_.Objects().Polys.empty(); }
    void HideFrame();
    // Moves the view by the frame's offset and redraws.
    void PanByFrame();
    void Pick(const MouseShift& shift, std::int64_t x, std::int64_t y);

    MapMouseHost& host_;
    MapTool tool_ = MapTool::Move;
    bool dragActive_ = false;
    PixelPoint down_;  // DownX, DownY
    PixelPoint move_;  // MoveX, MoveY
    DragFrame frame_;
};

}  // namespace ter5::map
