#pragma once
// Small map models and picture readers shared by the rendering tests.

#include <cstdint>
#include <string>
#include <vector>

#include "map/MapObjects.h"
#include "map/NumberFormat.h"
#include "map/Picture.h"
#include "map/Viewport.h"

namespace ter5::map::testing {

// Builds a model parcel by parcel; points are (Y, X) metres, numbered from 1.
class ModelBuilder {
public:
    ModelBuilder& Add(std::int32_t code, const std::string& house, const std::vector<WorldPoint>& points) {
        const std::size_t index = AddPoly(objects_, code, house);
        double number = 1.0;
        for (const WorldPoint& p : points) {
            AddPolyPoint(objects_, index, 0, number, number, p.Y, p.X, 0.0);
            number += 1.0;
        }
        CalcPolyGeometry(objects_, index);
        return *this;
    }
    // A closed axis-parallel rectangle walked north, east, south, west from (y, x).
    ModelBuilder& AddBox(std::int32_t code, const std::string& house, double y, double x, double width,
                         double height) {
        return Add(code, house, {{y, x}, {y, x + height}, {y + width, x + height}, {y + width, x}, {y, x}});
    }
    const TArrObjects& Objects() const { return objects_; }

private:
    TArrObjects objects_;
};

// 400 x 400 pixels screen of 100 mm each way: exactly 25 page units per pixel.
inline constexpr ScreenMetrics kQuarterMmScreen{100, 100, 400, 400};

// A view of widthPx x heightPx pixels centred on (y, x) at `pageUnitsPerMetre`.
inline Viewport MakeView(int widthPx, int heightPx, double y, double x, double pageUnitsPerMetre) {
    Viewport view;
    view.SetScreen(kQuarterMmScreen);
    view.SetImageSize(widthPx, heightPx);
    view.ViewCenterY = y;
    view.ViewCenterX = x;
    view.ViewScale = pageUnitsPerMetre;
    return view;
}

// A figure of the picture with the pen and brush it is drawn with.
struct Figure {
    PictureOpKind Kind;
    PicturePen Pen;
    PictureBrush Brush;
    std::vector<PicturePoint> Points;
};

// A label of the picture.
struct Label {
    std::int32_t X;
    std::int32_t Y;
    std::string Text;
};

inline std::vector<Figure> FiguresOf(const Picture& picture) {
    std::vector<Figure> figures;
    PicturePen pen;
    PictureBrush brush;
    for (const PictureOp& op : picture.Ops()) {
        switch (op.Kind) {
        case PictureOpKind::Pen: pen = picture.Pens()[op.First]; break;
        case PictureOpKind::Brush: brush = picture.Brushes()[op.First]; break;
        case PictureOpKind::Font:
        case PictureOpKind::Text: break;
        default: {
            const auto points = picture.PointsOf(op);
            figures.push_back({op.Kind, pen, brush, {points.begin(), points.end()}});
        }
        }
    }
    return figures;
}

inline std::vector<Figure> FiguresOf(const Picture& picture, PictureOpKind kind) {
    std::vector<Figure> all = FiguresOf(picture);
    std::vector<Figure> some;
    for (Figure& f : all) {
        if (f.Kind == kind) some.push_back(std::move(f));
    }
    return some;
}

inline std::vector<Label> LabelsOf(const Picture& picture) {
    std::vector<Label> labels;
    for (const PictureText& t : picture.Texts()) labels.push_back({t.X, t.Y, std::string(picture.TextOf(t))});
    return labels;
}

inline std::vector<std::string> LabelTexts(const Picture& picture) {
    std::vector<std::string> texts;
    for (const PictureText& t : picture.Texts()) texts.emplace_back(picture.TextOf(t));
    return texts;
}

// Sets the decimal separator for the lifetime of the object.
class SeparatorScope {
public:
    explicit SeparatorScope(char separator) : saved_(DecimalSeparator()) { SetDecimalSeparator(separator); }
    ~SeparatorScope() { SetDecimalSeparator(saved_); }

private:
    char saved_;
};

}  // namespace ter5::map::testing
