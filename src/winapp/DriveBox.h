#pragma once
// The drive box `DriveComboBox1` above the directory tree: the logical drives of the
// machine. Choosing one moves the tree to the directory last shown on that drive (its
// root at first); the tree's moves select the drive holding its new directory. The
// rules are base::DriveList's.

#include <windows.h>

#include <functional>
#include <string>

#include "base/DriveList.h"

namespace ter5::winapp {

class DriveBox {
public:
    // `choose` moves the tree to a directory.
    DriveBox(HWND parent, int id, std::function<void(const std::string&)> choose);

    HWND Handle() const { return hwnd_; }
    // Places the box at (x, y), `width` wide; returns the height of its field.
    int Place(int x, int y, int width);
    // Re-reads the drives (GetLogicalDriveStrings) and selects the one of `directory`.
    void Refresh(const std::string& directory);
    // The tree shows `directory` now.
    void Shown(const std::string& directory);
    // WM_COMMAND from `from` with notification `code`; returns whether it was the box's.
    bool Command(HWND from, int code);

private:
    HWND hwnd_ = nullptr;
    std::function<void(const std::string&)> choose_;
    std::string shown_;  // the tree's directory
    base::DriveList drives_;
};

}  // namespace ter5::winapp
