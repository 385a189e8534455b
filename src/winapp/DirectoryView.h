#pragma once
// The directory tree `DirectoryListBox1` as a Win32 list view over a DirectoryListing:
// the root, the path items and the sub-directories, indented by level, the base mark
// shown as a "[Б]" after the name. Double click or Enter enters the item's directory.

#include <windows.h>

#include <functional>

#include "base/DirectoryListing.h"

namespace ter5::winapp {

class DirectoryView {
public:
    struct Events {
        std::function<void()> selected;  // the selection moved (click, keys)
        std::function<void()> entered;   // a directory was entered
        std::function<void(POINT)> contextMenu;
        std::function<void(const std::string&)> failed;  // entering failed: the message
    };

    DirectoryView(HWND parent, int id, Events events);

    HWND Handle() const { return hwnd_; }
    base::DirectoryListing& Listing() { return listing_; }
    int SelectedIndex() const;
    void SelectIndex(int row);
    // Enters `path`, as a double click on its item does.
    void Enter(const std::string& path);
    // Shows the listing's items (after Rebuild or a change of marks).
    void ShowItems();

    // WM_NOTIFY from the list view; returns whether it was handled.
    bool Notify(NMHDR* header, LRESULT& result);

private:
    HWND hwnd_ = nullptr;
    Events events_;
    bool showing_ = false;  // the items are being replaced: selection changes are no user's
    base::DirectoryListing listing_;
};

}  // namespace ter5::winapp
