#include "winapp/GridView.h"

#include <commctrl.h>

#include "base/BaseQuery.h"
#include "winapp/ChildControls.h"
#include "winapp/WideText.h"

using ter5::base::GridRows;

namespace ter5::winapp {

GridView::GridView(HWND parent, int id, base::BaseQuery& dataSet, std::vector<base::GridColumn> columns,
                   std::function<void()> moved)
    : GridView(parent, id, dataSet, std::make_unique<GridRows>(dataSet, std::move(columns)), std::move(moved)) {}

GridView::GridView(HWND parent, int id, engine::DataSet& dataSet, std::unique_ptr<base::RowSource> rows,
                   std::function<void()> moved)
    : dataSet_(dataSet), rows_(std::move(rows)), moved_(std::move(moved)) {
    hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL |
                                LVS_SHOWSELALWAYS,
                            0, 0, 100, 100, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleW(nullptr), nullptr);
    ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
    for (int column = 0; column < rows_->ColumnCount(); ++column) {
        const std::wstring title = Wide(rows_->HeaderText(column));
        LVCOLUMNW shown{};
        shown.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        shown.pszText = const_cast<wchar_t*>(title.c_str());
        const int width = rows_->ColumnWidth(column);
        shown.cx = width > 0 ? width + 12 : 70;
        shown.fmt = rows_->Alignment(column) == base::CellAlign::Left ? LVCFMT_LEFT
                    : rows_->Alignment(column) == base::CellAlign::Right ? LVCFMT_RIGHT
                                                                         : LVCFMT_CENTER;
        ListView_InsertColumn(hwnd_, column, &shown);
    }
    // Mark titles (the check glyphs) are drawn by ListProc.
    const HWND header = ListView_GetHeader(hwnd_);
    for (int column = 0; column < rows_->ColumnCount(); ++column) {
        const std::string title = rows_->HeaderText(column);
        if (title != GridRows::MarkGlyph("ю") && title != GridRows::MarkGlyph("ь")) continue;
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        Header_GetItem(header, column, &item);
        item.fmt |= HDF_OWNERDRAW;
        Header_SetItem(header, column, &item);
    }
    SetWindowSubclass(hwnd_, ListProc, 0, reinterpret_cast<DWORD_PTR>(this));
    dataSet_.AddObserver(*this);
    Reset();
}

GridView::~GridView() {
    if (IsWindow(hwnd_)) RemoveWindowSubclass(hwnd_, ListProc, 0);
    if (observing_) dataSet_.RemoveObserver(*this);
}

int GridView::CurrentRow() const {
    if (!observing_ || !dataSet_.Active() || dataSet_.IsEmpty()) return -1;
    return static_cast<int>(dataSet_.RecNo()) - 1;
}

void GridView::Reset() {
    rows_->Bind();
    ListView_SetItemCountEx(hwnd_, rows_->RowCount(), 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
    ShowCursor();
}

void GridView::ShowCursor() {
    const int row = CurrentRow();
    following_ = true;
    ListView_SetItemState(hwnd_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (row >= 0) {
        ListView_SetItemState(hwnd_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(hwnd_, row, FALSE);
    }
    following_ = false;
}

namespace {

// The check glyph of a mark ("☑" boxed, "✓" not) centred in `box`, drawn as lines: the
// fonts of the system need not have the glyphs. False for other text.
bool DrawCheckGlyph(HDC dc, const RECT& box, const std::string& text, COLORREF colour) {
    const bool boxed = text == GridRows::MarkGlyph("ю");
    if (!boxed && text != GridRows::MarkGlyph("ь")) return false;
    const int x = (box.left + box.right) / 2, y = (box.top + box.bottom) / 2;
    const HPEN pen = CreatePen(PS_SOLID, 2, colour);
    const HGDIOBJ old = SelectObject(dc, pen);
    const POINT tick[] = {{x - 4, y}, {x - 1, y + 3}, {x + 4, y - 3}};
    Polyline(dc, tick, 3);
    if (boxed) {
        const HPEN thin = CreatePen(PS_SOLID, 1, colour);
        SelectObject(dc, thin);
        const HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, x - 6, y - 6, x + 7, y + 7);
        SelectObject(dc, oldBrush);
        SelectObject(dc, pen);
        DeleteObject(thin);
    }
    SelectObject(dc, old);
    DeleteObject(pen);
    return true;
}

}  // namespace

bool GridView::DrawMark(const NMLVCUSTOMDRAW& draw) const {
    const int row = static_cast<int>(draw.nmcd.dwItemSpec);
    const std::string text = rows_->CellText(row, draw.iSubItem, ".");
    if (text != GridRows::MarkGlyph("ю") && text != GridRows::MarkGlyph("ь")) return false;
    RECT cell{};
    // For the first column the bounds are the whole row's; its label is the cell.
    ListView_GetSubItemRect(hwnd_, row, draw.iSubItem, draw.iSubItem == 0 ? LVIR_LABEL : LVIR_BOUNDS, &cell);
    const bool selected = (ListView_GetItemState(hwnd_, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
    FillRect(draw.nmcd.hdc, &cell, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    return DrawCheckGlyph(draw.nmcd.hdc, cell, text, draw.clrText);
}

LRESULT CALLBACK GridView::ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    // The header's mark titles are owner-drawn: the header sends WM_DRAWITEM to the list.
    if (message == WM_DRAWITEM) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item->CtlType == ODT_HEADER) {
            const auto* view = reinterpret_cast<const GridView*>(self);
            const int column = static_cast<int>(item->itemID);
            RECT box = item->rcItem;
            FillRect(item->hDC, &box, GetSysColorBrush(COLOR_BTNFACE));
            DrawEdge(item->hDC, &box, BDR_RAISEDINNER, BF_RIGHT | BF_BOTTOM);
            const auto colour = view->rows_->ColumnColour(column);
            DrawCheckGlyph(item->hDC, box, view->rows_->HeaderText(column),
                           colour ? RGB(colour->red, colour->green, colour->blue) : GetSysColor(COLOR_BTNTEXT));
            return TRUE;
        }
    }
    return DefSubclassProc(list, message, wParam, lParam);
}

bool GridView::Notify(NMHDR* header, LRESULT& result) {
    if (header->hwndFrom != hwnd_) return false;
    switch (header->code) {
    case LVN_GETDISPINFOW: {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
        if (info->item.mask & LVIF_TEXT) {
            cellText_ = Wide(rows_->CellText(info->item.iItem, info->item.iSubItem, ","));
            info->item.pszText = const_cast<wchar_t*>(cellText_.c_str());
        }
        result = 0;
        return true;
    }
    case LVN_ITEMCHANGED: {
        const auto* change = reinterpret_cast<NMLISTVIEW*>(header);
        const bool nowFocused = (change->uNewState & LVIS_FOCUSED) && !(change->uOldState & LVIS_FOCUSED);
        if (!following_ && nowFocused && change->iItem >= 0 && change->iItem != CurrentRow()) {
            const std::size_t row = static_cast<std::size_t>(change->iItem) + 1;
            if (!RunShowingErrors(GetAncestor(hwnd_, GA_ROOT), [&] { dataSet_.MoveTo(row); })) {
                ShowCursor();
                result = 0;
                return true;
            }
            if (moved_) moved_();
        }
        result = 0;
        return true;
    }
    case NM_CUSTOMDRAW: {
        // Mark columns in their colour.
        auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
        if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
            result = CDRF_NOTIFYITEMDRAW;
        } else if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
            result = CDRF_NOTIFYSUBITEMDRAW;
        } else if (draw->nmcd.dwDrawStage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
            const auto colour = rows_->ColumnColour(draw->iSubItem);
            draw->clrText = colour ? RGB(colour->red, colour->green, colour->blue) : GetSysColor(COLOR_WINDOWTEXT);
            result = colour && DrawMark(*draw) ? CDRF_SKIPDEFAULT : CDRF_DODEFAULT;
        } else {
            result = CDRF_DODEFAULT;
        }
        return true;
    }
    default:
        return false;
    }
}

}  // namespace ter5::winapp
