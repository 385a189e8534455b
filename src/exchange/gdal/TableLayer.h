#pragma once
// One Paradox table as an OGR layer without geometry: a field per table field (OGR
// types as TableFields.h lists them), a feature per record with the record number
// (1-based, block-chain order) as its FID. Records are read from the file a block at
// a time (TableFile::Open), so a table of any size streams through GetNextFeature.
// The table is held shared, writing nothing, while the layer lives.

#include <memory>
#include <string>
#include <vector>

#include <ogrsf_frmts.h>

#include "engine/TableFile.h"
#include "engine/TableLock.h"
#include "exchange/FeatureSink.h"

namespace ter5::exchange {

class TableLayer final : public OGRLayer, public OGRGetNextFeatureThroughRaw<TableLayer> {
    DEFINE_GET_NEXT_FEATURE_THROUGH_RAW(TableLayer)

public:
    // Holds and opens the table `path`, its text in `codePage` (0: the table's own),
    // BCD fields as text when `bcdAsText`. Throws engine::EngineError naming the file
    // when the table is busy, damaged or cannot be read.
    TableLayer(const std::string& name, const std::filesystem::path& path, int codePage, bool bcdAsText);
    ~TableLayer() override;

    OGRFeatureDefn* GetLayerDefn() override { return definition_; }
    void ResetReading() override { next_ = 0; }
    OGRFeature* GetNextRawFeature();
    OGRErr SetNextByIndex(GIntBig index) override;
    OGRFeature* GetFeature(GIntBig fid) override;
    GIntBig GetFeatureCount(int force) override;
    int TestCapability(const char* capability) override;

    // The table's notes (header counts that differ from the blocks …), one line each.
    const std::vector<std::string>& Notes() const { return table_->Notes(); }

private:
    // The feature of record `record` (0-based); nullptr after a CPLError.
    OGRFeature* Build(std::size_t record);

    std::unique_ptr<engine::TableLock> lock_;
    std::shared_ptr<engine::TableFile> table_;
    std::vector<FieldSpec> fields_;  // by table field
    OGRFeatureDefn* definition_ = nullptr;
    std::size_t next_ = 0;           // the next record GetNextRawFeature reads
    bool conversionReported_ = false;
};

}  // namespace ter5::exchange
