#include "base/BaseParcelSource.h"

#include "base/TDM.h"

namespace ter5::base {

BaseParcelSource::BaseParcelSource(TDM& dm) : dm_(dm) {}

std::size_t BaseParcelSource::ParcelCount() const {
    return dm_.TsSubter.Active() ? dm_.TsSubter.RecordCount() : 0;
}

bool BaseParcelSource::NextParcel(map::ParcelRow& parcel) {
    auto& parcels = dm_.TsSubter;
    if (!parcels.Active()) return false;
    if (!started_) {
        fieldCode_ = parcels.RequireField("Code");
        fieldHouse_ = parcels.RequireField("House");
        parcels.First();
        started_ = true;
    } else {
        parcels.Next();
    }
    if (parcels.Eof()) return false;
    parcel.Code = static_cast<std::int32_t>(parcels.AsInteger(fieldCode_));
    parcel.House = parcels.AsString(fieldHouse_);
    vertexStarted_ = false;
    return true;
}

bool BaseParcelSource::NextVertex(map::VertexRow& vertex) {
    auto& vertices = dm_.TbPoligon;
    if (!vertices.Active()) return false;
    if (fieldVertexCode_ < 0) {
        fieldVertexCode_ = vertices.RequireField("Code");
        fieldPut_ = vertices.RequireField("PutNumber");
        fieldNumber_ = vertices.RequireField("Number");
        fieldX_ = vertices.RequireField("X");
        fieldY_ = vertices.RequireField("Y");
        fieldZ_ = vertices.RequireField("Z");
    }
    if (!vertexStarted_) {
        vertices.First();
        vertexStarted_ = true;
    } else {
        vertices.Next();
    }
    if (vertices.Eof()) return false;
    vertex.Code = static_cast<std::int32_t>(vertices.AsInteger(fieldVertexCode_));
    vertex.PutNumber = vertices.AsFloat(fieldPut_);
    vertex.Number = vertices.AsFloat(fieldNumber_);
    vertex.X = vertices.AsFloat(fieldX_);
    vertex.Y = vertices.AsFloat(fieldY_);
    vertex.Z = vertices.AsFloat(fieldZ_);
    return true;
}

void BaseParcelSource::Close() {
    dm_.TsSubter.Close();
    dm_.TbPoligon.Close();
}

}  // namespace ter5::base
