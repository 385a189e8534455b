#include "base/TDM.h"

#include "base/PathNames.h"
#include "engine/FieldType.h"

namespace ter5::base {

using engine::DeclaredField;
using engine::FieldType;

namespace {

std::vector<std::string> SelectAllSql(const std::string& table, const std::string& order) {
    return {"select *", "from \"" + table + "\"", "order by " + order};
}

std::vector<DeclaredField> ParcelFields() {
    return {{"Code", FieldType::Long},   {"Flag", FieldType::Alpha}, {"Ok", FieldType::Alpha},
            {"House", FieldType::Alpha}, {"Ixp1", FieldType::Number}, {"IdentificationCode", FieldType::Alpha}};
}

}  // namespace

void SetUpParcelQuery(BaseQuery& query) {
    query.SetSql(SelectAllSql("subter.db", "house"));
    query.DeclareFields(ParcelFields());
}

void SetUpVertexTable(BaseTable& table) {
    table.SetTableName("POLIGON.Db");
    table.SetReadOnly(true);
    table.SetIndexFieldNames("Ter;PutNumber");
    table.DeclareFields({{"Code", FieldType::AutoInc},
                         {"Number", FieldType::Number},
                         {"X", FieldType::Number},
                         {"Y", FieldType::Number},
                         {"Z", FieldType::Number},
                         {"PutNumber", FieldType::Number},
                         {"Ter", FieldType::Number}});
}

TDM::TDM() {
    SetUpBaseDataSets();
}

void TDM::SetUpBaseDataSets() {
    Tbter.SetSql(SelectAllSql("ter.db", "family"));
    Tbter.DeclareFields({{"Code", FieldType::Long},
                         {"Family", FieldType::Alpha},
                         {"Poligon", FieldType::Number},
                         {"Flag", FieldType::Alpha},
                         {"Adr_House", FieldType::Alpha}});
    SetUpParcelQuery(TbSubter);
    SetUpParcelQuery(TsSubter);
    SetUpVertexTable(TbPoligon);
    TbPoligon.SetMasterSource(&TsSubter);
    TbPoligon.SetMasterFields("Code");
}

BaseOpening TDM::OpenBaseDirectory(const std::string& dir, bool openTables, const OpenedHandler& opened,
                                   GeometryLoading loading) {
    const bool changed = dir != TbSubter.DatabaseName();
    const bool isBase = IsBaseDirectory(dir);
    BaseOpening result = BaseOpening::Unchanged;
    if ((changed || !TbSubter.Active()) && isBase && openTables) {
        CloseBaseDataSets();
        TbSubter.SetDatabaseName(dir);
        TsSubter.SetDatabaseName(dir);
        Tbter.SetDatabaseName(dir);
        TbPoligon.SetDatabaseName(dir);
        if (loading == GeometryLoading::Background) {
            // The vertex table opens while the parcel query does; the map comes before
            // the owner table, so that its load has every core to itself.
            geometry_ = std::make_unique<GeometryLoad>(dir, geometryFinished_, geometryStarted_);
            try {
                TbSubter.Open();
                geometry_->SetParcels(ReadParcelKeys(TbSubter));
            } catch (...) {
                geometry_.reset();
                throw;
            }
            try {
                if (opened) opened(changed);
            } catch (...) {
                // A map that could not be read still leaves the owners to browse.
                try {
                    Tbter.Open();
                } catch (...) {
                    // The map's error is the one reported.
                }
                throw;
            }
            Tbter.Open();
            return BaseOpening::Opened;
        } else {
            TbSubter.Open();
            TsSubter.Open();
            Tbter.Open();
            TbPoligon.Open();
        }
        result = BaseOpening::Opened;
        if (opened) opened(changed);
    }
    if (!isBase || !openTables) {
        CloseBaseDataSets();
        result = BaseOpening::Closed;
    }
    return result;
}

void TDM::CloseBaseDataSets() {
    geometry_.reset();
    TbSubter.Close();
    TsSubter.Close();
    Tbter.Close();
    TbPoligon.Close();
    Table1.Close();
}

double TDM::CurrentParcelCode() const {
    if (!TbSubter.Active() || TbSubter.IsEmpty()) return 0.0;
    return static_cast<double>(TbSubter.AsInteger("Code"));
}

double TDM::CurrentOwnerParcel() const {
    if (!Tbter.Active() || Tbter.IsEmpty()) return 0.0;
    return Tbter.AsFloat("Poligon");
}

bool TDM::SyncGrids(int grid) {
    const double code = CurrentParcelCode();
    const double poligon = CurrentOwnerParcel();
    if (code == poligon) return false;
    engine::LocateOptions options;
    options.caseInsensitive = true;
    if (grid == 1) {
        if (!TbSubter.Active()) return false;
        return TbSubter.Locate("Code", engine::Value::Float(poligon), options);
    }
    if (grid == 4) {
        if (!Tbter.Active()) return false;
        return Tbter.Locate("Poligon", engine::Value::Int(static_cast<std::int64_t>(code)), options);
    }
    return false;
}

}  // namespace ter5::base
