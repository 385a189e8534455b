#include "exchange/TableFields.h"

#include "engine/FieldType.h"
#include "engine/ValueText.h"

namespace ter5::exchange {

using engine::FieldType;
using engine::Value;

FieldSpec TableFieldSpec(const engine::FieldDesc& field, bool bcdAsText) {
    switch (field.type) {
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::AutoInc: return {field.name, OFTInteger};
    case FieldType::Number:
    case FieldType::Money: return {field.name, OFTReal};
    case FieldType::Bcd: return {field.name, bcdAsText ? OFTString : OFTReal};
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

void SetTableValue(FeatureSink& sink, int field, FieldType type, OGRFieldType ogrType, const Value& value) {
    switch (value.kind) {
    case Value::Kind::Null: return sink.SetNull(field);
    case Value::Kind::Bool: return sink.SetInteger(field, value.boolean ? 1 : 0);
    case Value::Kind::Text: return sink.SetText(field, value.text);
    case Value::Kind::Bytes:
        if (ogrType == OFTBinary) return sink.SetBinary(field, value.text);
        break;
    case Value::Kind::Float:
        if (ogrType == OFTReal) return sink.SetReal(field, value.number);
        break;
    case Value::Kind::Int:
        if (ogrType == OFTInteger) return sink.SetInteger(field, value.integer);
        break;
    case Value::Kind::Decimal: break;
    }
    // Decimals, dates and times through their text form; the bytes of a formatted
    // memo as their hex text.
    sink.SetFromText(field, engine::FormatValueText(type, value).c_str());
}

}  // namespace ter5::exchange
