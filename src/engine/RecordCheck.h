#pragma once
// Whether the stored bytes of a field are a value the original table engine could
// have written, for salvaging records from a damaged table: a record whose every
// field passes is kept, any other goes to PROBLEMS. The rules per type, with the
// real files they were observed on, are in doc/repair.md. All-zero bytes (NULL)
// pass for every type; blob fields are checked against the memo file (BlobMap).

#include <cstdint>
#include <optional>
#include <string>

#include "FieldDesc.h"

namespace ter5::engine {

// Why the bytes `p` (field.length of them) of a non-blob field are no value of its
// type; nullopt when they are.
std::optional<std::string> FieldValueProblem(const FieldDesc& field, const std::uint8_t* p);

}  // namespace ter5::engine
