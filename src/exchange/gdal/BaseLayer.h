#pragma once
// A geometry layer of a base: parcels (multipolygons), vertices (3-D points) or sides
// (lines), with the attributes and axes of the export (ExportLayers.h), each feature
// built by the export's own builder when it is asked for. FIDs count from 1 in model
// order: parcels in the order of "order by house", vertices parcel after parcel,
// sides as the side labels take them. A spatial filter walks only the parcels the
// spatial index finds; count and extent come from the model without a scan.

#include <memory>
#include <vector>

#include <ogrsf_frmts.h>

#include "exchange/ExportOptions.h"
#include "exchange/gdal/BaseGeometry.h"

namespace ter5::exchange {

class BaseLayer final : public OGRLayer, public OGRGetNextFeatureThroughRaw<BaseLayer> {
    DEFINE_GET_NEXT_FEATURE_THROUGH_RAW(BaseLayer)

public:
    // Layer `kind` (parcels, vertices or sides) of `geometry`, in reference system
    // `srs` (nullptr: none). Reads nothing yet.
    BaseLayer(ExportLayer kind, std::shared_ptr<BaseGeometry> geometry, const OGRSpatialReference* srs);
    ~BaseLayer() override;

    OGRFeatureDefn* GetLayerDefn() override { return definition_; }
    void ResetReading() override;
    OGRFeature* GetNextRawFeature();
    OGRFeature* GetFeature(GIntBig fid) override;
    GIntBig GetFeatureCount(int force) override;
    OGRErr GetExtent(OGREnvelope* extent, int force) override;
    OGRErr GetExtent(int geometryField, OGREnvelope* extent, int force) override;
    int TestCapability(const char* capability) override;

private:
    // Features of the layer when the base is read; 0 when it cannot be.
    std::size_t Count();
    // The feature at position `index` (0-based); nullptr after a CPLError.
    OGRFeature* Build(std::size_t index);
    // The positions of the features whose boxes meet the spatial filter's, ascending.
    std::vector<std::size_t> FilterCandidates();

    ExportLayer kind_;
    std::shared_ptr<BaseGeometry> geometry_;
    OGRFeatureDefn* definition_ = nullptr;
    // Reading: positions still to visit, from the spatial filter (all when there is none).
    bool started_ = false;
    std::vector<std::size_t> candidates_;
    std::size_t next_ = 0;
};

}  // namespace ter5::exchange
