#include "base/BaseQuery.h"

#include "engine/FieldCodec.h"
#include "engine/FieldType.h"
#include "engine/ValueConversion.h"

namespace ter5::base {

namespace {

// Shared by both data set kinds: they differ only in where the bytes come from.
template <typename Reader>
engine::Value ReadAt(const engine::DataSet& set, std::span<const std::uint32_t> rows, std::size_t row, int field,
                     const Reader& read) {
    if (!set.Active() || row >= rows.size() || field < 0 ||
        static_cast<std::size_t>(field) >= set.Fields().size())
        return engine::Value::Null();
    return read(rows[row], set.Fields()[static_cast<std::size_t>(field)]);
}

}  // namespace

engine::Value BaseQuery::ValueAt(std::size_t row, int field) const {
    return ReadAt(*this, Rows(), row, field, [&](std::uint32_t record, const engine::FieldDesc& desc) {
        if (engine::IsBlobType(desc.type)) return DecodeBlob(record, field);
        return engine::DecodeField(desc, RecordBytes(record) + desc.offset, Codec());
    });
}

std::string BaseQuery::TextAt(std::size_t row, int field) const {
    const engine::Value value = ValueAt(row, field);
    if (value.IsNull()) return {};
    return engine::ValueAsString(Fields()[static_cast<std::size_t>(field)], value);
}

engine::Value BaseTable::ValueAt(std::size_t row, int field) const {
    return ReadAt(*this, Rows(), row, field, [&](std::uint32_t record, const engine::FieldDesc& desc) {
        if (engine::IsBlobType(desc.type)) return DecodeBlob(record, field);
        return engine::DecodeField(desc, RecordBytes(record) + desc.offset, Codec());
    });
}

const std::uint8_t* BaseTable::RowBytes(std::size_t row) const {
    const auto rows = Rows();
    return Active() && row < rows.size() ? RecordBytes(rows[row]) : nullptr;
}

std::string BaseTable::TextAt(std::size_t row, int field) const {
    const engine::Value value = ValueAt(row, field);
    if (value.IsNull()) return {};
    return engine::ValueAsString(Fields()[static_cast<std::size_t>(field)], value);
}

}  // namespace ter5::base
