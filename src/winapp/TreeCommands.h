#pragma once
// The directory tree's context menu `PopupMenuDir` and its directory commands
// (create, rename, delete) in the Windows program: the steps are
// base::DirectoryCommandSteps', run over the name dialog, the message boxes and the
// tree of this program.

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace ter5::winapp {

class DirectoryView;

class TreeCommands {
public:
    // `owner` gets the menu's commands and owns the dialogs; `closeBase` is
    // `CloseBaseDataSets`.
    TreeCommands(HWND owner, DirectoryView& tree, std::function<void()> closeBase);
    ~TreeCommands();

    // Shows the context menu at `at` (screen coordinates), the two reindex items
    // enabled as `reindexEnabled` says; its choice comes to the owner as WM_COMMAND
    // (the owner runs kTreeOpenBase and the reindex items as the main menu's items).
    void ShowMenu(POINT at, bool reindexEnabled) const;
    // Runs kTreeCreateDir, kTreeRenameDir or kTreeDeleteDir; false for other ids.
    // Throws what the steps throw.
    bool Run(int id);
    // The first steps of "Создать" (`nCreateClick`): the name dialog "Каталог" (its field
    // as last typed), the directory made one level deep or found (then `showMessage`
    // says it exists), and made the tree's current directory. The directory to create
    // the base in; nothing when the dialog was cancelled. Throws "Невозможно создать
    // каталог …" when it cannot be made.
    std::optional<std::string> PrepareNewBase(const std::function<void(const std::string&)>& showMessage);

private:
    class Host;

    HWND owner_;
    std::unique_ptr<Host> host_;
};

}  // namespace ter5::winapp
