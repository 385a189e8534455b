#include "exchange/ExportLayers.h"

#include <algorithm>

#include "engine/TableFile.h"
#include "exchange/LayerWriter.h"
#include "exchange/ParcelPolygon.h"
#include "exchange/TableFields.h"
#include "map/LabelledSides.h"
#include "map/MapLabels.h"

namespace ter5::exchange {

namespace {

using engine::Value;

// Features between two progress reports.
constexpr std::size_t kProgressStep = 4096;

void Report(const LayerProgress& progress, std::size_t done, std::size_t total) {
    if (progress && (done % kProgressStep == 0 || done == total))
        progress(total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total));
}

// Field positions of the parcel layer, in the order of LayerFields.
enum ParcelField { kCode, kHouse, kNumber, kCadastral, kIxp1, kArea, kPerimeter, kOwners, kVertexCount, kRings,
                   kUnclosed };
enum VertexField { kVCode, kVNumber, kVPutNumber, kVTer, kVZ, kVLength, kVBearing, kVAngle };
enum SideField { kSParcel, kSFrom, kSTo, kSLength, kSBearing };

// The owner table's fields that are exported (the binary ones are not), with their
// table positions.
std::vector<std::pair<std::size_t, FieldSpec>> OwnerColumns(const engine::TableFile& table) {
    std::vector<std::pair<std::size_t, FieldSpec>> columns;
    for (std::size_t i = 0; i < table.Fields().size(); ++i) {
        FieldSpec column = TableFieldSpec(table.Fields()[i]);
        if (column.Type != OFTBinary) columns.emplace_back(i, std::move(column));
    }
    return columns;
}

void Widen(FieldSpec& field, std::size_t textBytes) { field.TextBytes = std::max(field.TextBytes, textBytes); }

// A ring in GIS axes: x = Y (east), y = X (north).
OGRLinearRing* ToOgrRing(const PolygonRing& ring) {
    auto* result = new OGRLinearRing;
    result->setNumPoints(static_cast<int>(ring.size()), FALSE);
    for (std::size_t i = 0; i < ring.size(); ++i) result->setPoint(static_cast<int>(i), ring[i].Y, ring[i].X);
    return result;
}

OGRPolygon* ToOgrPolygon(const PolygonPiece& piece) {
    auto* polygon = new OGRPolygon;
    polygon->addRingDirectly(ToOgrRing(piece.Outline));
    for (const PolygonRing& hole : piece.Holes) polygon->addRingDirectly(ToOgrRing(hole));
    return polygon;
}

// The rings as closed polylines, for a CAD drawing (polygons would become hatches).
std::unique_ptr<OGRGeometry> ToOgrOutlines(const ParcelPolygon& polygon) {
    auto lines = std::make_unique<OGRMultiLineString>();
    for (const PolygonPiece& piece : polygon.Pieces) {
        lines->addGeometryDirectly(OGRCurve::CastToLineString(ToOgrRing(piece.Outline)));
        for (const PolygonRing& hole : piece.Holes) lines->addGeometryDirectly(OGRCurve::CastToLineString(ToOgrRing(hole)));
    }
    return lines;
}

std::unique_ptr<OGRGeometry> ToOgrGeometry(const ParcelPolygon& polygon, ParcelShape shape) {
    if (polygon.Pieces.empty()) return nullptr;
    if (shape == ParcelShape::Outlines) return ToOgrOutlines(polygon);
    if (polygon.Pieces.size() == 1 && shape == ParcelShape::Polygons)
        return std::unique_ptr<OGRGeometry>(ToOgrPolygon(polygon.Pieces[0]));
    auto multi = std::make_unique<OGRMultiPolygon>();
    for (const PolygonPiece& piece : polygon.Pieces) multi->addGeometryDirectly(ToOgrPolygon(piece));
    return multi;
}

void WriteOwners(LayerWriter& w, const BaseExportData& data, const LayerProgress& progress) {
    const engine::TableFile& table = *data.OwnerTable;
    const auto columns = OwnerColumns(table);
    const std::size_t total = data.OwnerRecords.size();
    for (std::size_t n = 0; n < total; ++n) {
        const std::size_t record = data.OwnerRecords[n];
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const auto& [position, column] = columns[c];
            SetTableValue(w, static_cast<int>(c), table.Fields()[position].type, column.Type, table.Get(record, position));
        }
        w.Write(nullptr);
        Report(progress, n + 1, total);
    }
}

}  // namespace

ParcelShape ParcelShapeOf(const ExportFormat& format) {
    if (format.OneCadLayer) return ParcelShape::Outlines;
    return format.Multipolygons ? ParcelShape::Multipolygons : ParcelShape::Polygons;
}

std::vector<SideRef> ListSides(const BaseExportData& data) {
    std::vector<SideRef> sides;
    map::LabelledSides seen;
    std::vector<map::RingRange> rings;
    for (std::size_t i = 0; i < data.Objects.Polys.size(); ++i) {
        const map::TArrPoly& poly = data.Objects.Polys[i];
        const auto points = data.Objects.Points(poly);
        map::FindRings(points, rings);
        for (const map::RingRange& ring : rings)
            for (std::size_t j = ring.Begin; j + 1 < ring.End; ++j)
                if (seen.AddIfNew(points[j].Position(), points[j + 1].Position()))
                    sides.push_back({static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(poly.FirstPoint + j)});
    }
    return sides;
}

std::unique_ptr<OGRGeometry> BuildParcelFeature(const BaseExportData& data, std::size_t index, ParcelShape shape,
                                                FeatureSink& sink, LayerStats* stats) {
    const map::TArrPoly& poly = data.Objects.Polys[index];
    const ParcelAttributes& attributes = data.Parcels[index];
    const ParcelPolygon polygon = BuildParcelPolygon(data.Objects.Points(poly));
    sink.SetInteger(kCode, poly.Code);
    sink.SetText(kHouse, poly.House);
    sink.SetText(kNumber, map::HouseLabelText(poly.House));
    sink.SetText(kCadastral, attributes.IdentificationCode);
    if (attributes.Ixp1) sink.SetReal(kIxp1, *attributes.Ixp1); else sink.SetNull(kIxp1);
    sink.SetReal(kArea, poly.Area);
    sink.SetReal(kPerimeter, poly.Perimeter);
    sink.SetText(kOwners, attributes.Owners);
    sink.SetInteger(kVertexCount, static_cast<std::int64_t>(poly.PointCount));
    sink.SetInteger(kRings, static_cast<std::int64_t>(polygon.Rings));
    sink.SetInteger(kUnclosed, polygon.Unclosed ? 1 : 0);
    if (stats) {
        stats->Unclosed += polygon.Unclosed ? 1 : 0;
        stats->LeftOutRings += polygon.LeftOut;
        stats->WithoutGeometry += polygon.Pieces.empty() ? 1 : 0;
    }
    return ToOgrGeometry(polygon, shape);
}

std::unique_ptr<OGRGeometry> BuildVertexFeature(const BaseExportData& data, std::size_t poly, std::size_t point,
                                                FeatureSink& sink) {
    const map::TArrPoint& p = data.Objects.PointStore[point];
    const double z = data.VertexZ[point];
    sink.SetInteger(kVCode, p.Code);
    sink.SetReal(kVNumber, p.Number);
    sink.SetReal(kVPutNumber, p.PutNumber);
    sink.SetInteger(kVTer, data.Objects.Polys[poly].Code);
    sink.SetReal(kVZ, z);
    sink.SetReal(kVLength, p.Length);
    sink.SetReal(kVBearing, p.Bearing);
    sink.SetReal(kVAngle, p.Angle);
    return std::make_unique<OGRPoint>(p.Y, p.X, z);
}

std::unique_ptr<OGRGeometry> BuildSideFeature(const BaseExportData& data, const SideRef& side, FeatureSink& sink) {
    const map::TArrPoint& p = data.Objects.PointStore[side.Point];
    const map::TArrPoint& q = data.Objects.PointStore[side.Point + 1];
    sink.SetInteger(kSParcel, data.Objects.Polys[side.Poly].Code);
    sink.SetReal(kSFrom, p.Number);
    sink.SetReal(kSTo, q.Number);
    sink.SetReal(kSLength, q.Length);
    sink.SetReal(kSBearing, p.Bearing);
    auto line = std::make_unique<OGRLineString>();
    line->addPoint(p.Y, p.X);
    line->addPoint(q.Y, q.X);
    return line;
}

OGRwkbGeometryType LayerGeometryType(ExportLayer layer, ParcelShape shape) {
    if (shape == ParcelShape::Outlines) return wkbUnknown;
    switch (layer) {
    case ExportLayer::Parcels: return shape == ParcelShape::Multipolygons ? wkbMultiPolygon : wkbPolygon;
    case ExportLayer::Vertices: return wkbPoint25D;
    case ExportLayer::Sides: return wkbLineString;
    case ExportLayer::Owners: return wkbNone;
    }
    return wkbUnknown;
}

std::vector<FieldSpec> LayerFields(ExportLayer layer, const BaseExportData& data) {
    switch (layer) {
    case ExportLayer::Parcels: {
        std::vector<FieldSpec> fields = {
            {"Code", OFTInteger},     {"House", OFTString},  {"Number", OFTString},   {"IdentificationCode", OFTString},
            {"Ixp1", OFTReal},        {"Area", OFTReal},     {"Perimeter", OFTReal}, {"Owners", OFTString},
            {"Vertices", OFTInteger}, {"Rings", OFTInteger}, {"Unclosed", OFTInteger, OFSTBoolean}};
        for (std::size_t i = 0; i < data.Objects.Polys.size(); ++i) {
            const std::string& house = data.Objects.Polys[i].House;
            Widen(fields[kHouse], house.size());
            Widen(fields[kNumber], map::HouseLabelText(house).size());
            Widen(fields[kCadastral], data.Parcels[i].IdentificationCode.size());
            Widen(fields[kOwners], data.Parcels[i].Owners.size());
        }
        return fields;
    }
    case ExportLayer::Vertices:
        return {{"Code", OFTInteger}, {"Number", OFTReal}, {"PutNumber", OFTReal}, {"Ter", OFTInteger},
                {"Z", OFTReal},       {"Length", OFTReal}, {"Bearing", OFTReal},   {"Angle", OFTReal}};
    case ExportLayer::Sides:
        return {{"Parcel", OFTInteger}, {"FromNumber", OFTReal}, {"ToNumber", OFTReal}, {"Length", OFTReal},
                {"Bearing", OFTReal}};
    case ExportLayer::Owners: {
        std::vector<FieldSpec> fields;
        for (auto& column : OwnerColumns(*data.OwnerTable)) {
            FieldSpec& field = fields.emplace_back(std::move(column.second));
            if (field.Type != OFTString) continue;
            for (const std::size_t record : data.OwnerRecords) {
                const Value value = data.OwnerTable->Get(record, column.first);
                if (value.kind == Value::Kind::Text) Widen(field, value.text.size());
            }
        }
        return fields;
    }
    }
    return {};
}

std::size_t LayerSize(ExportLayer layer, const BaseExportData& data) {
    switch (layer) {
    case ExportLayer::Parcels: return data.Objects.Polys.size();
    case ExportLayer::Vertices:
    case ExportLayer::Sides: return data.Objects.PointStore.size();
    case ExportLayer::Owners: return data.OwnerRecords.size();
    }
    return 0;
}

void WriteLayerFeatures(ExportLayer layer, LayerWriter& writer, const BaseExportData& data,
                        const ExportFormat& format, const LayerProgress& progress, LayerStats& stats) {
    const std::size_t parcels = data.Objects.Polys.size();
    switch (layer) {
    case ExportLayer::Parcels:
        for (std::size_t i = 0; i < parcels; ++i) {
            writer.Write(BuildParcelFeature(data, i, ParcelShapeOf(format), writer, &stats));
            Report(progress, i + 1, parcels);
        }
        return;
    case ExportLayer::Vertices: {
        const std::size_t total = data.Objects.PointStore.size();
        for (std::size_t i = 0; i < parcels; ++i) {
            const map::TArrPoly& poly = data.Objects.Polys[i];
            for (std::size_t p = poly.FirstPoint; p < poly.FirstPoint + poly.PointCount; ++p) {
                writer.Write(BuildVertexFeature(data, i, p, writer));
                Report(progress, p + 1, total);
            }
        }
        return;
    }
    case ExportLayer::Sides: {
        const std::vector<SideRef> sides = ListSides(data);
        for (std::size_t k = 0; k < sides.size(); ++k) {
            writer.Write(BuildSideFeature(data, sides[k], writer));
            Report(progress, k + 1, sides.size());
        }
        return;
    }
    case ExportLayer::Owners:
        stats.SkippedFields = data.OwnerTable->Fields().size() - OwnerColumns(*data.OwnerTable).size();
        return WriteOwners(writer, data, progress);
    }
}

}  // namespace ter5::exchange
