#pragma once
// Where the search dialog goes on the screen: beside the map, not over it. A search centres
// the map on the parcel it found, so a dialog over the middle of the map would hide the
// very parcel it found.

namespace ter5::search {

// A rectangle of screen pixels.
struct ScreenRect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    int Right() const { return Left + Width; }
    int Bottom() const { return Top + Height; }
};

// Room kept between the dialog and what it is placed beside, pixels.
inline constexpr int kPlacementGap = 8;
// Half the side of the square around the map's centre the dialog must never cover: the
// parcel found is centred there, pixels.
inline constexpr int kCentreKeep = 80;

// The place of a dialog of `dialog`'s size (its position unused) on the screen area
// `screen`, for a main window `window` whose map shows in `map`. The places tried, in
// this order: right of the window, left of it, left of the map (over the directory tree),
// below the map (over the grids), above it, then the map's four corners; each is pulled
// onto the screen, and the first that leaves the map's centre and as much of the map as
// any other free is taken.
ScreenRect PlaceBesideMap(const ScreenRect& screen, const ScreenRect& window, const ScreenRect& map,
                          const ScreenRect& dialog);

}  // namespace ter5::search
