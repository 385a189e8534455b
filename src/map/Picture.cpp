#include "map/Picture.h"

namespace ter5::map {

namespace {

// Points of a rectangle or an ellipse entry: two opposite corners.
constexpr std::uint32_t kBoxCorners = 2;

}  // namespace

Picture::Picture(int widthPx, int heightPx, double pageWidth, double pageHeight)
    : widthPx_(widthPx), heightPx_(heightPx), pageWidth_(pageWidth), pageHeight_(pageHeight) {}

void Picture::Reserve(std::size_t points, std::size_t labels) {
    points_.reserve(points);
    ops_.reserve(labels + points / 4);
    texts_.reserve(labels);
    textPool_.reserve(labels * 8);
}

void Picture::UsePen() {
    if (!pens_.empty() && pens_.back() == pen_) return;
    ops_.push_back({PictureOpKind::Pen, static_cast<std::uint32_t>(pens_.size()), 1});
    pens_.push_back(pen_);
}

void Picture::UseBrush() {
    if (!brushes_.empty() && brushes_.back() == brush_) return;
    ops_.push_back({PictureOpKind::Brush, static_cast<std::uint32_t>(brushes_.size()), 1});
    brushes_.push_back(brush_);
}

void Picture::UseFont() {
    if (!fontChanged_) return;
    fontChanged_ = false;
    if (!fonts_.empty() && fonts_.back() == font_) return;
    ops_.push_back({PictureOpKind::Font, static_cast<std::uint32_t>(fonts_.size()), 1});
    fonts_.push_back(font_);
}

void Picture::AddFigure(PictureOpKind kind, std::span<const PicturePoint> points) {
    ops_.push_back({kind, static_cast<std::uint32_t>(points_.size()), static_cast<std::uint32_t>(points.size())});
    points_.insert(points_.end(), points.begin(), points.end());
}

void Picture::Rectangle(PicturePoint a, PicturePoint b) {
    UsePen();
    UseBrush();
    const PicturePoint corners[kBoxCorners] = {a, b};
    AddFigure(PictureOpKind::Rectangle, corners);
}

void Picture::Ellipse(PicturePoint a, PicturePoint b) {
    UsePen();
    UseBrush();
    const PicturePoint corners[kBoxCorners] = {a, b};
    AddFigure(PictureOpKind::Ellipse, corners);
}

void Picture::Polygon(std::span<const PicturePoint> ring) {
    UsePen();
    UseBrush();
    AddFigure(PictureOpKind::Polygon, ring);
}

void Picture::Polyline(std::span<const PicturePoint> line) {
    UsePen();
    AddFigure(PictureOpKind::Polyline, line);
}

void Picture::Text(std::int32_t x, std::int32_t y, std::string_view utf8) {
    UseFont();
    ops_.push_back({PictureOpKind::Text, static_cast<std::uint32_t>(texts_.size()), 1});
    texts_.push_back({x, y, static_cast<std::uint32_t>(textPool_.size()), static_cast<std::uint32_t>(utf8.size())});
    textPool_.append(utf8);
}

}  // namespace ter5::map
