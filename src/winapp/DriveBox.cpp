#include "winapp/DriveBox.h"

#include <commctrl.h>

#include <vector>

#include "winapp/ChildControls.h"
#include "winapp/WideText.h"

namespace ter5::winapp {

namespace {

// The height of the box with its list dropped down, pixels.
constexpr int kDroppedHeight = 240;

std::vector<std::string> LogicalDriveRoots() {
    std::wstring buffer(GetLogicalDriveStringsW(0, nullptr) + 1, L'\0');
    buffer.resize(GetLogicalDriveStringsW(static_cast<DWORD>(buffer.size()), buffer.data()));
    // "C:\<NUL>D:\<NUL>…<NUL>"
    std::vector<std::string> roots;
    for (std::size_t start = 0; start < buffer.size();) {
        const std::size_t end = buffer.find(L'\0', start);
        const std::wstring root = buffer.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (!root.empty()) roots.push_back(Narrow(root));
        if (end == std::wstring::npos) break;
        start = end + 1;
    }
    return roots;
}

}  // namespace

DriveBox::DriveBox(HWND parent, int id, std::function<void(const std::string&)> choose) : choose_(std::move(choose)) {
    hwnd_ = AddChildControl(parent, WC_COMBOBOXW, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, id,
                            RECT{0, 0, 100, kDroppedHeight});
}

int DriveBox::Place(int x, int y, int width) {
    // A drop-down list's window height includes the list; the field's is what is seen.
    SetWindowPos(hwnd_, nullptr, x, y, width, kDroppedHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT field{};
    GetWindowRect(hwnd_, &field);
    return field.bottom - field.top;
}

void DriveBox::Refresh(const std::string& directory) {
    SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
    drives_.Clear();
    for (const base::Drive& drive : base::WindowsDrives(LogicalDriveRoots())) {
        drives_.Add(drive.label, drive.root);
        SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(drive.label).c_str()));
    }
    Shown(directory);
}

void DriveBox::Shown(const std::string& directory) {
    shown_ = directory;
    SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(drives_.Shown(directory)), 0);
}

bool DriveBox::Command(HWND from, int code) {
    if (from != hwnd_ || !from) return false;
    if (code == CBN_SELCHANGE) {
        const int chosen = static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0));
        const std::string target = drives_.Target(chosen);
        if (!target.empty()) choose_(target);
        // A drive the tree could not enter: the box shows the tree's drive again.
        SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(drives_.DriveOf(shown_)), 0);
    }
    return true;
}

}  // namespace ter5::winapp
