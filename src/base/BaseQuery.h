#pragma once
// A query whose rows can be read by position without moving its cursor, so a grid
// can draw any row while the cursor stays where the user put it.

#include <cstddef>

#include "engine/Query.h"
#include "engine/Table.h"

namespace ter5::base {

class BaseQuery : public engine::Query {
public:
    // The value of `field` in row `row` (0-based, in the query's order); NULL when
    // closed or out of range.
    engine::Value ValueAt(std::size_t row, int field) const;
    // The value as text for display.
    std::string TextAt(std::size_t row, int field) const;
};

class BaseTable : public engine::Table {
public:
    engine::Value ValueAt(std::size_t row, int field) const;
    std::string TextAt(std::size_t row, int field) const;
    // The stored bytes of row `row`; nullptr when closed or out of range. With
    // engine::DecodeFieldInto and Fields() the fast way through a million rows. Safe
    // from several threads while the table stays open.
    const std::uint8_t* RowBytes(std::size_t row) const;
    // The text conversion of the table's fields, for decoding RowBytes.
    using engine::Table::Codec;
};

}  // namespace ter5::base
