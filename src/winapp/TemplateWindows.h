#pragma once
// The template windows of the Windows program, created on first use and kept for the
// run: the group list, the table template list, the field list and the index list. The
// main window opens the group list with a mode word ("Edit", "Select", "ReIndex",
// "CreateTerBases"); the steps between the lists are TemplateSelectSteps'.

#include <windows.h>

#include <array>
#include <memory>
#include <string>

#include "base/TDM.h"
#include "templates/TemplateSelectSteps.h"

namespace ter5::winapp {

class TemplateListWindow;

class TemplateWindows : public templates::TemplateWindowHost {
public:
    // The data module, the store and the host must outlive the windows; `owner` is
    // the main window.
    TemplateWindows(base::TDM& dm, templates::TemplateStore& store, templates::ReindexHost& host, HWND owner);
    ~TemplateWindows() override;

    // Shows the group list modally with `mode`.
    void ShowGroupList(const std::string& mode);
    // The window of `list`, created on first use.
    TemplateListWindow& Window(templates::TemplateList list);

    templates::TemplateStore& Store() override { return store_; }
    templates::ReindexHost& Host() override { return host_; }
    void ShowList(templates::TemplateList list, const std::string& mode) override;
    void CloseList(templates::TemplateList list) override;
    templates::ListProgress& GroupProgress() override;
    void ShowError(const std::string& text) override;

private:
    base::TDM& dm_;
    templates::TemplateStore& store_;
    templates::ReindexHost& host_;
    HWND owner_;
    std::array<std::unique_ptr<TemplateListWindow>, 4> windows_;
};

}  // namespace ter5::winapp
