#pragma once
// A template list window as a Win32 window: a grid of the rows of one template table
// (GridView over TemplateListRows), a tool bar on top (delete, the record navigator,
// create, edit, then what the list adds: select, the field list and the imports for
// the table list, the progress bar for the group list) and a status bar that shows the
// hint of the tool under the mouse. What the list is, and what its commands do, is
// TemplateListRules' and TemplateSelectSteps'; this class draws it and turns messages
// into those steps.
//
// Enter in the group list's grid selects; Escape closes only the group list; a double
// click selects; the table list has the context menu and Ctrl+M ("Пометить"). Closing
// refreshes the table and flushes it; an engine error keeps the window open.

#include <windows.h>

#include <memory>
#include <string>

#include "base/BaseQuery.h"
#include "templates/Reindexer.h"
#include "templates/TemplateListRules.h"
#include "winapp/WindowClass.h"

namespace ter5::winapp {

class GridView;
class TemplateEditDialog;
class TemplateWindows;

class TemplateListWindow : public templates::ListProgress {
public:
    TemplateListWindow(TemplateWindows& windows, templates::TemplateList list, base::BaseTable& table);
    ~TemplateListWindow() override;
    TemplateListWindow(const TemplateListWindow&) = delete;
    TemplateListWindow& operator=(const TemplateListWindow&) = delete;

    void SetMode(const std::string& mode) { mode_ = mode; }
    const std::string& Mode() const { return mode_; }
    HWND Handle() const { return hwnd_; }

    // Shows the window modally over `owner`, centred on the screen, until it is closed.
    void ShowModal(HWND owner);
    // Closes the window as its close box does: the table refreshed and flushed first.
    void Close();

    void SetMaximum(std::size_t maximum) override;
    void SetPosition(std::size_t position) override;

private:
    template <class T>
    friend LRESULT CALLBACK ObjectWindowProc(HWND, UINT, WPARAM, LPARAM);
    void Attach(HWND hwnd) { hwnd_ = hwnd; }
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

    void Create(HWND owner);
    void CreateToolBar();
    void Layout();
    void Command(int id);
    void ShowEditDialog();
    void ShowContextMenu(POINT at);
    void Import(bool wholeBase);
    void UpdateNavigator();
    // Runs a command; an error is shown over the window and the window goes on.
    template <typename F>
    void Guarded(F&& step);

    TemplateWindows& windows_;
    templates::TemplateList list_;
    base::BaseTable& table_;
    std::string mode_;
    HWND hwnd_ = nullptr;
    HWND toolBar_ = nullptr;
    HWND statusBar_ = nullptr;
    HWND progress_ = nullptr;
    std::unique_ptr<GridView> grid_;
    std::unique_ptr<TemplateEditDialog> editDialog_;
    std::string importDirectory_;  // where the table import's dialog opens next
};

}  // namespace ter5::winapp
