#include "search/SeekDialogSteps.h"

#include <iterator>

namespace ter5::search {

namespace {

// The field of Edit5 ("X =") and of Edit6 ("Y =").
constexpr std::size_t kXField = 4;
constexpr std::size_t kYField = 5;
// RadioButton5, the coordinate search.
constexpr std::size_t kCoordinateRadio = 4;

static_assert(std::size(kTextSearchKinds) == kCoordinateRadio, "one radio button per text search, then coordinates");

}  // namespace

std::size_t SeekRadioOfField(std::size_t field) {
    return field < kCoordinateRadio ? field : kCoordinateRadio;
}

SearchRequest SeekRequest(std::size_t radio, const SeekFieldTexts& fields) {
    SearchRequest request;
    if (radio < kCoordinateRadio) {
        request.kind = kTextSearchKinds[radio];
        request.text = fields[radio];
        return request;
    }
    request.kind = SearchKind::Coordinates;
    request.xText = fields[kXField];
    request.yText = fields[kYField];
    return request;
}

SeekDialogSteps::SeekDialogSteps(SearchHost& host) : search_(host) {}

void SeekDialogSteps::Find(const SearchRequest& request) {
    status_.clear();
    search_.Search(request);
    // A text search without hits says so; the grids and the map stay where they were.
    if (search_.HitListOpen() && search_.HitCodes().empty()) status_ = kSeekNothingFound;
}

}  // namespace ter5::search
