#include "map/Viewport.h"

#include <cmath>

#include "map/NumberFormat.h"
#include "map/Rounding.h"

namespace ter5::map {

namespace {

// Margin factor of the fitting commands: the extent plus one tenth of it fills the page.
constexpr double kFitMargin = 1.1;
// Page units per millimetre.
constexpr std::int64_t kPageUnitsPerMm = 100;
// Zoom step of the zoom in and zoom out commands.
constexpr double kZoomFactor = 2.0;
// Largest whole number the status texts write with digits (beyond it, general form).
constexpr double kWholeTextLimit = 1e15;

// A real as a whole number, rounded to nearest with halves to even.
std::string WholeText(double value) {
    const double rounded = RoundHalfEven(value);
    if (std::isfinite(rounded) && std::fabs(rounded) < kWholeTextLimit) {
        return std::to_string(RoundToInt64(rounded));
    }
    return GeneralDecimalText(rounded);
}

// The smaller of two candidate scales, the first on a tie.
double SmallerScale(double first, double second) { return first <= second ? first : second; }

const ScaleMenuItem kScaleMenu[] = {
    {"NS1", "1:1", "1"},           {"NS2", "1:50", "50"},         {"NS3", "1:100", "100"},
    {"NS4", "1:200", "200"},       {"NS5", "1:500", "500"},       {"NS6", "1:1000", "1000"},
    {"NS7", "1:2000", "2000"},     {"NS8", "1:5000", "5000"},     {"NS9", "1:10000", "10000"},
    {"NS10", "1:15000", "15000"},  {"NS11", "1:25000", "25000"},  {"NS12", "1:30000", "30000"},
    {"NS13", "1:40000", "40000"},  {"NS14", "1:50000", "50000"},  {"NS15", "1:100000", "100000"},
    {"NS16", "1:150000", "150000"}, {"NS17", "1:200000", "200000"},
};

}  // namespace

void Viewport::SetImageSize(std::int64_t widthPx, std::int64_t heightPx) {
    imageWidthPx_ = widthPx;
    imageHeightPx_ = heightPx;
}

void Viewport::SetScreen(const ScreenMetrics& screen) { screen_ = screen; }

PageIntPoint Viewport::WorldToPage(const WorldPoint& world) const {
    return {RoundToInt64((world.Y - ViewCenterY) * ViewScale + PageWidth / 2.0),
            RoundToInt64((world.X - ViewCenterX) * ViewScale - PageHeight / 2.0)};
}

WorldPoint Viewport::PageToWorld(const PagePoint& page) const {
    return {(page.x - PageWidth / 2.0) / ViewScale + ViewCenterY,
            (page.y + PageHeight / 2.0) / ViewScale + ViewCenterX};
}

PagePoint Viewport::PixelToPage(const PixelPoint& pixel) const {
    return {static_cast<double>(pixel.x) * PagePerPixelX, -static_cast<double>(pixel.y) * PagePerPixelY};
}

void Viewport::SetupPage() {
    PageWidth = static_cast<double>(MulDivRound(imageWidthPx_, screen_.WidthMm * kPageUnitsPerMm, screen_.WidthPx));
    PageHeight =
        static_cast<double>(MulDivRound(imageHeightPx_, screen_.HeightMm * kPageUnitsPerMm, screen_.HeightPx));
    // An image of no size has no pixels to measure; keep the transforms finite.
    PagePerPixelX = imageWidthPx_ != 0 ? PageWidth / static_cast<double>(imageWidthPx_) : 0.0;
    PagePerPixelY = imageHeightPx_ != 0 ? PageHeight / static_cast<double>(imageHeightPx_) : 0.0;
}

void Viewport::FitAll(const TArrObjects& objects) {
    ViewCenterY = objects.CenterY;
    ViewCenterX = objects.CenterX;
    SetupPage();
    const double extentY = objects.MaxY - objects.MinY;  // m
    const double extentX = objects.MaxX - objects.MinX;
    const double scaleY = extentY != 0.0 ? PageWidth / (std::fabs(extentY) * kFitMargin) : kOneToOneScale;
    const double scaleX = extentX != 0.0 ? PageHeight / (std::fabs(extentX) * kFitMargin) : kOneToOneScale;
    ViewScale = SmallerScale(scaleY, scaleX);
    ViewAllPending = false;
}

void Viewport::MeasureForDrawing(const TArrObjects& objects) {
    if (ViewAllPending) {
        FitAll(objects);
    } else {
        SetupPage();
    }
}

bool Viewport::SetScale(const TArrObjects& objects, ScaleMode mode, double value) {
    if (objects.Polys.empty()) return false;
    switch (mode) {
    case ScaleMode::Set: ViewScale = value * kOneToOneScale; break;
    case ScaleMode::ZoomIn: ViewScale = ViewScale * kZoomFactor; break;
    case ScaleMode::ZoomOut: ViewScale = ViewScale / kZoomFactor; break;
    }
    LimitScale();
    return true;
}

bool Viewport::ViewArea(const TArrObjects& objects, ViewAreaMode mode, std::int32_t currentCode,
                        PixelPoint down, PixelPoint lastMove) {
    switch (mode) {
    case ViewAreaMode::FitCurrent:
    case ViewAreaMode::CentreCurrent: {
        const TArrPoly* current = nullptr;
        for (const TArrPoly& poly : objects.Polys) {
            if (poly.Code == currentCode) {
                current = &poly;
                break;
            }
        }
        if (current == nullptr) return false;  // a parcel without an outline: nothing to show
        if (mode == ViewAreaMode::FitCurrent) {
            const double extentY = std::fabs(current->MinY - current->MaxY);  // m
            const double extentX = std::fabs(current->MinX - current->MaxX);
            const double scaleY = extentY != 0.0 ? PageWidth / (extentY * kFitMargin) : 0.0;
            const double scaleX = extentX != 0.0 ? PageHeight / (extentX * kFitMargin) : 0.0;
            ViewScale = SmallerScale(scaleY, scaleX);
        }
        ViewCenterY = (current->MaxY - current->MinY) / 2.0 + current->MinY;
        ViewCenterX = (current->MaxX - current->MinX) / 2.0 + current->MinX;
        break;
    }
    case ViewAreaMode::FitRectangle: {
        const WorldPoint a = PageToWorld(PixelToPage(down));
        const WorldPoint b = PageToWorld(PixelToPage(lastMove));
        const double scaleY = PageWidth / (std::fabs(a.Y - b.Y) * kFitMargin);
        const double scaleX = PageHeight / (std::fabs(a.X - b.X) * kFitMargin);
        ViewScale = SmallerScale(scaleY, scaleX);
        ViewCenterY = (a.Y + b.Y) / 2.0;
        ViewCenterX = (a.X + b.X) / 2.0;
        break;
    }
    case ViewAreaMode::Unchanged: break;
    }
    LimitScale();
    return true;
}

void Viewport::Pan(PixelPoint from, PixelPoint to) {
    const double left = static_cast<double>(to.x - from.x);  // pixels the image moved right
    const double top = static_cast<double>(to.y - from.y);   // pixels it moved down
    ViewCenterY = ViewCenterY - left * PagePerPixelX / ViewScale;
    ViewCenterX = ViewCenterX + top * PagePerPixelY / ViewScale;
}

void Viewport::LimitScale() {
    // !(x > 0) also catches a NaN left by a degenerate page.
    if (!(ViewScale > 0.0) || kOneToOneScale / ViewScale < 1.0) ViewScale = kOneToOneScale;
}

ScaleStatus Viewport::UpdateScaleStatus(const PagePoint& mouse) const {
    const double ratio = ViewScale / kOneToOneScale;  // page length per ground length
    ScaleStatus status;
    status.Scale = ratio < 1.0 ? "M 1:" + WholeText(1.0 / ratio) : "M " + WholeText(ratio) + ":1";
    status.ScaleBox = WholeText(1.0 / ratio);
    status.Zoom = "Zoom: " + WholeText(PageWidth / ViewScale) + "x" + WholeText(PageHeight / ViewScale) + " m";
    if (mouse.x == 0.0 && mouse.y == 0.0) return status;
    const WorldPoint world = PageToWorld(mouse);
    status.CursorX = "X = " + FormatNumber(world.X, PrecisionCode::Millimetres, 0, true).Text;
    status.CursorY = "Y = " + FormatNumber(world.Y, PrecisionCode::Millimetres, 0, true).Text;
    return status;
}

std::span<const ScaleMenuItem> ScaleMenuItems() { return kScaleMenu; }

double ScaleMenuValue(const ScaleMenuItem& item) {
    return 1.0 / static_cast<double>(ParseWholeNumber(item.Hint));
}

std::optional<double> ScaleBoxValue(const std::string& text) {
    const std::int64_t denominator = ParseWholeNumber(text);
    if (denominator <= 0) return std::nullopt;
    return 1.0 / static_cast<double>(denominator);
}

}  // namespace ter5::map
