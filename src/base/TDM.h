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
// Template tables (opened at start-up from the start-up directory):
//   TNameBase NameBase.DB by Name; TBases Bases.DB, detail of TNameBase;
//   TField Field.DB and TIndex Index.db, details of TBases.
// Work table Table1: re-pointed by reindexing, creation and import.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "base/BaseQuery.h"
#include "engine/Table.h"

namespace ter5::base {

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

    // `DataModuleCreate`: opens TNameBase, TBases, TIndex and TField, in this order,
    // from `directory` (the start-up directory). Stops at the first table that
    // fails and returns the engine's message; the tables after it stay closed.
    std::optional<std::string> DataModuleCreate(const std::string& directory);

    // `OpenBaseDirectory`: opens the base in `dir` unless it is open already; closes
    // the open base when `dir` is no base or `openTables` (tool button tbOpenTable)
    // is off. Engine errors while opening propagate; the data sets opened before
    // the failing one stay open and `opened` is not called.
    BaseOpening OpenBaseDirectory(const std::string& dir, bool openTables, const OpenedHandler& opened = {});

    // `CloseBaseDataSets`: closes TbSubter, TsSubter, Tbter, TbPoligon and Table1.
    void CloseBaseDataSets();

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
    // Numbering of new field rows: the highest Number of the current table template.
    std::int64_t LastFieldNumber = 0;

    engine::Table Table1;

private:
    void SetUpBaseDataSets();
    void SetUpTemplateTables();
};

}  // namespace ter5::base
