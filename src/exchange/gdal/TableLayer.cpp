#include "exchange/gdal/TableLayer.h"

#include "engine/EngineError.h"
#include "engine/FileUtil.h"
#include "exchange/TableFields.h"
#include "exchange/gdal/DriverErrors.h"
#include "exchange/gdal/OgrFeatureSink.h"

namespace ter5::exchange {

TableLayer::TableLayer(const std::string& name, const std::filesystem::path& path, int codePage, bool bcdAsText) {
    const std::filesystem::path resolved = engine::ResolveNoCase(path).value_or(path);
    lock_ = std::make_unique<engine::TableLock>(resolved, engine::TableLock::Mode::SharedNoWrite);
    table_ = engine::TableFile::Open(resolved, codePage);
    if (!table_->Header().IsTable())
        engine::Fail(table_->Name(), "is an index file, not a table");
    definition_ = new OGRFeatureDefn(name.c_str());
    definition_->Reference();
    definition_->SetGeomType(wkbNone);
    SetDescription(definition_->GetName());
    for (const engine::FieldDesc& field : table_->Fields()) {
        const FieldSpec& column = fields_.emplace_back(TableFieldSpec(field, bcdAsText));
        OGRFieldDefn definition(column.Name.c_str(), column.Type);
        definition.SetSubType(column.SubType);
        definition_->AddFieldDefn(&definition);
    }
}

TableLayer::~TableLayer() { definition_->Release(); }

OGRFeature* TableLayer::Build(std::size_t record) {
    try {
        auto feature = std::make_unique<OGRFeature>(definition_);
        feature->SetFID(static_cast<GIntBig>(record) + 1);
        OgrFeatureSink sink(*feature);
        const std::uint8_t* bytes = table_->Record(record);
        for (std::size_t f = 0; f < fields_.size(); ++f) {
            const int field = static_cast<int>(f);
            if (definition_->GetFieldDefn(field)->IsIgnored()) continue;
            const engine::FieldDesc& desc = table_->Fields()[f];
            try {
                SetTableValue(sink, field, desc.type, fields_[f].Type, table_->Decode(bytes, f));
            } catch (const engine::EngineError& e) {
                // A value without an OGR form (a date far outside the calendar) is left
                // null; the record itself is still read.
                feature->SetFieldNull(field);
                if (!conversionReported_)
                    CPLError(CE_Warning, CPLE_AppDefined, "%s: record %zu, field %s: %s; such values are null",
                             table_->Name().c_str(), record + 1, desc.name.c_str(), e.what());
                conversionReported_ = true;
            }
        }
        return feature.release();
    } catch (...) {
        ReportCurrentException(CE_Failure, CPLE_FileIO);
        return nullptr;
    }
}

OGRFeature* TableLayer::GetNextRawFeature() {
    if (next_ >= table_->RecordCount()) return nullptr;
    return Build(next_++);
}

OGRErr TableLayer::SetNextByIndex(GIntBig index) {
    if (index < 0 || static_cast<std::size_t>(index) > table_->RecordCount() || m_poFilterGeom || m_poAttrQuery)
        return OGRLayer::SetNextByIndex(index);
    next_ = static_cast<std::size_t>(index);
    return OGRERR_NONE;
}

OGRFeature* TableLayer::GetFeature(GIntBig fid) {
    if (fid < 1 || static_cast<std::size_t>(fid) > table_->RecordCount()) return nullptr;
    return Build(static_cast<std::size_t>(fid - 1));
}

GIntBig TableLayer::GetFeatureCount(int force) {
    if (m_poFilterGeom || m_poAttrQuery) return OGRLayer::GetFeatureCount(force);
    return static_cast<GIntBig>(table_->RecordCount());
}

int TableLayer::TestCapability(const char* capability) {
    if (EQUAL(capability, OLCFastFeatureCount)) return m_poFilterGeom == nullptr && m_poAttrQuery == nullptr;
    return EQUAL(capability, OLCRandomRead) || EQUAL(capability, OLCFastSetNextByIndex) ||
           EQUAL(capability, OLCStringsAsUTF8) || EQUAL(capability, OLCIgnoreFields);
}

}  // namespace ter5::exchange
