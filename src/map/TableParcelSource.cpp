#include "map/TableParcelSource.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "engine/Collation.h"
#include "engine/EngineError.h"
#include "engine/FileUtil.h"
#include "engine/TableFile.h"

namespace ter5::map {

namespace {

using engine::TableFile;
using engine::Value;

// File names of the two tables in a base directory.
constexpr const char* kParcelTable = "subter.db";
constexpr const char* kVertexTable = "poligon.db";
// NULL numbers sort before every value, as in a Paradox index.
constexpr double kNullKey = -std::numeric_limits<double>::infinity();

std::shared_ptr<TableFile> LoadTable(const std::filesystem::path& directory, const char* name, int codePage) {
    const auto path = engine::FindFileNoCase(directory, name);
    if (!path) engine::Fail(engine::PathToUtf8((directory / name)), "table not found");
    return TableFile::Load(*path, codePage);
}

double NumberOf(const Value& value, double null) {
    switch (value.kind) {
    case Value::Kind::Int: return static_cast<double>(value.integer);
    case Value::Kind::Float: return value.number;
    default: return null;
    }
}

std::int32_t CodeOf(const Value& value) {
    switch (value.kind) {
    case Value::Kind::Int: return static_cast<std::int32_t>(value.integer);
    case Value::Kind::Float: return static_cast<std::int32_t>(std::llround(value.number));
    default: return 0;
    }
}

}  // namespace

TableParcelSource::TableParcelSource(const std::filesystem::path& baseDirectory, int codePage)
    : parcels_(LoadTable(baseDirectory, kParcelTable, codePage)), vertices_(LoadTable(baseDirectory, kVertexTable, codePage)) {
    parcelFields_.Code = parcels_->RequireField("Code");
    parcelFields_.House = parcels_->RequireField("House");
    vertexFields_.Code = vertices_->RequireField("Code");
    vertexFields_.Number = vertices_->RequireField("Number");
    vertexFields_.X = vertices_->RequireField("X");
    vertexFields_.Y = vertices_->RequireField("Y");
    vertexFields_.Z = vertices_->RequireField("Z");
    vertexFields_.PutNumber = vertices_->RequireField("PutNumber");
    vertexFields_.Ter = vertices_->RequireField("Ter");
    OrderParcels();
    OrderVertices();
}

TableParcelSource::~TableParcelSource() = default;

void TableParcelSource::OrderParcels() {
    const std::size_t count = parcels_->RecordCount();
    std::vector<std::u32string> keys(count);
    for (std::size_t i = 0; i < count; ++i) {
        const Value house = parcels_->Get(i, static_cast<std::size_t>(parcelFields_.House));
        keys[i] = engine::RussianSortKey(house.kind == Value::Kind::Text ? house.text : std::string());
    }
    parcelOrder_.resize(count);
    for (std::size_t i = 0; i < count; ++i) parcelOrder_[i] = static_cast<std::uint32_t>(i);
    std::stable_sort(parcelOrder_.begin(), parcelOrder_.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; });
}

void TableParcelSource::OrderVertices() {
    const std::size_t count = vertices_->RecordCount();
    std::vector<double> ter(count);
    std::vector<double> put(count);
    for (std::size_t i = 0; i < count; ++i) {
        ter[i] = NumberOf(vertices_->Get(i, static_cast<std::size_t>(vertexFields_.Ter)), kNullKey);
        put[i] = NumberOf(vertices_->Get(i, static_cast<std::size_t>(vertexFields_.PutNumber)), kNullKey);
    }
    vertexOrder_.resize(count);
    for (std::size_t i = 0; i < count; ++i) vertexOrder_[i] = static_cast<std::uint32_t>(i);
    std::stable_sort(vertexOrder_.begin(), vertexOrder_.end(), [&](std::uint32_t a, std::uint32_t b) {
        return ter[a] != ter[b] ? ter[a] < ter[b] : put[a] < put[b];
    });
    vertexTer_.resize(count);
    for (std::size_t i = 0; i < count; ++i) vertexTer_[i] = ter[vertexOrder_[i]];
}

bool TableParcelSource::NextParcel(ParcelRow& parcel) {
    if (!parcels_ || nextParcel_ >= parcelOrder_.size()) return false;
    const std::size_t record = parcelOrder_[nextParcel_++];
    parcel.Code = CodeOf(parcels_->Get(record, static_cast<std::size_t>(parcelFields_.Code)));
    const Value house = parcels_->Get(record, static_cast<std::size_t>(parcelFields_.House));
    parcel.House = house.kind == Value::Kind::Text ? house.text : std::string();
    const double code = parcel.Code;
    const auto range = std::equal_range(vertexTer_.begin(), vertexTer_.end(), code);
    vertexAt_ = static_cast<std::size_t>(range.first - vertexTer_.begin());
    vertexEnd_ = static_cast<std::size_t>(range.second - vertexTer_.begin());
    return true;
}

bool TableParcelSource::NextVertex(VertexRow& vertex) {
    if (!vertices_ || vertexAt_ >= vertexEnd_) return false;
    const std::size_t record = vertexOrder_[vertexAt_++];
    auto number = [&](int field) { return NumberOf(vertices_->Get(record, static_cast<std::size_t>(field)), 0.0); };
    vertex.Code = CodeOf(vertices_->Get(record, static_cast<std::size_t>(vertexFields_.Code)));
    vertex.PutNumber = number(vertexFields_.PutNumber);
    vertex.Number = number(vertexFields_.Number);
    vertex.Y = number(vertexFields_.Y);
    vertex.X = number(vertexFields_.X);
    vertex.Z = number(vertexFields_.Z);
    return true;
}

void TableParcelSource::Close() {
    parcels_.reset();
    vertices_.reset();
    vertexOrder_.clear();
    vertexTer_.clear();
    vertexAt_ = vertexEnd_ = 0;
}

}  // namespace ter5::map
