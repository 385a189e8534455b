#include "map/MapLoader.h"

#include <algorithm>

#include "map/Rounding.h"

namespace ter5::map {

namespace {

// Upper limit on storage reserved from a source's size hints, in records: a damaged
// header must not make the loader grab memory it will never fill (4 Mi vertices, 256 MiB).
constexpr std::size_t kMaxReservedRecords = std::size_t{1} << 22;

// Gap between the fixed panels and the strips, pixels.
constexpr int kStripLeftGap = 8;
// Strip length is the space right of the panels less this many pixels.
constexpr int kStripLengthMargin = 12;
// Top edge of the upper strip, pixels.
constexpr int kUpperStripTop = 5;
// The lower strip ends this far above the bar's bottom, pixels.
constexpr int kLowerStripBottomMargin = 4;

}  // namespace

void LoadMapObjects(TArrObjects& objects, ParcelSource& source, bool showMap,
                    const ProgressFn& progress) {
    objects.Clear();
    if (!showMap) return;

    const std::size_t parcelCount = source.ParcelCount();
    objects.Polys.reserve(std::min(parcelCount, kMaxReservedRecords));
    objects.PointStore.reserve(std::min(source.VertexCountHint(), kMaxReservedRecords));

    ParcelRow parcel;
    VertexRow vertex;
    std::size_t rowNumber = 0;  // counts from 1, like a record number
    while (source.NextParcel(parcel)) {
        ++rowNumber;
        bool created = false;
        std::size_t polyIndex = 0;
        while (source.NextVertex(vertex)) {
            if (!created) {
                polyIndex = AddPoly(objects, parcel.Code, parcel.House);
                created = true;
            }
            AddPolyPoint(objects, polyIndex, vertex.Code, vertex.PutNumber, vertex.Number, vertex.Y,
                         vertex.X, vertex.Z);
        }
        if (created) CalcPolyGeometry(objects, polyIndex);
        if (progress) {
            // A source that under-reports its count still ends at a full strip.
            const double fraction = rowNumber >= parcelCount
                                        ? 1.0
                                        : static_cast<double>(rowNumber) / static_cast<double>(parcelCount);
            progress(fraction, 0.0);
        }
    }
    source.Close();

    // Give back growth slack so the store costs no more than its vertices.
    if (objects.PointStore.capacity() - objects.PointStore.size() > objects.PointStore.size() / 8) {
        objects.PointStore.shrink_to_fit();
    }
}

ProgressStrips LayoutProgressStrips(int fixedPanelsWidth, int barWidth, int barHeight,
                                    double upper, double lower) {
    const int left = fixedPanelsWidth + kStripLeftGap;
    const double length = barWidth - fixedPanelsWidth - kStripLengthMargin;  // pixels
    const auto span = [&](double fraction) {
        return static_cast<int>(RoundToInt64(length * std::clamp(fraction, 0.0, 1.0)));
    };
    const int middle = static_cast<int>(RoundToInt64(barHeight / 2.0));
    ProgressStrips strips;
    strips.Upper = {left, kUpperStripTop, left + span(upper), middle - 1};
    strips.Lower = {left, middle + 1, left + span(lower), barHeight - kLowerStripBottomMargin};
    return strips;
}

}  // namespace ter5::map
