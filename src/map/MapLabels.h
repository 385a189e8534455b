#pragma once
// Texts and placement of the map's labels: side lengths, point numbers, and the parcel
// labels at the parcel's centre (area and perimeter, which DisplayOptions.h writes, and the
// parcel name).

#include <string>
#include <string_view>

#include "map/DisplayOptions.h"
#include "map/MapObjects.h"

namespace ter5::map {

// Where a label's top edge goes relative to its anchor.
enum class LabelPlacement {
    Centred,  // side length, point number, area: half a line up
    Below,    // perimeter: half a line down, under the area line
    Above,    // parcel name: one and a half lines up, over the area line
};

// Pixel row of the top edge of a label of textHeight pixels anchored at pixel row anchorY:
// anchorY - round(h / 2), anchorY + round(h / 2) or anchorY - round(1.5 h), rounding to
// nearest with halves to even.
int LabelTop(LabelPlacement placement, int anchorY, int textHeight);

// Side-length label: the length in metres with 2 decimals ("12,50").
std::string SideLengthText(double lengthMetres);

// Point-number label: the number in the general decimal form ("17", "3,5").
std::string PointNumberText(double number);

// The parcel number shown for a House text: everything up to and including the first "№"
// removed, then blanks and control characters trimmed from both ends ("ул. Мира, № 12 " ->
// "12"); a text without "№" is used whole, trimmed.
std::string HouseLabelText(std::string_view house);

// Parcel-name label: the Code as a decimal integer with cbCode (it wins over cbNumber),
// the House label with cbNumber, empty with neither.
std::string ParcelNameText(const DisplayOptions& options, const TArrPoly& poly);

}  // namespace ter5::map
