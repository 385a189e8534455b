#pragma once
// Small bases for the search tests, and the search host over a real data module,
// view and map model that counts the redraws.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/TDM.h"
#include "map/MapObjects.h"
#include "map/Viewport.h"
#include "search/SearchHost.h"

namespace ter5::search::testing {

struct OwnerRecord {
    std::int32_t code;
    std::string family;
    double parcel;  // Poligon
    std::string address;
};

struct ParcelRecord {
    std::int32_t code;
    std::string house;
    std::string cadastral;
};

// The centre of parcel `code`'s square outline: the squares stand in a row along Y.
map::WorldPoint ParcelCentre(std::int32_t code);

// Writes the three tables of a base into `dir`, every parcel a square.
void WriteBase(const std::filesystem::path& dir, const std::vector<OwnerRecord>& owners,
               const std::vector<ParcelRecord>& parcels);

// Names with and without "ова" in any case, two owners on parcel 20, parcel 70
// without owners, a name holding double quotes.
std::vector<OwnerRecord> DistrictOwners();
std::vector<ParcelRecord> DistrictParcels();

// A fresh directory named after the running test, removed at the end.
struct TempDir {
    TempDir();
    ~TempDir();
    std::filesystem::path path;
};

struct SearchWorld {
    SearchWorld() : host(dm, view, objects, [this] { ++draws; }) {}
    // Opens the base in `dir` as selecting it in the tree does, loading its map.
    void OpenBase(const std::filesystem::path& dir);
    std::int64_t OwnerCode() { return dm.Tbter.AsInteger("Code"); }
    std::int64_t ParcelCode() { return dm.TbSubter.AsInteger("Code"); }

    base::TDM dm;
    map::Viewport view;
    map::TArrObjects objects;
    int draws = 0;
    DataModuleSearchHost host;
};

}  // namespace ter5::search::testing
