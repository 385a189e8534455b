#pragma once
// The data module: every table and query of the program, held for the whole run.
//
// Base data sets (closed while no base is open):
//   Tbter     query "select * / from "ter.db" / order by family"     owner grid
//   TbSubter  query "select * / from "subter.db" / order by house"   parcel grid
//   TsSubter  the same query, a second cursor over the parcels: master of
//             TbPoligon for the geometry load, so loading never moves the grid
//   TbPoligon table POLIGON.Db in Ter;PutNumber order, read-only, detail of
//             TsSubter on Code
// Template tables TNameBase, TBases, TField, TIndex and the work table Table1:
// held here for the whole run; the template store (templates/TemplateStore.h)
// configures and opens them at start-up from the start-up directory.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/BaseQuery.h"
#include "base/GeometryLoad.h"
#include "engine/Table.h"

namespace ter5::base {

// Sets up a query over the parcels as TbSubter and TsSubter are: the text, the
// order by house and the declared fields.
void SetUpParcelQuery(BaseQuery& query);
// Sets up a table over the vertices as TbPoligon is, without its master: the file,
// read-only, in Ter;PutNumber order, the declared fields.
void SetUpVertexTable(BaseTable& table);

// How OpenBaseDirectory gets the geometry of the base it opens.
enum class GeometryLoading {
    DataSets,    // TsSubter and TbPoligon are opened for the caller's load
    Background,  // a GeometryLoad reads it beside the window; TsSubter and TbPoligon stay closed
};

// What OpenBaseDirectory did.
enum class BaseOpening {
    Opened,     // the base data sets were (re)opened on the directory
    Unchanged,  // the directory's base was open already
    Closed,     // the directory is no base, or opening tables is switched off
};

class TDM {
public:
    // Called after the base data sets opened, with whether the directory differs
    // from the one opened before: loads the geometry and draws the map.
    using OpenedHandler = std::function<void(bool changed)>;

    TDM();
    TDM(const TDM&) = delete;
    TDM& operator=(const TDM&) = delete;

    // `OpenBaseDirectory`: opens the base in `dir` unless it is open already; closes
    // the open base when `dir` is no base or `openTables` (tool button tbOpenTable)
    // is off. Engine errors while opening propagate; the data sets opened before
    // the failing one stay open and `opened` is not called.
    // With GeometryLoading::Background the data sets opened are TbSubter and Tbter: the
    // geometry load (TakeGeometry()) starts with TbSubter, `opened` is called once
    // TbSubter is open and Tbter opens after it returns (the map is drawn while nothing
    // else contends with the load); an error opening TbSubter cancels the load, one
    // opening Tbter comes after the map, and Tbter opens also when `opened` fails.
    BaseOpening OpenBaseDirectory(const std::string& dir, bool openTables, const OpenedHandler& opened = {},
                                  GeometryLoading loading = GeometryLoading::DataSets);

    // `CloseBaseDataSets`: cancels a geometry load, then closes TbSubter, TsSubter,
    // Tbter, TbPoligon and Table1.
    void CloseBaseDataSets();

    // The geometry load of the base last opened in the background; null when none
    // was started since, or when it was taken.
    GeometryLoad* Geometry() const { return geometry_.get(); }
    std::unique_ptr<GeometryLoad> TakeGeometry() { return std::move(geometry_); }
    // Called on the loading thread when a background load ends, and before it reads
    // (set before opening).
    void SetGeometryFinishedHandler(GeometryLoad::FinishedHandler handler) { geometryFinished_ = std::move(handler); }
    void SetGeometryStartHandler(GeometryLoad::StartHandler handler) { geometryStarted_ = std::move(handler); }

    // True while the owner and parcel queries are open.
    bool BaseOpen() const { return TbSubter.Active(); }
    // The directory of the open (or last opened) base.
    const std::string& BaseDirectory() const { return TbSubter.DatabaseName(); }

    // `SyncGrids` without the focus change: grid 1 (owners) moves the parcels to
    // the owner's parcel, grid 4 (parcels) moves the owners to the parcel's first
    // owner by name. Returns true when a locate moved a data set.
    bool SyncGrids(int grid);

    // The current parcel's Code and the current owner's Poligon; 0 while closed.
    double CurrentParcelCode() const;
    double CurrentOwnerParcel() const;

    BaseQuery Tbter;
    BaseQuery TbSubter;
    BaseQuery TsSubter;
    BaseTable TbPoligon;

    BaseTable TNameBase;
    BaseTable TBases;
    BaseTable TField;
    BaseTable TIndex;
    engine::Table Table1;

private:
    void SetUpBaseDataSets();

    std::unique_ptr<GeometryLoad> geometry_;
    GeometryLoad::FinishedHandler geometryFinished_;
    GeometryLoad::StartHandler geometryStarted_;
};

}  // namespace ter5::base
