#include "exchange/ExportLayers.h"

#include <algorithm>

#include "engine/FieldType.h"
#include "engine/TableFile.h"
#include "engine/ValueText.h"
#include "exchange/ParcelPolygon.h"
#include "map/LabelledSides.h"
#include "map/MapLabels.h"

namespace ter5::exchange {

namespace {

using engine::FieldType;
using engine::Value;

// Features between two progress reports.
constexpr std::size_t kProgressStep = 4096;

void Report(const LayerProgress& progress, std::size_t done, std::size_t total) {
    if (progress && (done % kProgressStep == 0 || done == total))
        progress(total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total));
}

// Field positions of the parcel layer, in the order of ParcelFields.
enum ParcelField { kCode, kHouse, kNumber, kCadastral, kIxp1, kArea, kPerimeter, kOwners, kVertexCount, kRings,
                   kUnclosed };
enum VertexField { kVCode, kVNumber, kVPutNumber, kVTer, kVZ, kVLength, kVBearing, kVAngle };
enum SideField { kSParcel, kSFrom, kSTo, kSLength, kSBearing };

// The OGR field of an owner table field; OFTBinary for those the export leaves out.
FieldSpec OwnerFieldSpec(const engine::FieldDesc& field) {
    switch (field.type) {
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::AutoInc: return {field.name, OFTInteger};
    case FieldType::Number:
    case FieldType::Money:
    case FieldType::Bcd: return {field.name, OFTReal};
    case FieldType::Logical: return {field.name, OFTInteger, OFSTBoolean};
    case FieldType::Date: return {field.name, OFTDate};
    case FieldType::Time: return {field.name, OFTTime};
    case FieldType::Timestamp: return {field.name, OFTDateTime};
    case FieldType::Alpha:
    case FieldType::Memo:
    case FieldType::FmtMemo: return {field.name, OFTString};
    default: return {field.name, OFTBinary};
    }
}

// The owner table's fields that are exported, with their table positions.
std::vector<std::pair<std::size_t, FieldSpec>> OwnerColumns(const engine::TableFile& table) {
    std::vector<std::pair<std::size_t, FieldSpec>> columns;
    for (std::size_t i = 0; i < table.Fields().size(); ++i) {
        FieldSpec column = OwnerFieldSpec(table.Fields()[i]);
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

std::unique_ptr<OGRGeometry> ToOgrGeometry(const ParcelPolygon& polygon, const ExportFormat& format) {
    if (polygon.Pieces.empty()) return nullptr;
    if (format.OneCadLayer) return ToOgrOutlines(polygon);
    const bool multipolygon = format.Multipolygons;
    if (polygon.Pieces.size() == 1 && !multipolygon) return std::unique_ptr<OGRGeometry>(ToOgrPolygon(polygon.Pieces[0]));
    auto multi = std::make_unique<OGRMultiPolygon>();
    for (const PolygonPiece& piece : polygon.Pieces) multi->addGeometryDirectly(ToOgrPolygon(piece));
    return multi;
}

void WriteParcels(LayerWriter& w, const BaseExportData& data, const ExportFormat& format,
                  const LayerProgress& progress, LayerStats& stats) {
    const std::size_t total = data.Objects.Polys.size();
    for (std::size_t i = 0; i < total; ++i) {
        const map::TArrPoly& poly = data.Objects.Polys[i];
        const ParcelAttributes& attributes = data.Parcels[i];
        const ParcelPolygon polygon = BuildParcelPolygon(data.Objects.Points(poly));
        w.SetInteger(kCode, poly.Code);
        w.SetText(kHouse, poly.House);
        w.SetText(kNumber, map::HouseLabelText(poly.House));
        w.SetText(kCadastral, attributes.IdentificationCode);
        if (attributes.Ixp1) w.SetReal(kIxp1, *attributes.Ixp1); else w.SetNull(kIxp1);
        w.SetReal(kArea, poly.Area);
        w.SetReal(kPerimeter, poly.Perimeter);
        w.SetText(kOwners, attributes.Owners);
        w.SetInteger(kVertexCount, static_cast<std::int64_t>(poly.PointCount));
        w.SetInteger(kRings, static_cast<std::int64_t>(polygon.Rings));
        w.SetInteger(kUnclosed, polygon.Unclosed ? 1 : 0);
        stats.Unclosed += polygon.Unclosed ? 1 : 0;
        stats.LeftOutRings += polygon.LeftOut;
        stats.WithoutGeometry += polygon.Pieces.empty() ? 1 : 0;
        w.Write(ToOgrGeometry(polygon, format));
        Report(progress, i + 1, total);
    }
}

void WriteVertices(LayerWriter& w, const BaseExportData& data, const LayerProgress& progress) {
    const std::size_t total = data.Objects.PointStore.size();
    std::size_t done = 0;
    for (const map::TArrPoly& poly : data.Objects.Polys) {
        for (const map::TArrPoint& p : data.Objects.Points(poly)) {
            const double z = data.VertexZ[done];
            w.SetInteger(kVCode, p.Code);
            w.SetReal(kVNumber, p.Number);
            w.SetReal(kVPutNumber, p.PutNumber);
            w.SetInteger(kVTer, poly.Code);
            w.SetReal(kVZ, z);
            w.SetReal(kVLength, p.Length);
            w.SetReal(kVBearing, p.Bearing);
            w.SetReal(kVAngle, p.Angle);
            w.Write(std::make_unique<OGRPoint>(p.Y, p.X, z));
            Report(progress, ++done, total);
        }
    }
}

void WriteSides(LayerWriter& w, const BaseExportData& data, const LayerProgress& progress) {
    map::LabelledSides seen;
    std::vector<map::RingRange> rings;
    const std::size_t total = data.Objects.Polys.size();
    for (std::size_t i = 0; i < total; ++i) {
        const map::TArrPoly& poly = data.Objects.Polys[i];
        const auto points = data.Objects.Points(poly);
        map::FindRings(points, rings);
        for (const map::RingRange& ring : rings) {
            for (std::size_t j = ring.Begin; j + 1 < ring.End; ++j) {
                const map::TArrPoint& p = points[j];
                const map::TArrPoint& q = points[j + 1];
                if (!seen.AddIfNew(p.Position(), q.Position())) continue;
                w.SetInteger(kSParcel, poly.Code);
                w.SetReal(kSFrom, p.Number);
                w.SetReal(kSTo, q.Number);
                w.SetReal(kSLength, q.Length);
                w.SetReal(kSBearing, p.Bearing);
                auto line = std::make_unique<OGRLineString>();
                line->addPoint(p.Y, p.X);
                line->addPoint(q.Y, q.X);
                w.Write(std::move(line));
            }
        }
        Report(progress, i + 1, total);
    }
}

void WriteOwners(LayerWriter& w, const BaseExportData& data, const LayerProgress& progress) {
    const engine::TableFile& table = *data.OwnerTable;
    const auto columns = OwnerColumns(table);
    const std::size_t total = data.OwnerRecords.size();
    for (std::size_t n = 0; n < total; ++n) {
        const std::size_t record = data.OwnerRecords[n];
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const int field = static_cast<int>(c);
            const Value value = table.Get(record, columns[c].first);
            switch (value.kind) {
            case Value::Kind::Null: w.SetNull(field); break;
            case Value::Kind::Bool: w.SetInteger(field, value.boolean ? 1 : 0); break;
            case Value::Kind::Text: w.SetText(field, value.text); break;
            case Value::Kind::Float:
                if (columns[c].second.Type == OFTReal) {
                    w.SetReal(field, value.number);
                    break;
                }
                [[fallthrough]];
            default:
                // Integers, decimals, dates and times through their text form.
                w.SetFromText(field, engine::FormatValueText(table.Fields()[columns[c].first].type, value).c_str());
            }
        }
        w.Write(nullptr);
        Report(progress, n + 1, total);
    }
}

}  // namespace

OGRwkbGeometryType LayerGeometryType(ExportLayer layer, const ExportFormat& format) {
    if (format.OneCadLayer) return wkbUnknown;
    switch (layer) {
    case ExportLayer::Parcels: return format.Multipolygons ? wkbMultiPolygon : wkbPolygon;
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
    switch (layer) {
    case ExportLayer::Parcels: return WriteParcels(writer, data, format, progress, stats);
    case ExportLayer::Vertices: return WriteVertices(writer, data, progress);
    case ExportLayer::Sides: return WriteSides(writer, data, progress);
    case ExportLayer::Owners:
        stats.SkippedFields = data.OwnerTable->Fields().size() - OwnerColumns(*data.OwnerTable).size();
        return WriteOwners(writer, data, progress);
    }
}

}  // namespace ter5::exchange
