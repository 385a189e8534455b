#include "search/RecordSearch.h"

#include "engine/DataSet.h"
#include "engine/Value.h"
#include "map/Viewport.h"
#include "search/ParseCoordinate.h"
#include "search/SearchHost.h"

namespace ter5::search {

namespace {

using engine::DataSet;
using engine::LocateOptions;
using engine::Value;

// Every locate that follows a link or a hit ignores letter case.
constexpr LocateOptions kLinkLocate{.caseInsensitive = true, .partialKey = false};
// The prefix locate of the typed text: partial key only, so letter case counts.
constexpr LocateOptions kPrefixLocate{.caseInsensitive = false, .partialKey = true};

// Locate in a data set that may be closed (then nothing moves).
bool LocateIn(DataSet& dataSet, std::string_view field, const Value& value, LocateOptions options) {
    if (!dataSet.Active()) return false;
    return dataSet.Locate(field, value, options);
}

bool HasCurrentRow(const DataSet& dataSet) {
    return dataSet.Active() && !dataSet.IsEmpty();
}

// The parcel grid to the current owner's parcel.
void LocateOwnersParcel(DataSet& owners, DataSet& parcels) {
    if (!HasCurrentRow(owners)) return;
    LocateIn(parcels, "Code", Value::Float(owners.AsFloat("Poligon")), kLinkLocate);
}

}  // namespace

RecordSearch::RecordSearch(SearchHost& host) : host_(host) {}

void RecordSearch::Search(const SearchRequest& request) {
    if (!host_.BaseOpen()) return;
    CloseHitList();
    if (IsTextSearch(request.kind)) {
        LocatePrefix(request.kind, request.text);
        OpenHitList(request.kind, request.text);
        // The first hit; its view change comes with the one below.
        ShowCurrentHit();
    }
    SyncOtherGrid(IsParcelSearch(request.kind));
    if (request.kind == SearchKind::Coordinates) {
        CentreOnCoordinates(request);
        host_.DrawMap();
    } else {
        host_.CentreOnCurrentParcel();
    }
}

void RecordSearch::FindNext() {
    if (!host_.BaseOpen()) return;
    if (!ShowCurrentHit()) return;
    host_.CentreOnCurrentParcel();
}

void RecordSearch::LocatePrefix(SearchKind kind, const std::string& typed) {
    DataSet& grid = IsParcelSearch(kind) ? static_cast<DataSet&>(host_.Parcels()) : host_.Owners();
    LocateIn(grid, LocateField(kind), Value::Text(typed), kPrefixLocate);
}

void RecordSearch::OpenHitList(SearchKind kind, const std::string& typed) {
    PrepareHitQuery(qbSelect_, host_.Parcels().DatabaseName(), kind, typed);
    qbSelect_.Open();
    std::vector<std::int64_t> codes;
    try {
        codes.reserve(qbSelect_.RecordCount());
        const int codeField = qbSelect_.RequireField("Code");
        for (qbSelect_.First(); !qbSelect_.Eof(); qbSelect_.Next()) codes.push_back(qbSelect_.AsInteger(codeField));
    } catch (...) {
        qbSelect_.Close();
        throw;
    }
    qbSelect_.Close();
    hits_ = std::move(codes);
    current_ = 0;
    parcelHits_ = IsParcelQueryText(qbSelect_.SqlText());
    open_ = true;
}

void RecordSearch::CloseHitList() {
    qbSelect_.Close();
    open_ = false;
    hits_.clear();
    current_ = 0;
    parcelHits_ = false;
}

bool RecordSearch::ShowCurrentHit() {
    if (!open_ || hits_.empty()) return false;
    const Value code = Value::Int(hits_[current_]);
    DataSet& owners = host_.Owners();
    DataSet& parcels = host_.Parcels();
    if (!parcelHits_) {
        LocateIn(owners, "Code", code, kLinkLocate);
        LocateOwnersParcel(owners, parcels);
    } else {
        LocateIn(parcels, "Code", code, kLinkLocate);
        LocateIn(owners, "Poligon", code, kLinkLocate);
    }
    current_ = current_ + 1 < hits_.size() ? current_ + 1 : 0;
    return true;
}

void RecordSearch::SyncOtherGrid(bool parcelSearch) {
    DataSet& owners = host_.Owners();
    DataSet& parcels = host_.Parcels();
    if (!parcelSearch) {
        LocateOwnersParcel(owners, parcels);
    } else if (HasCurrentRow(parcels)) {
        LocateIn(owners, "Poligon", Value::Int(parcels.AsInteger("Code")), kLinkLocate);
    }
}

void RecordSearch::CentreOnCoordinates(const SearchRequest& request) {
    map::Viewport& view = host_.View();
    view.ViewCenterY = ParseCoordinate(request.xText, view.ViewCenterY);
    view.ViewCenterX = ParseCoordinate(request.yText, view.ViewCenterX);
}

}  // namespace ter5::search
