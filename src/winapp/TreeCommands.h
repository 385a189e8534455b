#pragma once
// The directory tree's context menu `PopupMenuDir` and its directory commands
// (create, rename, delete) in the Windows program: the steps are
// base::DirectoryCommandSteps', this class lends them the name dialog, the message
// boxes and the tree.

#include <windows.h>

#include <functional>
#include <memory>

#include "base/DirectoryCommandSteps.h"

namespace ter5::winapp {

class DirectoryView;
class NameDialog;

class TreeCommands : private base::DirectoryCommandHost {
public:
    // `owner` gets the menu's commands and owns the dialogs; `closeBase` is
    // `CloseBaseDataSets`.
    TreeCommands(HWND owner, DirectoryView& tree, std::function<void()> closeBase);
    ~TreeCommands() override;

    // Shows the context menu at `at` (screen coordinates); its choice comes to the
    // owner as WM_COMMAND.
    void ShowMenu(POINT at) const;
    // Runs kTreeCreateDir, kTreeRenameDir or kTreeDeleteDir; false for other ids.
    // Throws what the steps throw.
    bool Run(int id);

private:
    std::optional<std::string> AskName(const std::string& caption, const std::string& prompt,
                                       const std::optional<std::string>& text) override;
    void ShowMessage(const std::string& text) override;
    void Warning(const std::string& text) override;
    bool ConfirmWarning(const std::string& text) override;
    void CloseBase() override { closeBase_(); }
    std::string CurrentDirectory() const override;
    int SelectedIndex() const override;
    std::string ItemText(int row) const override;
    std::string ItemPath(int row) const override;
    void Rebuild() override;
    int FindItem(const std::string& text) const override;
    void SelectIndex(int row) override;
    void SetCurrentDirectory(const std::string& path) override;

    HWND owner_;
    DirectoryView& tree_;
    std::function<void()> closeBase_;
    std::unique_ptr<NameDialog> nameDialog_;  // created on first use, kept for the run
    base::DirectoryCommandSteps steps_{*this};
};

}  // namespace ter5::winapp
