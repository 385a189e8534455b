#include "winapp/TemplateWindows.h"

#include "winapp/TemplateListWindow.h"
#include "winapp/ChildControls.h"

namespace ter5::winapp {

using templates::TemplateList;

TemplateWindows::TemplateWindows(base::TDM& dm, templates::TemplateStore& store, templates::ReindexHost& host,
                                 HWND owner)
    : dm_(dm), store_(store), host_(host), owner_(owner) {}

TemplateWindows::~TemplateWindows() = default;

TemplateListWindow& TemplateWindows::Window(TemplateList list) {
    auto& window = windows_[static_cast<std::size_t>(list)];
    if (!window) {
        base::BaseTable* tables[] = {&dm_.TNameBase, &dm_.TBases, &dm_.TField, &dm_.TIndex};
        window = std::make_unique<TemplateListWindow>(*this, list, *tables[static_cast<std::size_t>(list)]);
    }
    return *window;
}

void TemplateWindows::ShowGroupList(const std::string& mode) {
    ShowList(TemplateList::Groups, mode);
}

void TemplateWindows::ShowList(TemplateList list, const std::string& mode) {
    // Each list is owned by the one it was opened from: the group list by the main window.
    HWND owner = owner_;
    if (list == TemplateList::Tables) owner = Window(TemplateList::Groups).Handle();
    if (list == TemplateList::Fields || list == TemplateList::Indexes) owner = Window(TemplateList::Tables).Handle();
    TemplateListWindow& window = Window(list);
    // The detail lists keep the mode their opener gave the table list.
    if (list == TemplateList::Groups || list == TemplateList::Tables) window.SetMode(mode);
    window.ShowModal(owner ? owner : owner_);
}

void TemplateWindows::CloseList(TemplateList list) {
    if (windows_[static_cast<std::size_t>(list)]) Window(list).Close();
}

templates::ListProgress& TemplateWindows::GroupProgress() {
    return Window(TemplateList::Groups);
}

void TemplateWindows::ShowError(const std::string& text) {
    HWND over = GetActiveWindow();
    MessageBoxW(over ? over : owner_, Wide(text).c_str(), kMessageCaption, MB_OK | MB_ICONERROR);
}

}  // namespace ter5::winapp
