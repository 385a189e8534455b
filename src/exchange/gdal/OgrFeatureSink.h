#pragma once
// The values of the layer builders put into the OGRFeature a layer hands out. A field
// the caller asked GDAL to ignore (SetIgnoredFields) is left unset.

#include <string>

#include <ogr_feature.h>

#include "exchange/FeatureSink.h"

namespace ter5::exchange {

class OgrFeatureSink final : public FeatureSink {
public:
    explicit OgrFeatureSink(OGRFeature& feature) : feature_(feature) {}

    void SetInteger(int field, std::int64_t value) override {
        if (Wanted(field)) feature_.SetField(field, static_cast<GIntBig>(value));
    }
    void SetReal(int field, double value) override {
        if (Wanted(field)) feature_.SetField(field, value);
    }
    void SetText(int field, std::string_view text) override {
        if (!Wanted(field)) return;
        text_.assign(text);
        feature_.SetField(field, text_.c_str());
    }
    void SetBinary(int field, std::string_view bytes) override {
        if (Wanted(field)) feature_.SetField(field, static_cast<int>(bytes.size()), static_cast<const void*>(bytes.data()));
    }
    void SetNull(int field) override {
        if (Wanted(field)) feature_.SetFieldNull(field);
    }
    void SetFromText(int field, const char* text) override {
        if (Wanted(field)) feature_.SetField(field, text);
    }

private:
    bool Wanted(int field) const { return !feature_.GetDefnRef()->GetFieldDefn(field)->IsIgnored(); }

    OGRFeature& feature_;
    std::string text_;  // a NUL-terminated copy of the text being set
};

}  // namespace ter5::exchange
