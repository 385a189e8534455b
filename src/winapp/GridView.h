#pragma once
// A grid of the data module as a virtual Win32 list view (LVS_OWNERDATA): the list
// asks for the texts of the rows it shows, so 60,000 owners open at once. What each
// cell shows is GridRows'; the view follows its data set (opening, closing, re-reading,
// cursor moves) and moves the data set's cursor when the user moves in the list.

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>

#include "base/GridRows.h"
#include "engine/DataSet.h"

namespace ter5::winapp {

class GridView : private engine::DataSetObserver {
public:
    // A list view child of `parent` with control id `id` over `dataSet` in `columns`.
    // `moved` is called after the user moved the data set's cursor.
    GridView(HWND parent, int id, base::BaseQuery& dataSet, std::vector<base::GridColumn> columns,
             std::function<void()> moved);
    ~GridView() override;
    GridView(const GridView&) = delete;
    GridView& operator=(const GridView&) = delete;

    HWND Handle() const { return hwnd_; }
    const base::GridRows& Rows() const { return rows_; }
    // The data set's current row (0-based); -1 when it has none.
    int CurrentRow() const;

    // WM_NOTIFY from the list view; returns whether it was handled, with `result`.
    bool Notify(NMHDR* header, LRESULT& result);

private:
    void ActiveChanged(engine::DataSet&) override { Reset(); }
    void DataChanged(engine::DataSet&, engine::DataChange) override { Reset(); }
    void CursorMoved(engine::DataSet&) override {
        // A move the list made itself is shown already.
        if (CurrentRow() != ListView_GetNextItem(hwnd_, -1, LVNI_FOCUSED)) ShowCursor();
    }
    void Destroyed(engine::DataSet&) override { observing_ = false; }

    void Reset();
    void ShowCursor();
    // Draws a mark cell's check glyph; false when the cell shows none.
    bool DrawMark(const NMLVCUSTOMDRAW& draw) const;

    HWND hwnd_ = nullptr;
    base::BaseQuery& dataSet_;
    base::GridRows rows_;
    std::function<void()> moved_;
    std::wstring cellText_;  // the text last handed to the list
    bool observing_ = true;
    bool following_ = false;  // the list is being moved to the cursor
};

}  // namespace ter5::winapp
