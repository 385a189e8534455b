#include "map/MapMouseHandler.h"

#include <cstdlib>

#include "map/ParcelHitTest.h"

namespace ter5::map {

namespace {

// A drag must move more than this many pixels to pan or to form a rectangle.
constexpr std::int64_t kClickSlop = 1;

// Shift state holding exactly the one button and nothing else (no key, no other button).
bool OnlyLeft(const MouseShift& s) { return s.Left && !s.Right && !s.Middle && !s.Shift && !s.Ctrl && !s.Alt; }
bool OnlyRight(const MouseShift& s) { return s.Right && !s.Left && !s.Middle && !s.Shift && !s.Ctrl && !s.Alt; }

}  // namespace

void MapMouseHandler::MapImageMouseDown(MouseButton, const MouseShift& shift, std::int64_t x, std::int64_t y) {
    if (ModelEmpty()) return;
    dragActive_ = true;
    down_ = {x, y};
    if (tool_ == MapTool::Zoom) host_.SetMapCursor(shift.Left ? MapCursor::ZoomIn : MapCursor::ZoomOut);
}

void MapMouseHandler::MapImageMouseMove(const MouseShift& shift, std::int64_t x, std::int64_t y) {
    if (ModelEmpty()) return;
    move_ = {x, y};
    if (dragActive_ && (OnlyLeft(shift) || OnlyRight(shift)) && (x != down_.x || y != down_.y)) {
        switch (tool_) {
        case MapTool::Move: ShowDragFrame(down_.x - x, down_.y - y, 1); break;
        case MapTool::Pick:
            if (shift.Right) ShowDragFrame(down_.x - x, down_.y - y, 1);
            break;
        case MapTool::Zoom: ShowDragFrame(x, y, 2); break;
        }
    }
    switch (tool_) {
    case MapTool::Zoom: host_.SetMapCursor(shift.Right ? MapCursor::ZoomOut : MapCursor::ZoomIn); break;
    case MapTool::Move: host_.SetMapCursor(MapCursor::Hand); break;
    case MapTool::Pick: host_.SetMapCursor(shift.Right ? MapCursor::Hand : MapCursor::Pick); break;
    }
    Viewport& view = host_.View();
    host_.ShowScaleStatus(view.UpdateScaleStatus(view.PixelToPage({x, y})));
}

void MapMouseHandler::ShowDragFrame(std::int64_t a, std::int64_t b, int mode) {
    const std::int64_t w = host_.View().ImageWidthPx();
    const std::int64_t h = host_.View().ImageHeightPx();
    FrameShape& top = frame_.Shape1;
    FrameShape& bottom = frame_.Shape2;
    FrameShape& left = frame_.Shape3;
    FrameShape& right = frame_.Shape4;
    if (mode == 1) {
        top = {-a, -b, w, kFrameLineWidth};
        bottom = {-a, h - b - kFrameLineWidth, w, kFrameLineWidth};
        left = {-a, -b, kFrameLineWidth, h};
        right = {w - a - kFrameLineWidth, -b, kFrameLineWidth, h};
    } else {
        top = {down_.x, down_.y, a - down_.x, kFrameLineWidth};
        bottom = {down_.x, b - kFrameLineWidth, a - down_.x, kFrameLineWidth};
        left = {down_.x, down_.y, kFrameLineWidth, b - down_.y};
        right = {a - kFrameLineWidth, down_.y, kFrameLineWidth, b - down_.y};
        if (a < down_.x && b < down_.y) {
            for (FrameShape* s : {&top, &bottom}) {
                s->Left += kFrameLineWidth;
                s->Width -= 2 * kFrameLineWidth;
            }
        }
    }
    frame_.Visible = true;
    host_.FrameChanged(frame_);
}

void MapMouseHandler::MapImageMouseUp(MouseButton button, const MouseShift& shift, std::int64_t x, std::int64_t y) {
    if (ModelEmpty()) return;
    const std::int64_t dx = std::llabs(down_.x - move_.x);
    const std::int64_t dy = std::llabs(down_.y - move_.y);
    const bool frameShown = frame_.Visible;
    const bool moved = dx > kClickSlop || dy > kClickSlop;      // far enough to pan
    const bool rectangle = dx > kClickSlop && dy > kClickSlop;  // wide and high enough to fit

    if (dragActive_) {
        if (tool_ == MapTool::Move && frameShown && moved) {
            PanByFrame();
            dragActive_ = false;
        } else if (tool_ == MapTool::Zoom && button == MouseButton::Left) {
            if (frameShown && rectangle) {
                if (host_.View().ViewArea(host_.Objects(), ViewAreaMode::FitRectangle, 0, down_, move_)) host_.DrawMap();
            } else {
                SetScale(ScaleMode::ZoomIn, 0.0);
            }
            dragActive_ = false;
        } else if (tool_ == MapTool::Zoom && button == MouseButton::Right) {
            if (frameShown && rectangle) {
                if (host_.View().ViewArea(host_.Objects(), ViewAreaMode::Unchanged, 0)) host_.DrawMap();
            } else {
                SetScale(ScaleMode::ZoomOut, 0.0);
            }
            dragActive_ = false;
        }
        if (tool_ == MapTool::Zoom) host_.SetMapCursor(MapCursor::ZoomIn);
    }
    if (dragActive_ && tool_ == MapTool::Pick) {
        if (button == MouseButton::Left) {
            Pick(shift, x, y);
        } else if (button == MouseButton::Right && frameShown && moved) {
            PanByFrame();
            dragActive_ = false;
        }
        host_.SetMapCursor(MapCursor::Pick);
    }
    HideFrame();
}

void MapMouseHandler::Pick(const MouseShift& shift, std::int64_t x, std::int64_t y) {
    Viewport& view = host_.View();
    // The release point, not the last move point.
    const TPickResult hit = FindParcelAt(host_.Objects(), view.PageToWorld(view.PixelToPage({x, y})));
    if (!hit.Found) return;
    host_.LocateParcel(hit.Code);
    host_.LocateOwner(hit.Code);
    if (shift.Double) {
        host_.ShiftObject();
    } else {
        host_.DrawMap();
    }
}

void MapMouseHandler::PanByFrame() {
    // Mode 1 left Shape1 at the offset (MoveX - DownX, MoveY - DownY) of the drag.
    const FrameShape& top = frame_.Shape1;
    host_.View().Pan({0, 0}, {top.Left, top.Top});
    host_.DrawMap();
}

void MapMouseHandler::HideFrame() {
    if (!frame_.Visible) return;
    frame_.Visible = false;
    host_.FrameChanged(frame_);
}

void MapMouseHandler::SetScale(ScaleMode mode, double value) {
    Viewport& view = host_.View();
    if (!view.SetScale(host_.Objects(), mode, value)) return;
    host_.DrawMap();
    host_.ShowScaleStatus(view.UpdateScaleStatus(view.PixelToPage(move_)));
}

}  // namespace ter5::map
