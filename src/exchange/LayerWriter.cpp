#include "exchange/LayerWriter.h"

#include <algorithm>

#include "exchange/ExportOptions.h"
#include "exchange/FieldNames.h"

namespace ter5::exchange {

namespace {

// The field of a DXF layer that names each entity's CAD layer.
constexpr const char* kCadLayerField = "Layer";

// CSL-style option list: the strings plus a terminating null.
std::vector<const char*> OptionList(const std::vector<std::string>& options) {
    std::vector<const char*> list;
    for (const std::string& option : options) list.push_back(option.c_str());
    list.push_back(nullptr);
    return list;
}

}  // namespace

LayerWriter::LayerWriter(GDALDataset& dataset, const ExportFormat& format, const std::string& name,
                         OGRwkbGeometryType geometryType, const OGRSpatialReference* srs,
                         const std::vector<FieldSpec>& fields, const GdalErrorTrap& errors, std::string file,
                         const std::vector<std::string>& moreOptions)
    : dataset_(dataset), format_(format), errors_(errors), file_(std::move(file)) {
    std::vector<std::string> all = format.LayerOptions;
    all.insert(all.end(), moreOptions.begin(), moreOptions.end());
    std::vector<const char*> options = OptionList(all);
    layer_ = dataset.CreateLayer(name.c_str(), const_cast<OGRSpatialReference*>(srs), geometryType,
                                 const_cast<char**>(options.data()));
    if (!layer_) errors_.Fail(file_, "cannot create layer '" + name + "'");

    if (format.Attributes) {
        std::vector<std::string> names;
        for (const FieldSpec& field : fields) names.push_back(field.Name);
        if (format.MaxNameBytes > 0) names = ShortFieldNames(names, format.MaxNameBytes);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            OGRFieldDefn definition(names[i].c_str(), fields[i].Type);
            definition.SetSubType(fields[i].SubType);
            // A fixed-width text field as wide as its longest text, within the limit.
            if (fields[i].Type == OFTString && format.MaxTextBytes > 0)
                definition.SetWidth(static_cast<int>(std::clamp<std::size_t>(fields[i].TextBytes, 1, format.MaxTextBytes)));
            if (layer_->CreateField(&definition) != OGRERR_NONE)
                errors_.Fail(file_, "cannot create field '" + names[i] + "' of layer '" + name + "'");
        }
        // A driver may put fields of its own first: each field is found by its name.
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const int index = layer_->GetLayerDefn()->GetFieldIndex(names[i].c_str());
            if (index < 0) errors_.Fail(file_, "field '" + names[i] + "' of layer '" + name + "' went missing");
            fieldIndex_.push_back(index);
        }
    }
    feature_.reset(OGRFeature::CreateFeature(layer_->GetLayerDefn()));
    if (format.OneCadLayer) cadLayerField_ = feature_->GetFieldIndex(kCadLayerField);
    if (format.Transactions) inTransaction_ = dataset_.StartTransaction() == OGRERR_NONE;
}

LayerWriter::~LayerWriter() {
    if (inTransaction_) dataset_.RollbackTransaction();
}

void LayerWriter::SetInteger(int field, std::int64_t value) {
    if (const int i = Index(field); i >= 0) feature_->SetField(i, static_cast<GIntBig>(value));
}

void LayerWriter::SetReal(int field, double value) {
    if (const int i = Index(field); i >= 0) feature_->SetField(i, value);
}

void LayerWriter::SetText(int field, std::string_view text) {
    const int i = Index(field);
    if (i < 0) return;
    if (format_.MaxTextBytes > 0 && text.size() > format_.MaxTextBytes) {
        text = CutUtf8(text, format_.MaxTextBytes);
        ++textsCut_;
    }
    feature_->SetField(i, std::string(text).c_str());
}

void LayerWriter::SetBinary(int field, std::string_view bytes) {
    if (const int i = Index(field); i >= 0)
        feature_->SetField(i, static_cast<int>(bytes.size()), static_cast<const void*>(bytes.data()));
}

void LayerWriter::SetNull(int field) {
    if (const int i = Index(field); i >= 0) feature_->SetFieldNull(i);
}

void LayerWriter::SetFromText(int field, const char* text) {
    if (const int i = Index(field); i >= 0) feature_->SetField(i, text);
}

void LayerWriter::Write(std::unique_ptr<OGRGeometry> geometry) {
    if (!geometry && format_.OneCadLayer) {
        // A CAD drawing holds entities only: a parcel without a polygon is left out.
        feature_.reset(OGRFeature::CreateFeature(layer_->GetLayerDefn()));
        return;
    }
    if (cadLayerField_ >= 0) feature_->SetField(cadLayerField_, cadLayer_.c_str());
    feature_->SetGeometryDirectly(geometry.release());
    feature_->SetFID(OGRNullFID);
    if (layer_->CreateFeature(feature_.get()) != OGRERR_NONE)
        errors_.Fail(file_, "cannot write feature " + std::to_string(written_ + 1) + " of layer '" +
                                layer_->GetName() + "'");
    ++written_;
    feature_.reset(OGRFeature::CreateFeature(layer_->GetLayerDefn()));
}

void LayerWriter::Finish() {
    if (!inTransaction_) return;
    inTransaction_ = false;
    if (dataset_.CommitTransaction() != OGRERR_NONE)
        errors_.Fail(file_, "cannot complete layer '" + std::string(layer_->GetName()) + "'");
}

}  // namespace ter5::exchange
