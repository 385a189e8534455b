#pragma once
// The features of each layer of a base, from the base's data: the layer's geometry
// type, its fields, and each feature built one at a time, so that the export writes
// them all and a GDAL driver hands out any one it is asked for.
//
//   parcels   Code, House, Number (the text after "№"), IdentificationCode, Ixp1 (stored
//             area), Area and Perimeter (the model's), Owners, Vertices, Rings, Unclosed
//   vertices  Code, Number, PutNumber, Ter, Z, Length, Bearing, Angle (the model's)
//   sides     Parcel, FromNumber, ToNumber, Length, Bearing: each side once, from the
//             first parcel that has it, as the side-length labels show it
//   owners    every field of ter.db but the binary ones, without geometry
//
// Geometries are in GIS axes: x = the survey Y (east), y = the survey X (north).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <ogr_geometry.h>

#include "exchange/BaseExportData.h"
#include "exchange/ExportFormat.h"
#include "exchange/ExportOptions.h"
#include "exchange/FeatureSink.h"

namespace ter5::exchange {

class LayerWriter;

// What the building of the features met that the user should know.
struct LayerStats {
    std::size_t Unclosed = 0;         // parcels whose last ring was closed for the polygon
    std::size_t LeftOutRings = 0;     // rings of fewer than 3 corners, not in any polygon
    std::size_t WithoutGeometry = 0;  // parcels of which no ring has 3 corners
    std::size_t SkippedFields = 0;    // binary fields of the owner table, not exported
};

// How a parcel's rings become a geometry.
enum class ParcelShape {
    Polygons,       // a polygon; a multipolygon for a parcel of several pieces
    Multipolygons,  // every parcel a multipolygon (formats with strict layer types)
    Outlines,       // closed polylines, one per ring (CAD drawings)
};

// The shape the format calls for.
ParcelShape ParcelShapeOf(const ExportFormat& format);

// One side of the sides layer: from vertex `Point` of the model's PointStore to the
// next one, of parcel `Poly` (a position in Polys).
struct SideRef {
    std::uint32_t Poly = 0;
    std::uint32_t Point = 0;
};

// Every side of the layer in model order, a side met again (either way round) left out.
std::vector<SideRef> ListSides(const BaseExportData& data);

// The feature of parcel `poly` (a position in Polys): its fields into `sink`, its
// geometry returned (nullptr when no ring has 3 corners); adds to `stats` when given.
std::unique_ptr<OGRGeometry> BuildParcelFeature(const BaseExportData& data, std::size_t poly, ParcelShape shape,
                                                FeatureSink& sink, LayerStats* stats = nullptr);
// The feature of vertex `point` (a position in PointStore) of parcel `poly`: a 3-D point.
std::unique_ptr<OGRGeometry> BuildVertexFeature(const BaseExportData& data, std::size_t poly, std::size_t point,
                                                FeatureSink& sink);
// The feature of a side: a line of its two ends.
std::unique_ptr<OGRGeometry> BuildSideFeature(const BaseExportData& data, const SideRef& side, FeatureSink& sink);

// Fraction of the layer written, in [0, 1].
using LayerProgress = std::function<void(double fraction)>;

OGRwkbGeometryType LayerGeometryType(ExportLayer layer, ParcelShape shape);

// The layer's fields; the text fields sized by the longest text of `data`.
std::vector<FieldSpec> LayerFields(ExportLayer layer, const BaseExportData& data);

// About how many features the layer has, to share out the progress strip.
std::size_t LayerSize(ExportLayer layer, const BaseExportData& data);

// Writes every feature of the layer; Finish is left to the caller.
void WriteLayerFeatures(ExportLayer layer, LayerWriter& writer, const BaseExportData& data,
                        const ExportFormat& format, const LayerProgress& progress, LayerStats& stats);

}  // namespace ter5::exchange
