#pragma once
// How dark a map picture is where its parcels are: the share of the pixels inside the
// parcels' outlines (the outlines themselves included) that are dark. The measure of an
// overview's readability, for the tests and the benchmarks: all ink, 1, is a black square.

#include <QImage>

#include "map/MapObjects.h"
#include "map/Viewport.h"

namespace ter5::map {

// A pixel is dark when its grey value (Qt's qGray) is below this.
inline constexpr int kDarkGrey = 128;

// The pixels of a picture of the view's image size that the parcels cover at `view`:
// non-zero where a parcel's rings (even-odd) or their one-pixel outlines fall.
QImage ParcelAreaMask(const TArrObjects& objects, const Viewport& view);

// The share of the mask's pixels that are dark in `image` (of the same size): whose grey
// value is below `below` (255: every pixel that is not white, all the ink); 0 for an
// empty mask.
double DarkShare(const QImage& image, const QImage& mask, int below = kDarkGrey);

}  // namespace ter5::map
