#pragma once
// Small bases for the search tests and the search wired to a real data module,
// view state and map model, counting the map redraws.

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
    double parcel;  // Poligon: the Code of the owner's parcel
    std::string address;
};

struct ParcelRecord {
    std::int32_t code;
    std::string house;
    std::string cadastral;
};

// Side of the square outline every parcel gets, metres.
inline constexpr double kParcelSide = 10.0;

// The world point a parcel's square is centred on: parcels stand in a row along Y.
map::WorldPoint ParcelCentre(std::int32_t code);

// Writes ter.db, subter.db and POLIGON.DB into `dir`, each parcel a square.
void WriteBase(const std::filesystem::path& dir, const std::vector<OwnerRecord>& owners,
               const std::vector<ParcelRecord>& parcels);

// The district most tests search: names with and without "ова", two owners on
// parcel 20, a parcel without owners, a name holding double quotes.
std::vector<OwnerRecord> DistrictOwners();
std::vector<ParcelRecord> DistrictParcels();

// A directory under the temporary directory named after the running test,
// removed when the object dies.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The data module, the view and the map model behind a DataModuleSearchHost.
class SearchWorld {
public:
    SearchWorld();
    // Opens the base in `dir` as selecting it in the tree does, loading its map.
    void OpenBase(const std::filesystem::path& dir);

    std::int64_t OwnerCode() { return dm.Tbter.AsInteger("Code"); }
    std::string OwnerName() { return dm.Tbter.AsString("Family"); }
    std::int64_t ParcelCode() { return dm.TbSubter.AsInteger("Code"); }
    map::WorldPoint ViewCentre() const { return {view.ViewCenterY, view.ViewCenterX}; }

    base::TDM dm;
    map::Viewport view;
    map::TArrObjects objects;
    int draws = 0;
    DataModuleSearchHost host;
};

}  // namespace ter5::search::testing
