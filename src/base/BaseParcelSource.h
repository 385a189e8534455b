#pragma once
// The parcel source of the geometry load over the data module: the parcels of
// TsSubter in their order and, for each, the vertices TbPoligon shows as its
// detail, in Ter;PutNumber order. Closing releases both data sets, so after a
// complete load only the grids' queries stay open.

#include <cstddef>

#include "map/MapLoader.h"

namespace ter5::base {

class TDM;

class BaseParcelSource : public map::ParcelSource {
public:
    explicit BaseParcelSource(TDM& dm);

    std::size_t ParcelCount() const override;
    bool NextParcel(map::ParcelRow& parcel) override;
    bool NextVertex(map::VertexRow& vertex) override;
    void Close() override;

private:
    TDM& dm_;
    bool started_ = false;
    bool vertexStarted_ = false;
    int fieldCode_ = -1, fieldHouse_ = -1;
    int fieldVertexCode_ = -1, fieldPut_ = -1, fieldNumber_ = -1, fieldX_ = -1, fieldY_ = -1, fieldZ_ = -1;
};

}  // namespace ter5::base
