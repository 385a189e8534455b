#pragma once
// Plays a map picture (the display list DrawMap builds) into a GDI device context:
// figures from page units to picture pixels with GDI pens and brushes, labels in the
// picture's Cyrillic font, centred on their point. The screen's back buffer is drawn
// with it; map.wmf is written from the same list by the core.

#include <windows.h>

#include "map/Picture.h"

namespace ter5::winapp {

// Paints `picture` into `dc` at its origin, one picture pixel per device pixel; the
// caller has filled the background.
void PlayPicture(HDC dc, const map::Picture& picture);

}  // namespace ter5::winapp
