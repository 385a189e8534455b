#pragma once
// A grid of a data set as a virtual Win32 list view (LVS_OWNERDATA): the list asks for
// the texts of the rows it shows, so 60,000 owners open at once. What each cell shows
// is its RowSource's (GridRows for the owner and parcel grids, TemplateListRows for the
// template lists); the view follows its data set (opening, closing, re-reading, cursor
// moves, a row being edited) and moves the data set's cursor when the user moves in
// the list. A move the data set refuses (a pending row it cannot post) is shown as an
// error and the list goes back to the data set's row.

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
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
    // The same over any data set, showing `rows` (of that data set).
    GridView(HWND parent, int id, engine::DataSet& dataSet, std::unique_ptr<base::RowSource> rows,
             std::function<void()> moved);
    ~GridView() override;
    GridView(const GridView&) = delete;
    GridView& operator=(const GridView&) = delete;

    HWND Handle() const { return hwnd_; }
    const base::RowSource& Rows() const { return *rows_; }
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
    void StateChanged(engine::DataSet&) override { InvalidateRect(hwnd_, nullptr, FALSE); }
    void FieldChanged(engine::DataSet&, int) override { InvalidateRect(hwnd_, nullptr, FALSE); }
    void Destroyed(engine::DataSet&) override { observing_ = false; }

    void Reset();
    void ShowCursor();
    // Draws a mark cell's check glyph; false when the cell shows none.
    bool DrawMark(const NMLVCUSTOMDRAW& draw) const;
    static LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self);

    HWND hwnd_ = nullptr;
    engine::DataSet& dataSet_;
    std::unique_ptr<base::RowSource> rows_;
    std::function<void()> moved_;
    std::wstring cellText_;  // the text last handed to the list
    bool observing_ = true;
    bool following_ = false;  // the list is being moved to the cursor
};

}  // namespace ter5::winapp
