#pragma once
// The search of the search dialog, without its widgets: a text search runs the
// hit list query `QbSelect` over the open base, keeps the codes it lists, shows
// the first hit at once (both grids moved to it, the map centred on its parcel)
// and steps cyclically through the rest; the coordinate search centres the map
// on a typed point.
//
// The hit list is not tied to the base it came from: it stays open until the
// next search, also after the dialog closed and after another base was opened,
// whose data sets its codes are then located in. The codes are read out when
// the query opens and the query is closed at once, so no table of a base stays
// locked by a finished search (reindexing and the companion program need them).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/Query.h"
#include "search/SearchQuery.h"

namespace ter5::search {

class SearchHost;

// One press of "&Найти": the kind chosen and the texts of its field(s).
struct SearchRequest {
    SearchKind kind = SearchKind::OwnerName;
    std::string text;   // entry field of a text search, as typed
    std::string xText;  // field labelled "X =" (Edit5); feeds ViewCenterY, the page-x axis
    std::string yText;  // field labelled "Y =" (Edit6); feeds ViewCenterX, the page-y axis
};

class RecordSearch {
public:
    // The host is not owned and must outlive the search.
    explicit RecordSearch(SearchHost& host);

    // `SpeedButton3Click`: with a base open, closes the hit list; for a text search
    // locates the typed text (untrimmed, case-sensitive) as a prefix in its grid,
    // opens a new hit list and shows its first hit; brings the other grid in step;
    // then centres the view on the current parcel, or for the coordinate search on
    // the typed point, and redraws. Engine errors and map::InvalidNumberError
    // propagate: a failed query leaves the hit list closed, a failed coordinate
    // keeps the one set before it and the map is not redrawn.
    void Search(const SearchRequest& request);

    // `FindNextClick`: with a base open and hits listed, moves the grids to the
    // current hit, prepares the following one (the first after the last) and
    // centres the view on the current parcel.
    void FindNext();

    // True while a hit list is open ("QbSelect is open"): find-next is enabled.
    bool HitListOpen() const { return open_; }
    // The codes listed, in the query's order: owners' or parcels' Code.
    const std::vector<std::int64_t>& HitCodes() const { return hits_; }
    // 1-based number of the hit the next FindNext shows; 0 without hits.
    std::size_t CurrentHit() const { return hits_.empty() ? 0 : current_ + 1; }
    // True when the hit list came from a parcel search (its text has "from subter").
    bool ParcelHits() const { return parcelHits_; }
    // The hit list query as last prepared (database name and lines).
    const engine::Query& QbSelect() const { return qbSelect_; }

private:
    // Step 2.1: the first grid record whose searched field begins with `typed`.
    void LocatePrefix(SearchKind kind, const std::string& typed);
    // Steps 2.2 and 2.3 up to the first hit: runs the query and keeps its codes.
    void OpenHitList(SearchKind kind, const std::string& typed);
    void CloseHitList();
    // Moves the grids to the current hit and advances; false without hits.
    bool ShowCurrentHit();
    // Step 3: the parcel grid follows the owner, or the owner grid the parcel.
    void SyncOtherGrid(bool parcelSearch);
    // Step 4: the view centre from the two coordinate fields, "X =" first.
    void CentreOnCoordinates(const SearchRequest& request);

    SearchHost& host_;
    engine::Query qbSelect_;
    std::vector<std::int64_t> hits_;
    std::size_t current_ = 0;  // index of the hit the next step shows
    bool open_ = false;
    bool parcelHits_ = false;
};

}  // namespace ter5::search
