#pragma once
// The directory tree `DirectoryListBox1` as a Win32 list view over a DirectoryListing:
// the root, the path items and the sub-directories, indented by level, the base mark
// shown as a "[Б]" after the name. Double click or Enter enters the item's directory.
// The right button asks for the context menu without moving the selection.

#include <windows.h>

#include <functional>

#include "base/DirectoryListing.h"

namespace ter5::winapp {

class DirectoryView {
public:
    struct Events {
        std::function<void()> selected;  // the selection moved (click, keys)
        std::function<void()> entered;   // a directory was entered
        std::function<void(POINT)> contextMenu;  // where to show it, screen coordinates
        std::function<void(const std::string&)> failed;  // entering failed: the message
    };

    DirectoryView(HWND parent, int id, Events events);

    HWND Handle() const { return hwnd_; }
    base::DirectoryListing& Listing() { return listing_; }
    int SelectedIndex() const;
    // Selects `row` without opening what it names (the user's moves do).
    void SelectIndex(int row);
    // The text of item `row` without the base mark; empty out of range.
    std::string ItemText(int row) const;
    // Enters `path`, as a double click on its item does; a failure is reported.
    void Enter(const std::string& path);
    // Enters `path`; throws std::runtime_error when it cannot be entered.
    void SetCurrentDirectory(const std::string& path);
    // Re-reads the sub-directories of the current directory.
    void Rebuild();
    // Shows the listing's items (after Rebuild or a change of marks).
    void ShowItems();

    // WM_NOTIFY from the list view; returns whether it was handled.
    bool Notify(NMHDR* header, LRESULT& result);

private:
    static LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR self);

    HWND hwnd_ = nullptr;
    Events events_;
    int quiet_ = 0;  // the items are replaced or selected by the program: selection changes are no user's
    base::DirectoryListing listing_;
};

}  // namespace ter5::winapp
