#pragma once
// Builds the map model from a parcel source: every parcel in order, each with its vertex
// rows in outline order, reporting progress after each parcel.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "map/MapObjects.h"

namespace ter5::map {

// One parcel row as the loader reads it.
struct ParcelRow {
    std::int32_t Code = 0;  // the parcel's key
    std::string House;      // the parcel number text
};

// One vertex row as the loader reads it; coordinates in metres.
struct VertexRow {
    std::int32_t Code = 0;  // the vertex row's own key
    double PutNumber = 0.0;
    double Number = 0.0;
    double Y = 0.0;
    double X = 0.0;
    double Z = 0.0;  // read but not kept
};

// Where the loader reads parcels and vertices from: the parcel rows in display order,
// and for the current parcel its vertex rows in outline order. Errors propagate as
// exceptions; the model then keeps what was read so far.
class ParcelSource {
public:
    virtual ~ParcelSource() = default;
    // Number of parcel rows, the denominator of the progress fraction.
    virtual std::size_t ParcelCount() const = 0;
    // Moves to the next parcel row (the first one on the first call); false past the end.
    virtual bool NextParcel(ParcelRow& parcel) = 0;
    // Moves to the next vertex row of the current parcel; false past its last one.
    virtual bool NextVertex(VertexRow& vertex) = 0;
    // Total vertex rows when known (0 otherwise), used to size the vertex store once.
    virtual std::size_t VertexCountHint() const { return 0; }
    // Releases the parcel and vertex rows after a complete load.
    virtual void Close() {}
};

// Progress report: upper and lower fractions in [0, 1]; the loader passes 0 for lower.
using ProgressFn = std::function<void(double upper, double lower)>;

// Empties the model; unless showMap is false (map button up: the model stays empty and the
// source is left open), reads every parcel with at least one vertex, computes its geometry,
// reports progress after each parcel row and closes the source at the end.
void LoadMapObjects(TArrObjects& objects, ParcelSource& source, bool showMap,
                    const ProgressFn& progress = {});

// A rectangle in status bar pixels, right and bottom edges included as drawn.
struct StripRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// The two progress strips right of the status bar's six fixed panels, their widths summing
// to fixedPanelsWidth, on a bar of barWidth x barHeight pixels.
struct ProgressStrips {
    StripRect Upper;
    StripRect Lower;
};

// Upper strip colour, Windows COLORREF (red 255, green 128, blue 128).
inline constexpr std::uint32_t kUpperStripColour = 0x8080FF;
// Lower strip colour, Windows COLORREF (red 134, green 173, blue 213).
inline constexpr std::uint32_t kLowerStripColour = 0xD5AD86;

// Places the two strips for the fractions upper and lower (each clamped to [0, 1]).
ProgressStrips LayoutProgressStrips(int fixedPanelsWidth, int barWidth, int barHeight,
                                    double upper, double lower);

}  // namespace ter5::map
