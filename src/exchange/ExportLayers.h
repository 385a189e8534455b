#pragma once
// The features of each exported layer, from the base's data: the layer's geometry type,
// its fields, and the writing of its features. Only the export's own sources include
// this header.
//
//   parcels   Code, House, Number (the text after "№"), IdentificationCode, Ixp1 (stored
//             area), Area and Perimeter (the model's), Owners, Vertices, Rings, Unclosed
//   vertices  Code, Number, PutNumber, Ter, Z, Length, Bearing, Angle (the model's)
//   sides     Parcel, FromNumber, ToNumber, Length, Bearing: each side once, from the
//             first parcel that has it, as the side-length labels show it
//   owners    every field of ter.db but the binary ones, without geometry

#include <cstddef>
#include <functional>
#include <vector>

#include "exchange/BaseExportData.h"
#include "exchange/ExportOptions.h"
#include "exchange/LayerWriter.h"

namespace ter5::exchange {

// What the writing of the layers met that the user should know.
struct LayerStats {
    std::size_t Unclosed = 0;         // parcels whose last ring was closed for the polygon
    std::size_t LeftOutRings = 0;     // rings of fewer than 3 corners, not in any polygon
    std::size_t WithoutGeometry = 0;  // parcels of which no ring has 3 corners
    std::size_t SkippedFields = 0;    // binary fields of the owner table, not exported
};

// Fraction of the layer written, in [0, 1].
using LayerProgress = std::function<void(double fraction)>;

OGRwkbGeometryType LayerGeometryType(ExportLayer layer, const ExportFormat& format);

std::vector<FieldSpec> LayerFields(ExportLayer layer, const BaseExportData& data);

// About how many features the layer has, to share out the progress strip.
std::size_t LayerSize(ExportLayer layer, const BaseExportData& data);

// Writes every feature of the layer; Finish is left to the caller.
void WriteLayerFeatures(ExportLayer layer, LayerWriter& writer, const BaseExportData& data,
                        const ExportFormat& format, const LayerProgress& progress, LayerStats& stats);

}  // namespace ter5::exchange
