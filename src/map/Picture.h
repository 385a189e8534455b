#pragma once
// A map picture as a display list: pens, brushes, fonts and the figures drawn with them,
// in the order they were drawn. Figures are in whole page units (0.01 mm; x to the right,
// y upwards, the page spanning x 0..PageWidth and y -PageHeight..0); text labels are placed
// in pixels of the picture (y downwards) and sized in pixels, so they keep one size at every
// scale. The screen, map.wmf, SVG, PDF and PNG are all played from the same list.
//
// Pen, brush and font changes are recorded lazily: a change reaches the list only when a
// figure that uses it is drawn, and only if it differs from what the list already holds.
// The list thus says exactly which tools each figure is drawn with and nothing more.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ter5::map {

// A colour as red, green, blue.
struct PictureColour {
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;
    friend bool operator==(const PictureColour&, const PictureColour&) = default;
};

inline constexpr PictureColour kBlack{0, 0, 0};
inline constexpr PictureColour kWhite{255, 255, 255};
inline constexpr PictureColour kYellow{255, 255, 0};

// A solid pen; Width in page units.
struct PicturePen {
    PictureColour Colour;
    std::int32_t Width = 1;
    friend bool operator==(const PicturePen&, const PicturePen&) = default;
};

// How a brush fills.
enum class BrushStyle : std::uint8_t {
    Solid,          // the colour everywhere
    DiagonalHatch,  // 45-degree lines of the colour rising from left to right, gaps transparent
    Clear,          // no fill
};

// A fill; the colour is unused for Clear.
struct PictureBrush {
    BrushStyle Style = BrushStyle::Solid;
    PictureColour Colour = kWhite;
    friend bool operator==(const PictureBrush&, const PictureBrush&) = default;
};

// Windows character set number of Cyrillic (Windows-1251) fonts.
inline constexpr int kCyrillicCharSet = 204;

// The font of text labels: face name, Windows character set and em height in pixels.
struct PictureFont {
    std::string Face;
    int CharSet = kCyrillicCharSet;
    int PixelSize = 8;
    friend bool operator==(const PictureFont&, const PictureFont&) = default;
};

// A point in whole page units.
struct PicturePoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const PicturePoint&, const PicturePoint&) = default;
};

// One entry of the display list.
enum class PictureOpKind : std::uint8_t {
    Pen,        // select Pens()[First]
    Brush,      // select Brushes()[First]
    Font,       // select Fonts()[First]
    Rectangle,  // corners Points()[First], Points()[First + 1]
    Ellipse,    // inscribed in the box of corners Points()[First], Points()[First + 1]
    Polygon,    // one closed ring, Points()[First .. First + Count)
    Polyline,   // an open line, Points()[First .. First + Count)
    Text,       // Texts()[First]
};

struct PictureOp {
    PictureOpKind Kind = PictureOpKind::Pen;
    std::uint32_t First = 0;
    std::uint32_t Count = 0;
};

// A text label: centred horizontally on pixel X, its top edge at pixel Y; UTF-8 text at
// TextPool()[Offset, Offset + Length).
struct PictureText {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    std::uint32_t Offset = 0;
    std::uint32_t Length = 0;
};

class Picture {
public:
    // An empty picture of widthPx x heightPx pixels covering pageWidth x pageHeight page units.
    Picture(int widthPx = 0, int heightPx = 0, double pageWidth = 0.0, double pageHeight = 0.0);

    int WidthPx() const { return widthPx_; }
    int HeightPx() const { return heightPx_; }
    double PageWidth() const { return pageWidth_; }
    double PageHeight() const { return pageHeight_; }
    // Page units per pixel along x and y (0 for a picture without pixels).
    double PagePerPixelX() const { return widthPx_ > 0 ? pageWidth_ / widthPx_ : 0.0; }
    double PagePerPixelY() const { return heightPx_ > 0 ? pageHeight_ / heightPx_ : 0.0; }

    // The pen, brush or font for the figures drawn from now on.
    void SetPen(const PicturePen& pen) { pen_ = pen; }
    void SetBrush(const PictureBrush& brush) { brush_ = brush; }
    void SetFont(const PictureFont& font) {
        font_ = font;
        fontChanged_ = true;
    }
    const PicturePen& Pen() const { return pen_; }
    const PictureBrush& Brush() const { return brush_; }

    // Figures in page units, outlined with the pen; the closed ones filled with the brush.
    void Rectangle(PicturePoint a, PicturePoint b);
    void Ellipse(PicturePoint a, PicturePoint b);
    void Polygon(std::span<const PicturePoint> ring);
    void Polyline(std::span<const PicturePoint> line);
    // A label centred on pixel x with its top edge at pixel y, in the font.
    void Text(std::int32_t x, std::int32_t y, std::string_view utf8);

    std::span<const PictureOp> Ops() const { return ops_; }
    std::span<const PicturePoint> Points() const { return points_; }
    std::span<const PicturePen> Pens() const { return pens_; }
    std::span<const PictureBrush> Brushes() const { return brushes_; }
    std::span<const PictureFont> Fonts() const { return fonts_; }
    std::span<const PictureText> Texts() const { return texts_; }
    // The points of a Rectangle, Ellipse, Polygon or Polyline entry.
    std::span<const PicturePoint> PointsOf(const PictureOp& op) const {
        return {points_.data() + op.First, op.Count};
    }
    // The UTF-8 text of a label.
    std::string_view TextOf(const PictureText& text) const {
        return std::string_view(textPool_).substr(text.Offset, text.Length);
    }

    // Reserves room for about `points` points and `labels` labels.
    void Reserve(std::size_t points, std::size_t labels);

private:
    // Put the current pen, brush or font into the list unless it is the list's last one.
    void UsePen();
    void UseBrush();
    void UseFont();
    void AddFigure(PictureOpKind kind, std::span<const PicturePoint> points);

    int widthPx_;
    int heightPx_;
    double pageWidth_;
    double pageHeight_;
    PicturePen pen_;
    PictureBrush brush_;
    PictureFont font_;
    bool fontChanged_ = false;  // font_ may differ from the list's last font
    std::vector<PictureOp> ops_;
    std::vector<PicturePoint> points_;
    std::vector<PicturePen> pens_;
    std::vector<PictureBrush> brushes_;
    std::vector<PictureFont> fonts_;
    std::vector<PictureText> texts_;
    std::string textPool_;
};

}  // namespace ter5::map
