#pragma once
// The map view: which world point sits at the centre of the page and how many page units
// (0.01 mm) one metre of ground takes; the transforms between world, page and image
// pixels; page measurement, fit-all, zoom and the status texts.
//
// The page's top-left corner is page (0, 0); x grows to the right, y upwards, so the page
// spans x 0..PageWidth and y -PageHeight..0. World Y runs along page x, world X along page
// y (north up).

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "map/MapObjects.h"
#include "map/WorldPoint.h"

namespace ter5::map {

// Page units per metre at 1:1 (0.01 mm units).
inline constexpr double kOneToOneScale = 100'000.0;

// A page point in page units (0.01 mm).
struct PagePoint {
    double x = 0.0;
    double y = 0.0;
};

// A page point rounded to whole page units.
struct PageIntPoint {
    std::int64_t x = 0;
    std::int64_t y = 0;
    friend bool operator==(const PageIntPoint&, const PageIntPoint&) = default;
};

// A pixel of the map image, y growing downwards.
struct PixelPoint {
    std::int64_t x = 0;
    std::int64_t y = 0;
};

// The display's physical size as it reports it.
struct ScreenMetrics {
    std::int64_t WidthMm = 0;
    std::int64_t HeightMm = 0;
    std::int64_t WidthPx = 0;
    std::int64_t HeightPx = 0;
};

// SetScale modes.
enum class ScaleMode { Set = 0, ZoomIn = 1, ZoomOut = 2 };

// ViewArea modes.
enum class ViewAreaMode { FitCurrent = 0, CentreCurrent = 1, FitRectangle = 4, Unchanged = 5 };

// Texts of the status bar panels 0 to 3 and the scale box. Panels 2 and 3 are empty
// optionals when they keep their previous text.
struct ScaleStatus {
    std::string Scale;     // panel 0: "M 1:500" or "M 2:1"
    std::string Zoom;      // panel 1: "Zoom: 40x27 m"
    std::string ScaleBox;  // scale box: the denominator
    std::optional<std::string> CursorX;  // panel 2: "X = 6000123,457"
    std::optional<std::string> CursorY;  // panel 3: "Y = 1200456,000"
};

// The view state of the one map plus the device sizes it is measured against.
class Viewport {
public:
    double ViewCenterY = 0.0;    // world point at the page centre, m
    double ViewCenterX = 0.0;
    double ViewScale = 0.0;      // page units per metre; 1:M with M = 100000 / ViewScale
    double PageWidth = 0.0;      // page units
    double PageHeight = 0.0;
    double PagePerPixelX = 0.0;  // page units per image pixel
    double PagePerPixelY = 0.0;
    bool ViewAllPending = false; // the next drawing fits all parcels first

    // Size of the map image in pixels; read by SetupPage.
    void SetImageSize(std::int64_t widthPx, std::int64_t heightPx);
    // Physical size of the display; read by SetupPage.
    void SetScreen(const ScreenMetrics& screen);
    // The map image's size in pixels as last set.
    std::int64_t ImageWidthPx() const { return imageWidthPx_; }
    std::int64_t ImageHeightPx() const { return imageHeightPx_; }

    // World point to page, each coordinate rounded to nearest, halves to even.
    PageIntPoint WorldToPage(const WorldPoint& world) const;
    // Page point to world.
    WorldPoint PageToWorld(const PagePoint& page) const;
    // Image pixel to page point.
    PagePoint PixelToPage(const PixelPoint& pixel) const;

    // Measures the page for the image size: image pixels times the screen's millimetres per
    // pixel, in page units, each rounded to nearest with halves away from zero.
    void SetupPage();

    // Centres on the overall box of all parcels and picks the scale that shows it with a
    // margin of a tenth; clears ViewAllPending. The scale is not limited to 1:1.
    void FitAll(const TArrObjects& objects);

    // Measures the view before a drawing: FitAll while ViewAllPending is set, else SetupPage.
    void MeasureForDrawing(const TArrObjects& objects);

    // Mode Set: scale 1:(1 / value); ZoomIn / ZoomOut: twice / half the scale, keeping the
    // page centre. Scales beyond 1:1 are limited to 1:1. Does nothing and returns false on an
    // empty model; otherwise returns true: redraw, then refresh the status for the last
    // known mouse position.
    bool SetScale(const TArrObjects& objects, ScaleMode mode, double value);

    // FitCurrent / CentreCurrent: fit / centre the parcel whose Code is currentCode; a code
    // with no outline in the model leaves the view as it is and returns false.
    // FitRectangle: fit the rectangle between the image pixels down and lastMove.
    // Unchanged: no change. Scales beyond 1:1 (or none) become 1:1. Returns true: redraw.
    bool ViewArea(const TArrObjects& objects, ViewAreaMode mode, std::int32_t currentCode,
                  PixelPoint down = {}, PixelPoint lastMove = {});

    // Moves the view so that the ground under image pixel `from` comes under pixel `to`.
    void Pan(PixelPoint from, PixelPoint to);

    // Status texts for the mouse at page point mouse; page (0, 0) leaves the cursor panels.
    ScaleStatus UpdateScaleStatus(const PagePoint& mouse) const;

private:
    // Applies the 1:1 limit: no scale, or one beyond 1:1, becomes 1:1.
    void LimitScale();

    std::int64_t imageWidthPx_ = 0;
    std::int64_t imageHeightPx_ = 0;
    ScreenMetrics screen_{};
};

// One entry of the scale menu.
struct ScaleMenuItem {
    const char* Name;     // NS1 ... NS17
    const char* Caption;  // "1:500"
    const char* Hint;     // "500", the denominator
};

// The seventeen scale menu entries, 1:1 to 1:200000.
std::span<const ScaleMenuItem> ScaleMenuItems();

// SetScale value for a scale menu entry: 1 / its denominator.
double ScaleMenuValue(const ScaleMenuItem& item);

// SetScale value for the scale box text: 1 / n for a typed whole n > 0, nothing for 0,
// negative or blank text. Throws InvalidNumberError for text that is not a number.
std::optional<double> ScaleBoxValue(const std::string& text);

}  // namespace ter5::map
