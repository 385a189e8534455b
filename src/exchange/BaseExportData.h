#pragma once
// Everything an export writes, read from a base directory at once: the parcel geometry as
// the map model builds it (parcels in the order of "order by house", each with its vertex
// rows in PutNumber order), each vertex's Z, the parcels' other attributes and the owner
// table. The tables are read from their files; nothing is written to the base.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "map/MapLoader.h"
#include "map/MapObjects.h"

namespace ter5::engine {
class TableFile;
}

namespace ter5::exchange {

// What a parcel carries besides its geometry.
struct ParcelAttributes {
    std::string IdentificationCode;  // cadastral number; empty when NULL
    std::optional<double> Ixp1;      // the area the companion program stored, m^2
    std::string Owners;              // Family of every owner of the parcel, by name, "; " between
};

struct BaseExportData {
    map::TArrObjects Objects;               // the map model
    std::vector<double> VertexZ;            // Z of Objects.PointStore[i], m
    std::vector<ParcelAttributes> Parcels;  // of Objects.Polys[i]
    std::shared_ptr<engine::TableFile> OwnerTable;  // ter.db
    std::vector<std::size_t> OwnerRecords;  // the records of OwnerTable to export, by Family
    std::size_t LooseVertices = 0;          // vertex rows whose Ter is no parcel's Code
};

// Reads the base in `dir`, reporting the geometry load's progress, its text in
// `codePage` (0: each table's default text page). With `currentOnly` only that parcel,
// its vertices and its owners are kept. Throws ExportError when `dir` lacks one of
// ter.db, subter.db and poligon.db or holds no parcel with Code currentOnly;
// engine::EngineError when a table or a field read is damaged or missing.
BaseExportData ReadBaseForExport(const std::filesystem::path& dir, std::optional<std::int32_t> currentOnly,
                                 const map::ProgressFn& progress = {}, int codePage = 0);

}  // namespace ter5::exchange
