#pragma once
// The map drawing: one complete picture of the parcels for the current view and display
// options, rebuilt from the model on every call. The screen and map.wmf are both played
// from the picture it returns.
//
// Figures are clipped to a guard band of kGuardBandPage around the page, so a parcel
// reaching kilometres beyond the page keeps small coordinates (map.wmf holds 16-bit ones)
// while everything visible is drawn exactly; labels and point circles wholly off the page
// are left out.

#include <cstdint>
#include <optional>

#include "map/DisplayOptions.h"
#include "map/MapObjects.h"
#include "map/Picture.h"
#include "map/Viewport.h"

namespace ter5::map {

// Face name of the label font as the picture names it.
inline constexpr const char* kLabelFontFace = "Arial Cyr";
// Size of the label font, points at the screen's resolution.
inline constexpr double kLabelFontPoints = 6.0;
// Width of the black pen of outlines, circles and marks, page units (0.15 mm).
inline constexpr std::int32_t kOutlinePenWidth = 15;
// Radius of the circle drawn at every point, page units (0.5 mm).
inline constexpr std::int32_t kPointCircleRadius = 50;
// Largest pixel width and height of a parcel drawn as a small-parcel mark.
inline constexpr std::int64_t kSmallParcelPixels = 2;
// How far the small-parcel mark reaches beyond the parcel's box, page units.
inline constexpr std::int32_t kSmallMarkMargin = 2;
// Page length behind the label offsets: side labels sit 10 of them (5 mm) to the left of
// their side, point labels 7 of them (3.5 mm) from their point, page units.
inline constexpr double kLabelOffsetUnit = 50.0;
inline constexpr double kSideLabelOffsets = 10.0;
inline constexpr double kPointLabelOffsets = 7.0;
// Width of the band around the page that figures are clipped to, page units (10 mm); far
// more than the pen's half width, so the clipped edges never show.
inline constexpr std::int32_t kGuardBandPage = 1000;
// Screen resolution for the label font when the caller gives none, dots per inch.
inline constexpr double kDefaultTextDpi = 96.0;

// A 96 dpi screen (960 pixels on 254 mm each way), for drawing without a display.
inline constexpr ScreenMetrics kReferenceScreen{254, 254, 960, 960};

// What a drawing reads besides the model, the view and the options.
struct DrawMapContext {
    // Code of the parcel query's current record; none while it has no current record.
    std::optional<std::int32_t> CurrentCode;
    // Whether the parcel query is open (a base is open).
    bool ParcelQueryOpen = true;
    // The screen's resolution, which sizes the label font, dots per inch.
    double TextDotsPerInch = kDefaultTextDpi;
};

// Draws the map. With no parcels and the parcel query closed, returns nothing and leaves
// the viewport as it is (the picture on show stays). Otherwise measures the view (FitAll
// while ViewAllPending is set, else SetupPage) and returns the picture of the image's pixel
// size: the white page; every parcel whose box meets the visible window, in model order,
// in detail when it is wider or higher than 2 pixels (hatch on the current parcel, outlines
// by ring, point circles, side-length and point-number labels, area, perimeter and name
// labels) and as a small ellipse otherwise. A side shared by several parcels is labelled
// once per drawing, by the first of them. Figures are drawn with the black pen. Where
// outlines would cover most of the parcels' area (an overview of many small parcels) every
// parcel draws only its sides no other parcel shares (the block boundaries, in place of
// outlines and small-parcel marks) and no point circles, with the pen of OutlineInk.h. With cbDeclutter, a label is left out when its
// box overlaps that of a label drawn before it, and a parcel's area, perimeter or name
// label also when it does not lie inside the parcel's outline; these three are taken in
// the order name, area, perimeter, and one left out leaves out those after it (no area
// without its parcel's number). Nothing else changes.
std::optional<Picture> DrawMap(const TArrObjects& objects, Viewport& viewport, const DisplayOptions& options,
                               const DrawMapContext& context = {});

}  // namespace ter5::map
