#pragma once
// The search dialog without its widgets: its texts, which radio button a field checks,
// the request the checked radio button and the fields make, and what the dialog shows
// after each of its commands (find-next enabled, the status strip). Every front end of
// the dialog calls this, so the dialogs of both toolkits behave alike.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "search/RecordSearch.h"

namespace ter5::search {

class SearchHost;

// The dialog's caption.
inline constexpr char kSeekCaption[] = "Поиск по фамилии и адресу";
// Client area of the dialog, pixels.
inline constexpr int kSeekClientWidth = 434;
inline constexpr int kSeekClientHeight = 263;

// The radio buttons RadioButton1..RadioButton5, one per SearchKind in declaration order.
inline constexpr std::size_t kSeekRadioCount = 5;
inline constexpr std::array<const char*, kSeekRadioCount> kSeekRadioCaptions = {
    "Ф.И.О.", "Адрес владельца", "Адрес участка", "Кадастровому №", "Координаты"};
// The entry fields Edit1..Edit6: one per text search, then "X =" and "Y =".
inline constexpr std::size_t kSeekFieldCount = 6;
inline constexpr char kSeekXLabel[] = "X =";
inline constexpr char kSeekYLabel[] = "Y =";
// The button strip: SpeedButton3, FindNext, SpeedButton2 ("&" marks the access key).
inline constexpr char kSeekFindCaption[] = "&Найти";
inline constexpr char kSeekFindNextCaption[] = "&Найти далее";
inline constexpr char kSeekCancelCaption[] = "&Отменить";
// The status strip after a text search without hits.
inline constexpr char kSeekNothingFound[] = "Ничего не найдено";

// The texts of Edit1..Edit6, in that order.
using SeekFieldTexts = std::array<std::string, kSeekFieldCount>;

// The radio button (0-based) that field `field` (0-based) checks when it receives the
// focus: each text field its own, both coordinate fields the last.
std::size_t SeekRadioOfField(std::size_t field);

// The search a press of "&Найти" makes with radio button `radio` (0-based) checked:
// a text search takes its own field, the coordinate search the last two.
SearchRequest SeekRequest(std::size_t radio, const SeekFieldTexts& fields);

// The dialog's search and what the dialog shows of it. The dialog is created on first
// use and kept for the run, and so is this, with the hit list of the last search.
class SeekDialogSteps {
public:
    // The host is not owned and must outlive this.
    explicit SeekDialogSteps(SearchHost& host);

    RecordSearch& Search() { return search_; }
    const RecordSearch& Search() const { return search_; }

    // "&Найти": the search of `request`. The status strip is cleared first and says
    // kSeekNothingFound after a text search without hits. Engine errors and
    // map::InvalidNumberError propagate; FindNextEnabled() and StatusText() still tell
    // what the dialog shows then.
    void Find(const SearchRequest& request);
    // "&Найти далее" in the dialog and "Продолжение поиска" with it closed: the next hit.
    void FindNext() { search_.FindNext(); }

    // Find-next is enabled exactly while a hit list is open (on activation, after a
    // search, and before "Продолжение поиска").
    bool FindNextEnabled() const { return search_.HitListOpen(); }
    // The status strip's text; empty when it shows nothing.
    const std::string& StatusText() const { return status_; }

private:
    RecordSearch search_;
    std::string status_;
};

}  // namespace ter5::search
