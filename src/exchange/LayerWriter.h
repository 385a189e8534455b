#pragma once
// One OGR layer being written: its fields created as the format allows (names shortened
// where it limits them), features built one at a time and written in transactions where
// the format has them. Only the export's own sources include this header.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "exchange/ExportFormat.h"
#include "exchange/FeatureSink.h"
#include "exchange/GdalSupport.h"

namespace ter5::exchange {

class LayerWriter : public FeatureSink {
public:
    // Creates layer `name` in `dataset` with the format's layer options and `moreOptions`
    // and with the fields (none where the format keeps no attributes), and starts its
    // transaction. `file` names the output in errors. Throws ExportError with GDAL's
    // message when the layer or a field cannot be created.
    LayerWriter(GDALDataset& dataset, const ExportFormat& format, const std::string& name,
                OGRwkbGeometryType geometryType, const OGRSpatialReference* srs,
                const std::vector<FieldSpec>& fields, const GdalErrorTrap& errors, std::string file,
                const std::vector<std::string>& moreOptions = {});
    // Rolls back a transaction left open by an error.
    ~LayerWriter() override;
    LayerWriter(const LayerWriter&) = delete;
    LayerWriter& operator=(const LayerWriter&) = delete;

    // The CAD layer name the next features go to (formats with OneCadLayer).
    void SetCadLayer(const std::string& name) { cadLayer_ = name; }

    // Field values of the feature being built; field indexes as in the constructor's list.
    // Texts longer than the format holds are cut at a character boundary and counted.
    void SetInteger(int field, std::int64_t value) override;
    void SetReal(int field, double value) override;
    void SetText(int field, std::string_view text) override;
    void SetBinary(int field, std::string_view bytes) override;
    void SetNull(int field) override;
    void SetFromText(int field, const char* text) override;

    // Writes the feature with `geometry` (nullptr: none; left out of a CAD drawing) and
    // starts the next, all fields unset. Throws ExportError with GDAL's message when the
    // driver refuses it.
    void Write(std::unique_ptr<OGRGeometry> geometry);
    // Commits the layer's transaction. Throws ExportError when that fails.
    void Finish();

    std::size_t Written() const { return written_; }
    std::size_t TextsCut() const { return textsCut_; }

private:
    int Index(int field) const { return format_.Attributes ? fieldIndex_[static_cast<std::size_t>(field)] : -1; }

    GDALDataset& dataset_;
    const ExportFormat& format_;
    const GdalErrorTrap& errors_;
    std::string file_;
    OGRLayer* layer_ = nullptr;
    std::unique_ptr<OGRFeature> feature_;
    std::vector<int> fieldIndex_;  // the OGR index of each field of the constructor's list
    int cadLayerField_ = -1;
    std::string cadLayer_;
    bool inTransaction_ = false;
    std::size_t written_ = 0;
    std::size_t textsCut_ = 0;
};

}  // namespace ter5::exchange
