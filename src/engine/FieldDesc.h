#pragma once
// One field of a table as its header describes it.

#include <string>

#include "FieldType.h"

namespace ter5::engine {

struct FieldDesc {
    std::string name;         // UTF-8
    FieldType type = FieldType::Alpha;
    int size = 0;             // the header's size byte: bytes in the record, or BCD decimals
    int offset = 0;           // byte offset of the field within the record
    int length = 0;           // bytes the field takes in the record
    int fieldNumber = 0;      // position in the table, 1-based: what index files name a field by
};

}  // namespace ter5::engine
