#pragma once
// The parcels and vertices of a base read straight from its tables: the rows of subter.db
// in the order of "order by house" (Russian dictionary order of House, ties in record
// order) and, for each parcel, the rows of POLIGON.DB whose Ter equals its Code, in
// PutNumber order (the order of the Ter;PutNumber index).

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "map/MapLoader.h"

namespace ter5::engine {
class TableFile;
}

namespace ter5::map {

class TableParcelSource : public ParcelSource {
public:
    // Reads subter.db and poligon.db of base directory `baseDirectory` (names matched
    // ignoring case). Throws engine::EngineError when a table or one of the fields read
    // (Code, House; Code, Number, X, Y, Z, PutNumber, Ter) is missing or unreadable.
    // Text is read in `codePage` (0: each table's default text page).
    explicit TableParcelSource(const std::filesystem::path& baseDirectory, int codePage = 0);
    ~TableParcelSource() override;

    std::size_t ParcelCount() const override { return parcelOrder_.size(); }
    bool NextParcel(ParcelRow& parcel) override;
    bool NextVertex(VertexRow& vertex) override;
    std::size_t VertexCountHint() const override { return vertexOrder_.size(); }
    void Close() override;

private:
    // Positions of the parcel fields and of the vertex fields in their tables.
    struct ParcelFields {
        int Code = -1;
        int House = -1;
    };
    struct VertexFields {
        int Code = -1;
        int Number = -1;
        int X = -1;
        int Y = -1;
        int Z = -1;
        int PutNumber = -1;
        int Ter = -1;
    };

    void OrderParcels();
    void OrderVertices();

    std::shared_ptr<engine::TableFile> parcels_;
    std::shared_ptr<engine::TableFile> vertices_;
    ParcelFields parcelFields_;
    VertexFields vertexFields_;
    std::vector<std::uint32_t> parcelOrder_;  // parcel records in House order
    std::vector<std::uint32_t> vertexOrder_;  // vertex records in (Ter, PutNumber) order
    std::vector<double> vertexTer_;           // Ter of vertexOrder_[i]; -inf for NULL
    std::size_t nextParcel_ = 0;
    std::size_t vertexAt_ = 0;   // next vertex of the current parcel, in vertexOrder_
    std::size_t vertexEnd_ = 0;  // one past its last vertex
};

}  // namespace ter5::map
