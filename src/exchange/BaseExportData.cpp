#include "exchange/BaseExportData.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "base/DemoBase.h"
#include "engine/Collation.h"
#include "engine/FileUtil.h"
#include "engine/TableFile.h"
#include "exchange/ExportOptions.h"
#include "map/TableParcelSource.h"

namespace ter5::exchange {

namespace {

using engine::TableFile;
using engine::Value;

// Text between the owner names of one parcel.
constexpr const char* kOwnerSeparator = "; ";

// The geometry source of the map, also keeping each vertex's Z, which the model drops:
// the loader appends the vertices to its store in the order they are read.
class ZKeepingSource : public map::ParcelSource {
public:
    ZKeepingSource(map::ParcelSource& inner, std::vector<double>& z) : inner_(inner), z_(z) {
        z_.reserve(inner.VertexCountHint());
    }
    std::size_t ParcelCount() const override { return inner_.ParcelCount(); }
    bool NextParcel(map::ParcelRow& parcel) override { return inner_.NextParcel(parcel); }
    bool NextVertex(map::VertexRow& vertex) override {
        if (!inner_.NextVertex(vertex)) return false;
        z_.push_back(vertex.Z);
        return true;
    }
    std::size_t VertexCountHint() const override { return inner_.VertexCountHint(); }
    void Close() override { inner_.Close(); }

private:
    map::ParcelSource& inner_;
    std::vector<double>& z_;
};

std::string TextOf(const Value& value) { return value.kind == Value::Kind::Text ? value.text : std::string(); }

std::optional<double> NumberOf(const Value& value) {
    if (value.kind == Value::Kind::Float) return value.number;
    if (value.kind == Value::Kind::Int) return static_cast<double>(value.integer);
    return std::nullopt;
}

// A parcel Code read from a number field: a whole number within the range of Code.
std::optional<std::int64_t> CodeOf(const Value& value) {
    const std::optional<double> number = NumberOf(value);
    if (!number || *number != std::floor(*number) || std::fabs(*number) > 2147483647.0) return std::nullopt;
    return static_cast<std::int64_t>(*number);
}

// The file of table `name` in `dir`, or ExportError naming the directory.
std::filesystem::path BaseTablePath(const std::filesystem::path& dir, const char* name) {
    const auto path = engine::FindFileNoCase(dir, name);
    if (!path) FailExport(dir.string(), "not a base: " + std::string(name) + " is missing");
    return *path;
}

// The model, Z and parcel attributes cut down to the one parcel with Code `code`.
void KeepOnlyParcel(BaseExportData& data, std::int32_t code) {
    BaseExportData one;
    for (std::size_t i = 0; i < data.Objects.Polys.size(); ++i) {
        const map::TArrPoly& poly = data.Objects.Polys[i];
        if (poly.Code != code) continue;
        map::TArrPoly copy = poly;
        copy.FirstPoint = one.Objects.PointStore.size();
        const auto points = data.Objects.Points(poly);
        one.Objects.PointStore.insert(one.Objects.PointStore.end(), points.begin(), points.end());
        one.VertexZ.insert(one.VertexZ.end(), data.VertexZ.begin() + static_cast<std::ptrdiff_t>(poly.FirstPoint),
                           data.VertexZ.begin() + static_cast<std::ptrdiff_t>(poly.FirstPoint + poly.PointCount));
        one.Objects.Polys.push_back(std::move(copy));
        one.Parcels.push_back(data.Parcels[i]);
    }
    data.Objects = std::move(one.Objects);
    data.VertexZ = std::move(one.VertexZ);
    data.Parcels = std::move(one.Parcels);
}

}  // namespace

BaseExportData ReadBaseForExport(const std::filesystem::path& dir, std::optional<std::int32_t> currentOnly,
                                 const map::ProgressFn& progress, int codePage) {
    BaseExportData data;
    const std::filesystem::path ownerPath = BaseTablePath(dir, base::kOwnerTableFile);
    const std::filesystem::path parcelPath = BaseTablePath(dir, base::kParcelTableFile);
    BaseTablePath(dir, base::kVertexTableFile);  // its absence named like the others'
    data.OwnerTable = TableFile::Load(ownerPath, codePage);
    const auto parcels = TableFile::Load(parcelPath, codePage);

    map::TableParcelSource tables(dir, codePage);
    const std::size_t vertexRows = tables.VertexCountHint();
    ZKeepingSource source(tables, data.VertexZ);
    map::LoadMapObjects(data.Objects, source, true, progress);
    data.LooseVertices = vertexRows - std::min(vertexRows, data.Objects.PointStore.size());

    // Parcel attributes by Code; a base without a field gives empty values.
    const std::size_t codeField = static_cast<std::size_t>(parcels->RequireField("Code"));
    const int cadastralField = parcels->FieldIndex("IdentificationCode");
    const int areaField = parcels->FieldIndex("Ixp1");
    std::unordered_map<std::int64_t, std::size_t> polyOfCode;
    for (std::size_t i = 0; i < data.Objects.Polys.size(); ++i) polyOfCode.emplace(data.Objects.Polys[i].Code, i);
    data.Parcels.resize(data.Objects.Polys.size());
    bool currentFound = false;
    for (std::size_t r = 0; r < parcels->RecordCount(); ++r) {
        const std::optional<std::int64_t> code = CodeOf(parcels->Get(r, codeField));
        if (!code) continue;
        currentFound = currentFound || (currentOnly && *code == *currentOnly);
        const auto it = polyOfCode.find(*code);
        if (it == polyOfCode.end()) continue;
        ParcelAttributes& attributes = data.Parcels[it->second];
        if (cadastralField >= 0) attributes.IdentificationCode = TextOf(parcels->Get(r, static_cast<std::size_t>(cadastralField)));
        if (areaField >= 0) attributes.Ixp1 = NumberOf(parcels->Get(r, static_cast<std::size_t>(areaField)));
    }
    if (currentOnly && !currentFound)
        FailExport((dir / base::kParcelTableFile).string(), "no parcel with Code " + std::to_string(*currentOnly));

    // Owners in the order of "order by family"; each parcel lists its owners' names.
    const std::size_t familyField = static_cast<std::size_t>(data.OwnerTable->RequireField("Family"));
    const std::size_t poligonField = static_cast<std::size_t>(data.OwnerTable->RequireField("Poligon"));
    const std::size_t owners = data.OwnerTable->RecordCount();
    std::vector<std::u32string> keys(owners);
    std::vector<std::string> names(owners);
    for (std::size_t r = 0; r < owners; ++r) {
        names[r] = TextOf(data.OwnerTable->Get(r, familyField));
        keys[r] = engine::RussianSortKey(names[r]);
    }
    std::vector<std::size_t> order(owners);
    for (std::size_t r = 0; r < owners; ++r) order[r] = r;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    for (const std::size_t r : order) {
        const std::optional<std::int64_t> parcel = CodeOf(data.OwnerTable->Get(r, poligonField));
        const bool ofCurrent = currentOnly && parcel && *parcel == *currentOnly;
        if (!currentOnly || ofCurrent) data.OwnerRecords.push_back(r);
        if (!parcel || names[r].empty()) continue;
        const auto it = polyOfCode.find(*parcel);
        if (it == polyOfCode.end()) continue;
        std::string& list = data.Parcels[it->second].Owners;
        if (!list.empty()) list += kOwnerSeparator;
        list += names[r];
    }

    if (currentOnly) KeepOnlyParcel(data, *currentOnly);
    return data;
}

}  // namespace ter5::exchange
