#pragma once
// One feature's attributes as the layer builders hand them over: to a LayerWriter of
// the export, or to an OGRFeature a GDAL driver returns. Fields are named by their
// position in the layer's list of FieldSpecs.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <ogr_core.h>

namespace ter5::exchange {

// One attribute field of a layer.
struct FieldSpec {
    std::string Name;
    OGRFieldType Type = OFTString;
    OGRFieldSubType SubType = OFSTNone;
    // Longest text of the field, bytes; sizes the fields of formats that limit texts.
    std::size_t TextBytes = 0;
};

class FeatureSink {
public:
    virtual ~FeatureSink() = default;

    virtual void SetInteger(int field, std::int64_t value) = 0;
    virtual void SetReal(int field, double value) = 0;
    // UTF-8 text.
    virtual void SetText(int field, std::string_view text) = 0;
    virtual void SetBinary(int field, std::string_view bytes) = 0;
    virtual void SetNull(int field) = 0;
    // A value that OGR converts from its text form (dates, times, decimals).
    virtual void SetFromText(int field, const char* text) = 0;
};

}  // namespace ter5::exchange
