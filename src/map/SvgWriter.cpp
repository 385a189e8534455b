#include "map/SvgWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "engine/FileUtil.h"
#include "map/TextMetrics.h"

namespace ter5::map {

namespace {

// Side of the square tile of the hatch pattern, pixels (as a GDI hatch brush).
constexpr int kHatchTile = 8;
// Font families of the labels: the picture's face, then metric twins and a fallback.
constexpr const char* kFontFallbacks = "Arial, 'Liberation Sans', 'DejaVu Sans', sans-serif";
// Arial's ascent, font units: the baseline of a label lies this far below its top edge.
constexpr int kAscentUnits = 1854;

std::string Hex(const PictureColour& c) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%02X%02X%02X", c.Red, c.Green, c.Blue);
    return buffer;
}

// A pixel coordinate with two decimals at most.
void AppendNumber(std::string& out, double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    std::string_view text = buffer;
    while (text.ends_with('0')) text.remove_suffix(1);
    if (text.ends_with('.')) text.remove_suffix(1);
    if (text == "-0") text = "0";
    out += text;
}

// Text for XML character data: markup characters escaped, control characters (which XML
// forbids) shown as blanks.
void AppendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += static_cast<unsigned char>(c) < ' ' ? ' ' : c;
        }
    }
}

class SvgEncoder {
public:
    explicit SvgEncoder(const Picture& picture)
        : picture_(picture), ppx_(picture.PagePerPixelX()), ppy_(picture.PagePerPixelY()) {}

    std::string Encode() {
        const int w = picture_.WidthPx();
        const int h = picture_.HeightPx();
        out_ += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        out_ += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(w) + "\" height=\"" +
                std::to_string(h) + "\" viewBox=\"0 0 " + std::to_string(w) + " " + std::to_string(h) + "\">\n";
        DefineHatches();
        for (const PictureOp& op : picture_.Ops()) Play(op);
        if (inFontGroup_) out_ += "</g>\n";
        out_ += "</svg>\n";
        return std::move(out_);
    }

private:
    double X(std::int32_t pageX) const { return ppx_ > 0 ? pageX / ppx_ : 0.0; }
    double Y(std::int32_t pageY) const { return ppy_ > 0 ? -pageY / ppy_ : 0.0; }

    // One hatch pattern per hatch colour the picture uses, named after its brush.
    void DefineHatches() {
        out_ += "<defs>\n";
        const auto brushes = picture_.Brushes();
        for (std::size_t i = 0; i < brushes.size(); ++i) {
            if (brushes[i].Style != BrushStyle::DiagonalHatch) continue;
            const std::string tile = std::to_string(kHatchTile);
            out_ += "<pattern id=\"hatch" + std::to_string(i) + "\" patternUnits=\"userSpaceOnUse\" width=\"" + tile +
                    "\" height=\"" + tile + "\"><path d=\"M0," + tile + " L" + tile + ",0\" stroke=\"" +
                    Hex(brushes[i].Colour) + "\" stroke-width=\"1\"/></pattern>\n";
        }
        out_ += "</defs>\n";
    }

    std::string Fill() const {
        switch (brush_.Style) {
        case BrushStyle::Solid: return Hex(brush_.Colour);
        case BrushStyle::DiagonalHatch: return "url(#hatch" + std::to_string(brushIndex_) + ")";
        case BrushStyle::Clear: return "none";
        }
        return "none";
    }

    // Stroke attributes of the pen; its width in pixels, at least one.
    void AppendStroke(bool filled) {
        out_ += " stroke=\"" + Hex(pen_.Colour) + "\" stroke-width=\"";
        AppendNumber(out_, std::max(1.0, ppx_ > 0 ? pen_.Width / ppx_ : 1.0));
        out_ += "\" fill=\"" + (filled ? Fill() : std::string("none")) + "\"";
    }

    void Points(std::span<const PicturePoint> points) {
        out_ += " points=\"";
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (i > 0) out_ += ' ';
            AppendNumber(out_, X(points[i].x));
            out_ += ',';
            AppendNumber(out_, Y(points[i].y));
        }
        out_ += "\"";
    }

    void Box(const PictureOp& op) {
        const auto corners = picture_.PointsOf(op);
        const double x1 = X(corners[0].x), x2 = X(corners[1].x);
        const double y1 = Y(corners[0].y), y2 = Y(corners[1].y);
        if (op.Kind == PictureOpKind::Rectangle) {
            out_ += "<rect x=\"";
            AppendNumber(out_, std::min(x1, x2));
            out_ += "\" y=\"";
            AppendNumber(out_, std::min(y1, y2));
            out_ += "\" width=\"";
            AppendNumber(out_, std::abs(x2 - x1));
            out_ += "\" height=\"";
            AppendNumber(out_, std::abs(y2 - y1));
        } else {
            out_ += "<ellipse cx=\"";
            AppendNumber(out_, (x1 + x2) / 2);
            out_ += "\" cy=\"";
            AppendNumber(out_, (y1 + y2) / 2);
            out_ += "\" rx=\"";
            AppendNumber(out_, std::abs(x2 - x1) / 2);
            out_ += "\" ry=\"";
            AppendNumber(out_, std::abs(y2 - y1) / 2);
        }
        out_ += "\"";
        AppendStroke(true);
        out_ += "/>\n";
    }

    void Text(const PictureText& text) {
        out_ += "<text x=\"" + std::to_string(text.X) + "\" y=\"" +
                std::to_string(text.Y + ascent_) + "\" text-anchor=\"middle\">";
        AppendEscaped(out_, picture_.TextOf(text));
        out_ += "</text>\n";
    }

    void SelectFont(const PictureFont& font) {
        if (inFontGroup_) out_ += "</g>\n";
        ascent_ = static_cast<int>((static_cast<long long>(kAscentUnits) * font.PixelSize + kFontUnitsPerEm / 2) /
                                   kFontUnitsPerEm);
        out_ += "<g font-family=\"'";
        AppendEscaped(out_, font.Face);
        out_ += "', " + std::string(kFontFallbacks) + "\" font-size=\"" + std::to_string(font.PixelSize) + "px\">\n";
        inFontGroup_ = true;
    }

    void Play(const PictureOp& op) {
        switch (op.Kind) {
        case PictureOpKind::Pen: pen_ = picture_.Pens()[op.First]; break;
        case PictureOpKind::Brush:
            brush_ = picture_.Brushes()[op.First];
            brushIndex_ = op.First;
            break;
        case PictureOpKind::Font: SelectFont(picture_.Fonts()[op.First]); break;
        case PictureOpKind::Rectangle:
        case PictureOpKind::Ellipse: Box(op); break;
        case PictureOpKind::Polygon:
        case PictureOpKind::Polyline: {
            const bool closed = op.Kind == PictureOpKind::Polygon;
            out_ += closed ? "<polygon" : "<polyline";
            Points(picture_.PointsOf(op));
            AppendStroke(closed);
            out_ += "/>\n";
            break;
        }
        case PictureOpKind::Text: Text(picture_.Texts()[op.First]); break;
        }
    }

    const Picture& picture_;
    double ppx_;
    double ppy_;
    std::string out_;
    PicturePen pen_;
    PictureBrush brush_;
    std::uint32_t brushIndex_ = 0;
    int ascent_ = 0;
    bool inFontGroup_ = false;
};

}  // namespace

std::string EncodeSvg(const Picture& picture) { return SvgEncoder(picture).Encode(); }

void WriteSvgFile(const std::filesystem::path& path, const Picture& picture) {
    const std::string svg = EncodeSvg(picture);
    engine::WriteFileAtomic(path, std::vector<std::uint8_t>(svg.begin(), svg.end()));
}

}  // namespace ter5::map
