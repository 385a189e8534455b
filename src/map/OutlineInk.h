#pragma once
// Keeps the overview of a large base readable. At view-all a district's 50,000 parcels are
// a few pixels each, and their outlines drawn with the full black pen would cover most of
// the area the parcels take (a black square, on the screen, in map.wmf and in pictures).
// The ink the outlines would leave is estimated from the parcels in view; beyond
// kMaxOutlineInk the outlines are drawn with a pen thinner and lighter in proportion, as
// a hairline shows on a screen. At working scales the outlines cover a small share of their
// parcels and keep the full pen.
//
// Where the outlines would be thinned, the map draws instead only the sides no two parcels
// share (SharedSides.h): the outer boundaries of the blocks, so blocks and streets show in
// the full pen. Only where those boundaries alone would still cover most of the parcels'
// area (kMaxBoundaryInk) are they thinned in turn.

#include <cstdint>

#include "map/MapObjects.h"
#include "map/Picture.h"
#include "map/Viewport.h"

namespace ter5::map {

// Share of the parcels' area the full outline pen may cover before it is thinned.
inline constexpr double kMaxOutlineInk = 0.2;
// Lightest grey the thinned pen gets (0 black .. 255 white), so outlines stay visible.
inline constexpr std::uint8_t kLightestOutlineGrey = 150;

// Share of the parcels' area the block boundaries may cover before they are thinned.
inline constexpr double kMaxBoundaryInk = 0.4;

struct OutlineInk {
    // The estimated share of the visible parcels' pixels the full pen would cover, 0..1.
    double Coverage = 0.0;
    // How much of the full pen the outlines get, (0, 1]; 1 is the full pen.
    double Weight = 1.0;
};

// Estimates the outline ink of the parcels whose boxes meet the visible window: a parcel
// drawn in detail leaves about half its perimeter in pixels (a side between two parcels is
// one line), a parcel of at most kSmallParcelPixels (the small-parcel mark) is ink all
// over; the share is that ink over the parcels' area in pixels.
OutlineInk EstimateOutlineInk(const TArrObjects& objects, const Viewport& view);

// Whether a view with this estimate draws the block boundaries alone: the full outlines
// would be thinned.
inline bool DrawsBoundariesOnly(const OutlineInk& outlines) { return outlines.Weight < 1.0; }

// Estimates the ink of the block boundaries (the sides of the parcels in view that no other
// parcel shares, one pixel wide) over the visible parcels' area in pixels; the weight is 1
// up to kMaxBoundaryInk and in proportion beyond it.
OutlineInk EstimateBoundaryInk(const TArrObjects& objects, const Viewport& view);

// The outline pen for a weight: the full pen (black, `fullWidth` page units) at 1, thinner
// and lighter grey below it, never lighter than kLightestOutlineGrey.
PicturePen OutlinePen(double weight, std::int32_t fullWidth);

}  // namespace ter5::map
