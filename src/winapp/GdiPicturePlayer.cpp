#include "winapp/GdiPicturePlayer.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "map/Rounding.h"
#include "winapp/WideText.h"

namespace ter5::winapp {

namespace {

COLORREF ToColorRef(const map::PictureColour& c) {
    return RGB(c.Red, c.Green, c.Blue);
}

// GDI objects made for one playing, deleted at its end.
class GdiTools {
public:
    explicit GdiTools(HDC dc) : dc_(dc) {
        oldPen_ = SelectObject(dc_, GetStockObject(BLACK_PEN));
        oldBrush_ = SelectObject(dc_, GetStockObject(WHITE_BRUSH));
        oldFont_ = SelectObject(dc_, GetStockObject(DEFAULT_GUI_FONT));
    }
    ~GdiTools() {
        SelectObject(dc_, oldPen_);
        SelectObject(dc_, oldBrush_);
        SelectObject(dc_, oldFont_);
        for (HGDIOBJ object : made_) DeleteObject(object);
    }
    GdiTools(const GdiTools&) = delete;
    GdiTools& operator=(const GdiTools&) = delete;

    void Select(HGDIOBJ object) {
        made_.push_back(object);
        SelectObject(dc_, object);
    }

private:
    HDC dc_;
    HGDIOBJ oldPen_, oldBrush_, oldFont_;
    std::vector<HGDIOBJ> made_;
};

POINT ToPixel(const map::PicturePoint& p, double ppx, double ppy) {
    return {static_cast<LONG>(map::RoundToInt64Fast(p.x / ppx)), static_cast<LONG>(map::RoundToInt64Fast(-p.y / ppy))};
}

}  // namespace

void PlayPicture(HDC dc, const map::Picture& picture) {
    const double ppx = picture.PagePerPixelX();
    const double ppy = picture.PagePerPixelY();
    if (ppx <= 0 || ppy <= 0) return;
    GdiTools tools(dc);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    SetTextAlign(dc, TA_CENTER | TA_TOP | TA_NOUPDATECP);
    SetPolyFillMode(dc, ALTERNATE);
    std::vector<POINT> points;
    for (const map::PictureOp& op : picture.Ops()) {
        switch (op.Kind) {
        case map::PictureOpKind::Pen: {
            const map::PicturePen& pen = picture.Pens()[op.First];
            const int width = static_cast<int>(std::max(1.0, std::round(pen.Width / ppx)));
            tools.Select(CreatePen(PS_SOLID, width == 1 ? 0 : width, ToColorRef(pen.Colour)));
            break;
        }
        case map::PictureOpKind::Brush: {
            const map::PictureBrush& brush = picture.Brushes()[op.First];
            LOGBRUSH logical{};
            logical.lbColor = ToColorRef(brush.Colour);
            switch (brush.Style) {
            case map::BrushStyle::Solid: logical.lbStyle = BS_SOLID; break;
            case map::BrushStyle::DiagonalHatch:
                logical.lbStyle = BS_HATCHED;
                logical.lbHatch = HS_BDIAGONAL;
                break;
            case map::BrushStyle::Clear: logical.lbStyle = BS_NULL; break;
            }
            tools.Select(CreateBrushIndirect(&logical));
            break;
        }
        case map::PictureOpKind::Font: {
            const map::PictureFont& font = picture.Fonts()[op.First];
            tools.Select(CreateFontW(-std::max(1, font.PixelSize), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                     static_cast<DWORD>(font.CharSet), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                     DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, Wide(font.Face).c_str()));
            break;
        }
        case map::PictureOpKind::Text: {
            const map::PictureText& text = picture.Texts()[op.First];
            const std::wstring wide = Wide(picture.TextOf(text));
            TextOutW(dc, text.X, text.Y, wide.c_str(), static_cast<int>(wide.size()));
            break;
        }
        case map::PictureOpKind::Rectangle:
        case map::PictureOpKind::Ellipse: {
            const auto corners = picture.PointsOf(op);
            const POINT a = ToPixel(corners[0], ppx, ppy);
            const POINT b = ToPixel(corners[1], ppx, ppy);
            const int left = std::min(a.x, b.x), right = std::max(a.x, b.x);
            const int top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
            if (op.Kind == map::PictureOpKind::Rectangle) {
                Rectangle(dc, left, top, right + 1, bottom + 1);
            } else {
                Ellipse(dc, left, top, right + 1, bottom + 1);
            }
            break;
        }
        case map::PictureOpKind::Polygon:
        case map::PictureOpKind::Polyline: {
            const auto page = picture.PointsOf(op);
            points.resize(page.size());
            for (std::size_t i = 0; i < page.size(); ++i) points[i] = ToPixel(page[i], ppx, ppy);
            if (op.Kind == map::PictureOpKind::Polygon) {
                Polygon(dc, points.data(), static_cast<int>(points.size()));
            } else {
                Polyline(dc, points.data(), static_cast<int>(points.size()));
            }
            break;
        }
        }
    }
}

}  // namespace ter5::winapp
