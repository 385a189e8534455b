#include "winapp/DirectoryView.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

#include "winapp/WideText.h"

namespace ter5::winapp {

DirectoryView::DirectoryView(HWND parent, int id, Events events) : events_(std::move(events)) {
    hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                                LVS_NOCOLUMNHEADER,
                            0, 0, 100, 100, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleW(nullptr), nullptr);
    ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_FULLROWSELECT);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = 400;
    ListView_InsertColumn(hwnd_, 0, &column);
    SetWindowSubclass(hwnd_, ListProc, 0, reinterpret_cast<DWORD_PTR>(this));
    ShowItems();
}

void DirectoryView::ShowItems() {
    ++quiet_;
    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(hwnd_);
    int row = 0;
    for (const base::DirectoryItem& shown : listing_.Items()) {
        std::wstring text = Wide(shown.text);
        if (shown.baseMark) text += L"  [Б]";
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_INDENT;
        item.iItem = row++;
        item.iIndent = shown.level;
        item.pszText = text.data();
        ListView_InsertItem(hwnd_, &item);
    }
    SelectIndex(listing_.CurrentDirectoryRow());
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
    --quiet_;
}

int DirectoryView::SelectedIndex() const {
    return ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED);
}

void DirectoryView::SelectIndex(int row) {
    if (row < 0 || row >= listing_.Count()) return;
    ++quiet_;
    ListView_SetItemState(hwnd_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(hwnd_, row, FALSE);
    --quiet_;
}

std::string DirectoryView::ItemText(int row) const {
    if (row < 0 || row >= listing_.Count()) return {};
    return listing_.Items()[static_cast<std::size_t>(row)].text;
}

void DirectoryView::Enter(const std::string& path) {
    try {
        SetCurrentDirectory(path);
    } catch (const std::runtime_error& error) {
        if (events_.failed) events_.failed(error.what());
    }
}

void DirectoryView::SetCurrentDirectory(const std::string& path) {
    listing_.Enter(path);
    ShowItems();
    if (events_.entered) events_.entered();
}

void DirectoryView::Rebuild() {
    listing_.Rebuild();
    ShowItems();
}

bool DirectoryView::Notify(NMHDR* header, LRESULT& result) {
    if (header->hwndFrom != hwnd_) return false;
    result = 0;
    switch (header->code) {
    case NM_DBLCLK: {
        const auto* activate = reinterpret_cast<NMITEMACTIVATE*>(header);
        if (activate->iItem >= 0) Enter(listing_.ItemPath(activate->iItem));
        if (events_.selected) events_.selected();
        return true;
    }
    case LVN_ITEMCHANGED: {
        // The user moved the selection (mouse or keys): the window opens what it names.
        const auto* change = reinterpret_cast<NMLISTVIEW*>(header);
        const bool nowSelected = (change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED);
        if (quiet_ == 0 && nowSelected && events_.selected) events_.selected();
        return true;
    }
    case LVN_KEYDOWN: {
        const auto* key = reinterpret_cast<NMLVKEYDOWN*>(header);
        if (key->wVKey == VK_RETURN && SelectedIndex() >= 0) {
            Enter(listing_.ItemPath(SelectedIndex()));
            if (events_.selected) events_.selected();
        }
        return true;
    }
    default:
        return false;
    }
}

LRESULT CALLBACK DirectoryView::ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR self) {
    auto* view = reinterpret_cast<DirectoryView*>(self);
    switch (message) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        // The context menu acts on the selected item: the right button leaves it alone.
        SetFocus(list);
        return 0;
    case WM_RBUTTONUP: {
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ClientToScreen(list, &at);
        if (view->events_.contextMenu) view->events_.contextMenu(at);
        return 0;
    }
    case WM_CONTEXTMENU: {
        // From the keyboard (-1, -1): beside the selected item.
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (at.x == -1 && at.y == -1) {
            RECT item{};
            if (!ListView_GetItemRect(list, std::max(0, view->SelectedIndex()), &item, LVIR_LABEL)) item = RECT{};
            at = POINT{item.left, item.bottom};
            ClientToScreen(list, &at);
        }
        if (view->events_.contextMenu) view->events_.contextMenu(at);
        return 0;
    }
    default:
        return DefSubclassProc(list, message, wParam, lParam);
    }
}

}  // namespace ter5::winapp
