#include "exchange/gdal/BaseLayer.h"

#include "exchange/gdal/DriverErrors.h"
#include "exchange/gdal/OgrFeatureSink.h"

namespace ter5::exchange {

namespace {

// Every parcel is a multipolygon, as in the GeoPackage the export writes: one
// geometry type for the whole layer, as GIS programs expect.
constexpr ParcelShape kShape = ParcelShape::Multipolygons;

// The survey box (Y east, X north) of a GIS envelope (x east, y north).
map::WorldBox SurveyBox(const OGREnvelope& e) {
    map::WorldBox box;
    box.Add(map::WorldPoint{e.MinX, e.MinY});
    box.Add(map::WorldPoint{e.MaxX, e.MaxY});
    return box;
}

}  // namespace

BaseLayer::BaseLayer(ExportLayer kind, std::shared_ptr<BaseGeometry> geometry, const OGRSpatialReference* srs)
    : kind_(kind), geometry_(std::move(geometry)) {
    definition_ = new OGRFeatureDefn(LayerName(kind));
    definition_->Reference();
    SetDescription(definition_->GetName());
    definition_->SetGeomType(LayerGeometryType(kind, kShape));
    if (srs) {
        OGRSpatialReference* own = srs->Clone();
        definition_->GetGeomFieldDefn(0)->SetSpatialRef(own);
        own->Release();
    }
    // The fields do not depend on the data (only their text widths would).
    for (const FieldSpec& column : LayerFields(kind, BaseExportData{})) {
        OGRFieldDefn field(column.Name.c_str(), column.Type);
        field.SetSubType(column.SubType);
        definition_->AddFieldDefn(&field);
    }
}

BaseLayer::~BaseLayer() { definition_->Release(); }

std::size_t BaseLayer::Count() {
    if (!geometry_->Ready()) return 0;
    switch (kind_) {
    case ExportLayer::Parcels: return geometry_->Data().Objects.Polys.size();
    case ExportLayer::Vertices: return geometry_->Data().Objects.PointStore.size();
    case ExportLayer::Sides: return geometry_->Sides().size();
    case ExportLayer::Owners: break;
    }
    return 0;
}

OGRFeature* BaseLayer::Build(std::size_t index) {
    try {
        const BaseExportData& data = geometry_->Data();
        auto feature = std::make_unique<OGRFeature>(definition_);
        feature->SetFID(static_cast<GIntBig>(index) + 1);
        OgrFeatureSink sink(*feature);
        std::unique_ptr<OGRGeometry> shape;
        switch (kind_) {
        case ExportLayer::Parcels: shape = BuildParcelFeature(data, index, kShape, sink); break;
        case ExportLayer::Vertices: shape = BuildVertexFeature(data, geometry_->PolyOfPoint(index), index, sink); break;
        case ExportLayer::Sides: shape = BuildSideFeature(data, geometry_->Sides()[index], sink); break;
        case ExportLayer::Owners: break;
        }
        if (shape && !definition_->IsGeometryIgnored()) {
            shape->assignSpatialReference(definition_->GetGeomFieldDefn(0)->GetSpatialRef());
            feature->SetGeometryDirectly(shape.release());
        }
        return feature.release();
    } catch (...) {
        ReportCurrentException(CE_Failure);
        return nullptr;
    }
}

std::vector<std::size_t> BaseLayer::FilterCandidates() {
    const BaseExportData& data = geometry_->Data();
    const map::WorldBox box = SurveyBox(m_sFilterEnvelope);
    std::vector<std::size_t> found;
    for (const std::size_t poly : geometry_->Index().Find(box)) {
        switch (kind_) {
        case ExportLayer::Parcels: found.push_back(poly); break;
        case ExportLayer::Vertices: {
            const map::TArrPoly& p = data.Objects.Polys[poly];
            for (std::size_t i = p.FirstPoint; i < p.FirstPoint + p.PointCount; ++i) {
                map::WorldBox point;
                point.Add(data.Objects.PointStore[i].Position());
                if (point.Meets(box)) found.push_back(i);
            }
            break;
        }
        case ExportLayer::Sides:
            for (std::size_t k = geometry_->FirstSide(poly); k < geometry_->FirstSide(poly + 1); ++k) {
                const std::size_t from = geometry_->Sides()[k].Point;
                map::WorldBox side;
                side.Add(data.Objects.PointStore[from].Position());
                side.Add(data.Objects.PointStore[from + 1].Position());
                if (side.Meets(box)) found.push_back(k);
            }
            break;
        case ExportLayer::Owners: break;
        }
    }
    return found;
}

void BaseLayer::ResetReading() {
    started_ = false;
    candidates_.clear();
    next_ = 0;
}

OGRFeature* BaseLayer::GetNextRawFeature() {
    if (!started_) {
        started_ = true;
        next_ = 0;
        if (!geometry_->Ready()) return nullptr;
        if (m_poFilterGeom) candidates_ = FilterCandidates();
    }
    if (!geometry_->Ready()) return nullptr;
    if (m_poFilterGeom) {
        if (next_ >= candidates_.size()) return nullptr;
        return Build(candidates_[next_++]);
    }
    if (next_ >= Count()) return nullptr;
    return Build(next_++);
}

OGRFeature* BaseLayer::GetFeature(GIntBig fid) {
    if (fid < 1 || static_cast<std::size_t>(fid) > Count()) return nullptr;
    return Build(static_cast<std::size_t>(fid - 1));
}

GIntBig BaseLayer::GetFeatureCount(int force) {
    if (m_poFilterGeom || m_poAttrQuery) return OGRLayer::GetFeatureCount(force);
    return static_cast<GIntBig>(Count());
}

OGRErr BaseLayer::GetExtent(OGREnvelope* extent, int) {
    if (!geometry_->Ready() || geometry_->Index().Bounds().Empty()) return OGRERR_FAILURE;
    const map::WorldBox& bounds = geometry_->Index().Bounds();
    extent->MinX = bounds.MinY;
    extent->MaxX = bounds.MaxY;
    extent->MinY = bounds.MinX;
    extent->MaxY = bounds.MaxX;
    return OGRERR_NONE;
}

OGRErr BaseLayer::GetExtent(int geometryField, OGREnvelope* extent, int force) {
    if (geometryField != 0) return OGRLayer::GetExtent(geometryField, extent, force);
    return GetExtent(extent, force);
}

int BaseLayer::TestCapability(const char* capability) {
    if (EQUAL(capability, OLCFastFeatureCount)) return m_poFilterGeom == nullptr && m_poAttrQuery == nullptr;
    return EQUAL(capability, OLCRandomRead) || EQUAL(capability, OLCFastSpatialFilter) ||
           EQUAL(capability, OLCFastGetExtent) || EQUAL(capability, OLCStringsAsUTF8) ||
           EQUAL(capability, OLCIgnoreFields);
}

}  // namespace ter5::exchange
