#pragma once
// The fields of a Paradox table as OGR fields, and their values as OGR values: the
// owner layer of the export and every table a GDAL driver opens use the same rules.
//
//   alpha, memo                        String (UTF-8)
//   formatted memo                     String: its bytes in hex, as `ter5tool dump` shows them
//   short, long, autoincrement         Integer
//   number, money                      Real
//   BCD                                Real, or String holding the exact decimal
//   logical                            Integer, subtype Boolean (0/1)
//   date, time, timestamp              Date, Time, DateTime (milliseconds kept)
//   bytes, blob, graphic, OLE          Binary
//   NULL                               null

#include "engine/FieldDesc.h"
#include "engine/Value.h"
#include "exchange/FeatureSink.h"

namespace ter5::exchange {

// The OGR field of table field `field`; `bcdAsText` keeps BCD values as their exact
// decimal text.
FieldSpec TableFieldSpec(const engine::FieldDesc& field, bool bcdAsText = false);

// Hands `value`, read from a table field of `type`, to `sink` as field `field` of
// OGR type `ogrType` (TableFieldSpec's). Throws engine::EngineError for a date or
// timestamp too far from year 1 to have a calendar date.
void SetTableValue(FeatureSink& sink, int field, engine::FieldType type, OGRFieldType ogrType,
                   const engine::Value& value);

}  // namespace ter5::exchange
