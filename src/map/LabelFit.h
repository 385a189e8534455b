#pragma once
// Whether a label lies inside its parcel: the test that keeps each parcel label in its own
// parcel or leaves it out, where a parcel is too small, too narrow or too bent for it.

#include <optional>
#include <span>
#include <vector>

#include "map/LabelPlacer.h"
#include "map/MapObjects.h"
#include "map/Viewport.h"

namespace ter5::map {

// Whether the label box (picture pixels, y down) lies inside the outline whose points are
// `page` (page units, y up) split into `rings`: inside (even-odd over every ring, each taken
// as closed, so not in a hole) and touching no side of a ring.
// Picture pixel (px, py) is page point (px * ppx, -py * ppy).
bool BoxInsideOutline(const PixelBox& box, std::span<const PageIntPoint> page, std::span<const RingRange> rings,
                      double ppx, double ppy);

// Rows across a parcel's box WidestInteriorPoint looks along.
inline constexpr int kInteriorRows = 9;

// Where a parcel bent like an L or a U has most room for a label when its box centre falls
// outside it: the middle of the widest stretch inside the outline (even-odd over the
// rings) along kInteriorRows rows across the box from `low` to `high` (page units), the
// row nearest the middle on a tie. None for an outline with no inside.
std::optional<PagePoint> WidestInteriorPoint(std::span<const PageIntPoint> page, std::span<const RingRange> rings,
                                             PageIntPoint low, PageIntPoint high);

// A move of a label block, pixels.
struct PixelShift {
    int Dx = 0;
    int Dy = 0;
    friend bool operator==(const PixelShift&, const PixelShift&) = default;
};

// Step between the places a label block is tried at, pixels.
inline constexpr int kLabelShiftStep = 2;
// Steps a label block is moved at most, each way.
inline constexpr int kLabelShiftReach = 4;

// The moves of a label block (the box around a parcel's label lines at its centre) that
// keep it inside the parcel's box, on a grid of kLabelShiftStep pixels up to
// kLabelShiftReach steps each way, nearest first; none when the block is wider or higher
// than the parcel. The first is no move when that keeps it inside.
std::vector<PixelShift> LabelBlockShifts(const PixelBox& parcel, const PixelBox& block);

}  // namespace ter5::map
